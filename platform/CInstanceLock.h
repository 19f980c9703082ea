#pragma once
// One running copy per program folder: an exclusive flock on the folder
// itself, held open for the whole run. Every copy that uses the folder (the
// desktop program, `quiben --once` from a timer) finds the same lock,
// whatever XDG_RUNTIME_DIR, TMPDIR or HOME say, and a read-only folder locks
// as well as a writable one. The kernel drops the lock when the process
// ends, so a crashed copy never blocks the next start.

#include <string>

class CInstanceLock {
public:
    enum class Result {
        Acquired,    // this process now holds the lock
        HeldByOther, // another copy runs on this folder
        Unavailable  // the folder cannot be opened; nothing can be known
    };

    explicit CInstanceLock(std::string strFolder);
    ~CInstanceLock();
    CInstanceLock(const CInstanceLock&) = delete;
    CInstanceLock& operator=(const CInstanceLock&) = delete;

    // Tries once, never waits.
    Result Acquire();
    void Release();
    bool IsHeld() const { return m_hFolder >= 0; }

    // A name for the locked folder that every copy computes alike (the
    // folder's device and inode, and the user), so two spellings of one
    // folder give one name; empty when the folder cannot be examined.
    static std::string FolderKey(const std::string& strFolder);

private:
    std::string m_strFolder;
    int m_hFolder = -1;
};
