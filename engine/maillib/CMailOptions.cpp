#include "engine/maillib/CMailOptions.h"

#include <algorithm>

CMailOptions& CMailOptions::Instance() {
    static CMailOptions options;
    return options;
}

void CMailOptions::SetCaFile(std::string path) {
    std::lock_guard lock(m_mutex);
    m_strCaFile = std::move(path);
}

std::string CMailOptions::CaFile() const {
    std::lock_guard lock(m_mutex);
    return m_strCaFile;
}

void CMailOptions::SetTimeouts(long connectSeconds, long stallSeconds) {
    std::lock_guard lock(m_mutex);
    m_nConnectSeconds = std::max(1L, connectSeconds);
    m_nStallSeconds = std::max(1L, stallSeconds);
}

long CMailOptions::ConnectSeconds() const {
    std::lock_guard lock(m_mutex);
    return m_nConnectSeconds;
}

long CMailOptions::StallSeconds() const {
    std::lock_guard lock(m_mutex);
    return m_nStallSeconds;
}

void CMailOptions::SetTransferBound(long baseSeconds, long kilobytesPerSecond) {
    std::lock_guard lock(m_mutex);
    m_nTransferBaseSeconds = std::max(1L, baseSeconds);
    m_nTransferKilobytesPerSecond = std::max(1L, kilobytesPerSecond);
}

long CMailOptions::TransferSeconds(long long nBytes) const {
    std::lock_guard lock(m_mutex);
    long long perSecond = 1024LL * m_nTransferKilobytesPerSecond;
    return m_nTransferBaseSeconds + static_cast<long>(std::max(0LL, nBytes) / perSecond);
}
