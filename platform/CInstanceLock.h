#pragma once
// One running copy per user session: an exclusive flock on a lock file named
// after the instance name, held open for the whole run. The kernel drops the
// lock when the process ends, so a crashed copy never blocks the next start.

#include <string>
#include <string_view>

class CInstanceLock {
public:
    enum class Result {
        Acquired,    // this process now holds the lock
        HeldByOther, // another copy runs
        Unavailable  // the lock file cannot be opened; nothing can be known
    };

    explicit CInstanceLock(std::string strName);
    ~CInstanceLock();
    CInstanceLock(const CInstanceLock&) = delete;
    CInstanceLock& operator=(const CInstanceLock&) = delete;

    // Tries once, never waits.
    Result Acquire();
    void Release();
    bool IsHeld() const { return m_hFile >= 0; }

    // $XDG_RUNTIME_DIR/<name>.lock, else <temp>/<name>-<uid>.lock (the shared
    // temporary folder needs the user id so users do not block each other).
    static std::string LockFilePath(std::string_view name);

private:
    std::string m_strName;
    int m_hFile = -1;
};
