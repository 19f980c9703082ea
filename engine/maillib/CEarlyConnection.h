#pragma once
// A connection to the receive server opened before the rest of the program is
// loaded. A mail server answers a new connection only after it has started a
// process for it, which takes several milliseconds; `quiben --once` spends
// that time loading its libraries instead of waiting after they are loaded.
//
// The program hands the connection to the mail library (Offer); the first
// connection libcurl opens to the same host, port and address takes it over
// instead of connecting again, provided it is connected and still open.
// Otherwise libcurl connects as always, so the early start never changes
// what a cycle does or reports.

#include <chrono>
#include <string>
#include <sys/socket.h>

class CServerAddress;

class CEarlyConnection {
public:
    CEarlyConnection() = default;
    CEarlyConnection(CEarlyConnection&& other) noexcept;
    CEarlyConnection& operator=(CEarlyConnection&& other) noexcept;
    ~CEarlyConnection();

    // Resolves the server's host and starts connecting to its first address
    // without waiting. An unusable address gives a connection that is not
    // started (IsStarted false).
    static CEarlyConnection Start(const CServerAddress& server);

    bool IsStarted() const { return m_nSocket >= 0; }

    // Hands the connection to this copy of the mail library; one replaces
    // an earlier one that was not taken.
    static void Offer(CEarlyConnection connection);

    // "host:port:address" for libcurl's resolve list while an offered
    // connection to host and port waits, so libcurl connects to the address
    // it connects to (no second name lookup); empty otherwise.
    static std::string ResolveEntry(const std::string& host, int port);

    // The offered socket when it connects to address: waits up to
    // connectSeconds for the connection to complete, then hands it over
    // (the caller owns it) when it connected and the server has not closed
    // it. -1 when there is none, it is another address, or it failed; an
    // unusable connection is closed.
    static int Take(const sockaddr* address, socklen_t addressLength, long connectSeconds);

    // Closes an offered connection nobody took.
    static void Drop();

private:
    void Close();
    bool IsUsable(long connectSeconds) const;

    int m_nSocket = -1; // non-blocking, close-on-exec
    std::string m_strHost;
    int m_nPort = 0;
    sockaddr_storage m_address{};
    socklen_t m_nAddressLength = 0;
    std::chrono::steady_clock::time_point m_started;
};
