#pragma once
// A loopback relay between the mail library and the test Dovecot that sees
// the POP3 dialogue: it counts connections and commands, hides STARTTLS so
// the dialogue stays readable, and can cut the connection part-way through
// a message, as a line that drops does.

#include <atomic>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

class CPop3Proxy {
public:
    explicit CPop3Proxy(int upstreamPort);
    ~CPop3Proxy();
    CPop3Proxy(const CPop3Proxy&) = delete;
    CPop3Proxy& operator=(const CPop3Proxy&) = delete;

    int Port() const { return m_nPort; }
    std::string Server() const { return "127.0.0.1:" + std::to_string(m_nPort); }

    // The next RETR reply is cut after this many bytes (once).
    void CutNextRetrievalAfter(long long bytes) { m_nCutAfter = bytes; }

    int Connections() const { return m_nConnections; }
    // Commands the client sent, first word only ("USER", "LIST", "RETR").
    std::vector<std::string> Commands() const;
    int CountOf(const std::string& command) const;
    void ResetCounts();

private:
    void Serve();
    void Relay(int client);
    void NoteClientBytes(const char* data, size_t size);

    int m_hListen = -1;
    int m_nPort = 0;
    int m_nUpstreamPort = 0;
    int m_hStop[2] = {-1, -1};
    std::atomic<int> m_nConnections{0};
    std::atomic<long long> m_nCutAfter{-1};
    mutable std::mutex m_mutex;
    std::vector<std::string> m_commands;
    std::string m_strPendingLine;
    bool m_bRetrieving = false;
    std::thread m_thread;
};
