#include "engine/maillib/CMessageFile.h"

#include <fcntl.h>
#include <unistd.h>

CMessageFile::CMessageFile(std::string path) : m_strPath(std::move(path)) {
    int fd = open(m_strPath.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0600);
    m_pFile = fd >= 0 ? fdopen(fd, "wb") : nullptr;
    if (m_pFile == nullptr && fd >= 0) {
        close(fd);
        unlink(m_strPath.c_str());
    }
    m_bOwned = m_pFile != nullptr;
}

CMessageFile::~CMessageFile() {
    if (m_pFile != nullptr)
        std::fclose(m_pFile);
    if (m_bOwned && !m_bKept)
        unlink(m_strPath.c_str());
}

size_t CMessageFile::Write(char* data, size_t size, size_t count, void* self) {
    auto* file = static_cast<CMessageFile*>(self);
    if (std::fwrite(data, size, count, file->m_pFile) != count) {
        file->m_bFailed = true;
        return 0;
    }
    file->m_nBytes += static_cast<long long>(size * count);
    return size * count;
}

bool CMessageFile::Keep() {
    if (m_pFile == nullptr)
        return false;
    bool closed = std::fclose(m_pFile) == 0;
    m_pFile = nullptr;
    m_bKept = closed && !m_bFailed;
    return m_bKept;
}
