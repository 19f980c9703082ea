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

    // "host:port:address" for libcurl's resolve list when the offered
    // connection goes to host and port and has connected (waiting up to
    // connectSeconds), so that libcurl opens its connection to that address
    // and takes it over, with no second name lookup. Empty otherwise: a
    // connection that failed is closed, and libcurl tries every address of
    // the host itself.
    static std::string ResolveEntry(const std::string& host, int port, long connectSeconds);

    // The offered socket when it goes to address and is still usable; the
    // caller owns it. -1 otherwise.
    static int Take(const sockaddr* address, socklen_t addressLength);

    // Closes an offered connection nobody took.
    static void Drop();

private:
    void Close();
    bool IsUsable(long connectSeconds) const;

    int m_nSocket = -1; // non-blocking, close-on-exec
    std::string m_strHost;
    int m_nPort = 0;
    sockaddr_storage m_address{};
    std::chrono::steady_clock::time_point m_started;
};
