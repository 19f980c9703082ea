#pragma once
// A file the program keeps for itself (the error log, the header index, the
// delivery record), used only when it is what it seems: a regular file with
// exactly one link, owned by the user running the program. Opening never
// blocks (a FIFO put in its place would hang an ordinary open for ever) and
// never follows a symbolic link; every check is made on the opened file, so
// nothing can be swapped in between check and use. A file that fails a check
// is closed again untouched: a hard link to another file is never written or
// emptied, a link to elsewhere never read.

#include <string>
#include <string_view>

enum class StateFileProblem {
    None,
    Missing,        // there is no such file (or folder)
    SymbolicLink,   // a symbolic link in the file's place
    NotRegularFile, // a FIFO, a folder, a device or a socket
    SeveralLinks,   // a hard link: the same file under another name too
    OtherOwner,     // another user's file
    TooLarge,       // bigger than the reader accepts
    Failed,         // any other error: no permission, read-only folder, full disk
};

// The outcome of a use of a state file: what stood in the way, and the
// system's error number where there was one.
struct StateFileStatus {
    StateFileProblem problem = StateFileProblem::None;
    int nErrno = 0;

    bool IsOk() const { return problem == StateFileProblem::None; }
    // A few words for the error log or stderr, in UTF-8 ("シンボリックリンクです").
    std::string Reason() const;
};

class CStateFile {
public:
    // An existing file, for reading.
    static CStateFile OpenForReading(const std::string& strPath);
    // For appending; created with mode (e.g. 0600) when missing.
    static CStateFile OpenForAppending(const std::string& strPath, unsigned mode);

    CStateFile(CStateFile&& other) noexcept;
    CStateFile& operator=(CStateFile&& other) noexcept;
    CStateFile(const CStateFile&) = delete;
    CStateFile& operator=(const CStateFile&) = delete;
    ~CStateFile();

    bool IsOpen() const { return m_hFile >= 0; }
    const StateFileStatus& GetStatus() const { return m_status; }

    // The rest of the file, refused (TooLarge, content unchanged) when it
    // holds more than maxBytes.
    bool ReadAll(std::string& content, std::size_t maxBytes);
    bool Append(std::string_view content);
    // Empties the file when it holds more than nLimit bytes. Only ever done
    // on a file that passed the checks, never by O_TRUNC at open.
    bool RestartIfLongerThan(long long nLimit);

private:
    CStateFile() = default;
    static CStateFile Open(const std::string& strPath, int flags, unsigned mode);
    void Fail(StateFileProblem problem, int nErrno = 0);

    int m_hFile = -1;
    StateFileStatus m_status;
};

// The whole file at strPath (Missing when there is none).
StateFileStatus ReadStateFile(const std::string& strPath, std::size_t maxBytes,
                              std::string& content);

// Replaces the file at strPath atomically (temporary file, flush, rename)
// with content and mode. Refused, leaving everything as it was, when
// something other than a usable state file stands at strPath; a missing file
// is created.
StateFileStatus ReplaceStateFile(const std::string& strPath, std::string_view content,
                                 unsigned mode);
