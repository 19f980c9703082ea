#include "engine/maillib/CDeadServerMemory.h"

CDeadServerMemory& CDeadServerMemory::Instance() {
    static CDeadServerMemory memory;
    return memory;
}

std::string CDeadServerMemory::RecentTimeout(const std::string& server) {
    std::lock_guard lock(m_mutex);
    auto found = m_entries.find(server);
    if (found == m_entries.end())
        return {};
    if (std::chrono::steady_clock::now() - found->second.tWhen > kMemory) {
        m_entries.erase(found);
        return {};
    }
    return found->second.strError;
}

void CDeadServerMemory::RememberTimeout(const std::string& server, const std::string& error) {
    std::lock_guard lock(m_mutex);
    m_entries[server] = CEntry{std::chrono::steady_clock::now(), error};
}

void CDeadServerMemory::Forget(const std::string& server) {
    std::lock_guard lock(m_mutex);
    m_entries.erase(server);
}
