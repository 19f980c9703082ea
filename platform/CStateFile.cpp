#include "platform/CStateFile.h"

#include "platform/paths.h"
#include "platform/textfile.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace {

// What an open, lstat or fstat tells about a file the program means to keep.
StateFileProblem ProblemOfOpenError(int nErrno) {
    switch (nErrno) {
    case ENOENT:
    case ENOTDIR:
        return StateFileProblem::Missing;
    case ELOOP: // O_NOFOLLOW met a symbolic link
        return StateFileProblem::SymbolicLink;
    case EISDIR:
    case ENXIO: // a FIFO without reader, opened for writing without waiting
        return StateFileProblem::NotRegularFile;
    default:
        return StateFileProblem::Failed;
    }
}

StateFileProblem ProblemOfFile(const struct stat& info) {
    if (S_ISLNK(info.st_mode))
        return StateFileProblem::SymbolicLink;
    if (!S_ISREG(info.st_mode))
        return StateFileProblem::NotRegularFile;
    if (info.st_uid != geteuid())
        return StateFileProblem::OtherOwner;
    if (info.st_nlink != 1)
        return StateFileProblem::SeveralLinks;
    return StateFileProblem::None;
}

} // namespace

std::string StateFileStatus::Reason() const {
    switch (problem) {
    case StateFileProblem::None:
        return "";
    case StateFileProblem::Missing:
        return "見つかりません";
    case StateFileProblem::SymbolicLink:
        return "シンボリックリンクです";
    case StateFileProblem::NotRegularFile:
        return "通常のファイルではありません";
    case StateFileProblem::SeveralLinks:
        return "ハードリンクされています";
    case StateFileProblem::OtherOwner:
        return "ほかのユーザーのファイルです";
    case StateFileProblem::TooLarge:
        return "大きすぎます";
    case StateFileProblem::Failed:
        break;
    }
    return nErrno != 0 ? std::string("使えません (") + std::strerror(nErrno) + ")" : "使えません";
}

CStateFile CStateFile::OpenForReading(const std::string& strPath) {
    return Open(strPath, O_RDONLY, 0);
}

CStateFile CStateFile::OpenForAppending(const std::string& strPath, unsigned mode) {
    return Open(strPath, O_WRONLY | O_APPEND | O_CREAT, mode);
}

CStateFile CStateFile::Open(const std::string& strPath, int flags, unsigned mode) {
    CStateFile file;
    // O_NONBLOCK only matters for what is not a regular file (a FIFO would
    // wait for its other end); such a file is refused below anyway.
    flags |= O_NONBLOCK | O_NOFOLLOW | O_CLOEXEC | O_NOCTTY;
    file.m_hFile = open(strPath.c_str(), flags, static_cast<mode_t>(mode));
    if (file.m_hFile < 0) {
        int nErrno = errno;
        file.Fail(ProblemOfOpenError(nErrno), nErrno);
        return file;
    }
    struct stat info {};
    if (fstat(file.m_hFile, &info) != 0)
        file.Fail(StateFileProblem::Failed, errno);
    else if (StateFileProblem problem = ProblemOfFile(info); problem != StateFileProblem::None)
        file.Fail(problem);
    return file;
}

CStateFile::CStateFile(CStateFile&& other) noexcept
    : m_hFile(std::exchange(other.m_hFile, -1)), m_status(other.m_status) {}

CStateFile& CStateFile::operator=(CStateFile&& other) noexcept {
    if (this != &other) {
        if (m_hFile >= 0)
            close(m_hFile);
        m_hFile = std::exchange(other.m_hFile, -1);
        m_status = other.m_status;
    }
    return *this;
}

CStateFile::~CStateFile() {
    if (m_hFile >= 0)
        close(m_hFile);
}

void CStateFile::Fail(StateFileProblem problem, int nErrno) {
    m_status = StateFileStatus{problem, nErrno};
    if (m_hFile >= 0)
        close(m_hFile);
    m_hFile = -1;
}

bool CStateFile::ReadAll(std::string& content, std::size_t maxBytes) {
    if (!IsOpen())
        return false;
    std::string read;
    errno = 0; // stays 0 when the file was only too large
    if (!ReadToEnd(m_hFile, read, maxBytes)) {
        m_status = errno != 0 ? StateFileStatus{StateFileProblem::Failed, errno}
                              : StateFileStatus{StateFileProblem::TooLarge, 0};
        return false;
    }
    content = std::move(read);
    return true;
}

bool CStateFile::Append(std::string_view content) {
    if (!IsOpen())
        return false;
    if (WriteFully(m_hFile, content))
        return true;
    m_status = StateFileStatus{StateFileProblem::Failed, errno};
    return false;
}

bool CStateFile::RestartIfLongerThan(long long nLimit) {
    if (!IsOpen())
        return false;
    struct stat info {};
    if (fstat(m_hFile, &info) == 0 && (info.st_size <= nLimit || ftruncate(m_hFile, 0) == 0))
        return true;
    m_status = StateFileStatus{StateFileProblem::Failed, errno};
    return false;
}

StateFileStatus ReadStateFile(const std::string& strPath, std::size_t maxBytes,
                              std::string& content) {
    CStateFile file = CStateFile::OpenForReading(strPath);
    file.ReadAll(content, maxBytes);
    return file.GetStatus();
}

StateFileStatus ReplaceStateFile(const std::string& strPath, std::string_view content,
                                 unsigned mode) {
    // lstat opens nothing, so a FIFO here cannot block. The rename below only
    // ever replaces the name, never writes through it.
    struct stat info {};
    if (lstat(strPath.c_str(), &info) == 0) {
        if (StateFileProblem problem = ProblemOfFile(info); problem != StateFileProblem::None)
            return StateFileStatus{problem, 0};
    } else if (errno != ENOENT) {
        int nErrno = errno;
        return StateFileStatus{ProblemOfOpenError(nErrno), nErrno};
    }
    errno = 0;
    if (WriteFileAtomically(strPath, content, mode))
        return StateFileStatus{};
    return StateFileStatus{StateFileProblem::Failed, errno};
}
