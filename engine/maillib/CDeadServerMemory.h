#pragma once
// Remembers, for a short while, an SMTP server that let a connection time
// out. A cycle sends each passing message separately; without this memory a
// dead server would cost one full time-out per message, many minutes for a
// full mailbox. Within the memory the next send fails at once with the same
// error text. Refused connections cost nothing and are not remembered.

#include <chrono>
#include <map>
#include <mutex>
#include <string>

class CDeadServerMemory {
public:
    // Short enough that the next timer cycle (minutes later) tries again.
    static constexpr std::chrono::seconds kMemory{60};

    static CDeadServerMemory& Instance();

    // The error text of a recent time-out at server, empty when none.
    std::string RecentTimeout(const std::string& server);
    void RememberTimeout(const std::string& server, const std::string& error);
    void Forget(const std::string& server);

private:
    struct CEntry {
        std::chrono::steady_clock::time_point tWhen;
        std::string strError;
    };

    std::mutex m_mutex;
    std::map<std::string, CEntry> m_entries;
};
