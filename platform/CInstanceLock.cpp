#include "platform/CInstanceLock.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

CInstanceLock::CInstanceLock(std::string strFolder) : m_strFolder(std::move(strFolder)) {}

CInstanceLock::~CInstanceLock() {
    Release();
}

CInstanceLock::Result CInstanceLock::Acquire() {
    if (IsHeld())
        return Result::Acquired;
    // The folder itself carries the lock: nothing is created in it, and the
    // lock follows the folder, not the name it was reached by.
    int hFolder = open(m_strFolder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (hFolder < 0)
        return Result::Unavailable;
    int rc;
    do {
        rc = flock(hFolder, LOCK_EX | LOCK_NB);
    } while (rc != 0 && errno == EINTR);
    if (rc != 0) {
        const bool bHeld = (errno == EWOULDBLOCK);
        close(hFolder);
        return bHeld ? Result::HeldByOther : Result::Unavailable;
    }
    m_hFolder = hFolder;
    return Result::Acquired;
}

void CInstanceLock::Release() {
    if (m_hFolder < 0)
        return;
    flock(m_hFolder, LOCK_UN);
    close(m_hFolder);
    m_hFolder = -1;
}

std::string CInstanceLock::FolderKey(const std::string& strFolder) {
    struct stat info {};
    if (stat(strFolder.c_str(), &info) != 0 || !S_ISDIR(info.st_mode))
        return std::string();
    char key[80];
    std::snprintf(key, sizeof key, "%u-%llx-%llx", static_cast<unsigned>(getuid()),
                  static_cast<unsigned long long>(info.st_dev),
                  static_cast<unsigned long long>(info.st_ino));
    return key;
}
