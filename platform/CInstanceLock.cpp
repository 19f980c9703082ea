#include "platform/CInstanceLock.h"

#include "platform/paths.h"

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

CInstanceLock::CInstanceLock(std::string strName) : m_strName(std::move(strName)) {}

CInstanceLock::~CInstanceLock() {
    Release();
}

std::string CInstanceLock::LockFilePath(std::string_view name) {
    const char* runtimeDir = std::getenv("XDG_RUNTIME_DIR");
    if (runtimeDir != nullptr && runtimeDir[0] != '\0')
        return JoinPath(runtimeDir, std::string(name) + ".lock");
    return JoinPath(ResolveTempDir(), std::string(name) + "-" + std::to_string(getuid()) + ".lock");
}

CInstanceLock::Result CInstanceLock::Acquire() {
    if (IsHeld())
        return Result::Acquired;
    // O_NOFOLLOW: in a shared temporary folder another user could plant a link.
    const std::string path = LockFilePath(m_strName);
    int hFile = open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (hFile < 0)
        return Result::Unavailable;
    struct stat info {};
    if (fstat(hFile, &info) != 0 || info.st_uid != getuid() || !S_ISREG(info.st_mode)) {
        close(hFile);
        return Result::Unavailable;
    }
    int rc;
    do {
        rc = flock(hFile, LOCK_EX | LOCK_NB);
    } while (rc != 0 && errno == EINTR);
    if (rc != 0) {
        const bool bHeld = (errno == EWOULDBLOCK);
        close(hFile);
        return bHeld ? Result::HeldByOther : Result::Unavailable;
    }
    m_hFile = hFile;
    return Result::Acquired;
}

void CInstanceLock::Release() {
    if (m_hFile < 0)
        return;
    // The file stays: removing it would let a third copy lock a fresh file
    // while a second still waits on the old one's name.
    flock(m_hFile, LOCK_UN);
    close(m_hFile);
    m_hFile = -1;
}
