#include "engine/maillib/CEarlyConnection.h"

#include "config/CServerAddress.h"

#include <arpa/inet.h>
#include <cerrno>
#include <cstring>
#include <mutex>
#include <netdb.h>
#include <netinet/in.h>
#include <poll.h>
#include <unistd.h>

namespace {

// A connection older than this is not taken over: servers drop a client that
// stays silent, and an older one has most likely waited for a sign-in.
constexpr std::chrono::seconds kMaxAge{10};

std::mutex g_mutex;
CEarlyConnection g_offered;

std::string NumericAddress(const sockaddr_storage& address) {
    char text[INET6_ADDRSTRLEN] = {};
    if (address.ss_family == AF_INET) {
        inet_ntop(AF_INET, &reinterpret_cast<const sockaddr_in&>(address).sin_addr, text,
                  sizeof text);
        return text;
    }
    inet_ntop(AF_INET6, &reinterpret_cast<const sockaddr_in6&>(address).sin6_addr, text,
              sizeof text);
    return std::string("[") + text + "]";
}

bool SameAddress(const sockaddr* address, socklen_t length, const sockaddr_storage& ours) {
    if (address->sa_family != ours.ss_family)
        return false;
    if (address->sa_family == AF_INET && length >= sizeof(sockaddr_in)) {
        const auto& a = *reinterpret_cast<const sockaddr_in*>(address);
        const auto& b = reinterpret_cast<const sockaddr_in&>(ours);
        return a.sin_port == b.sin_port && a.sin_addr.s_addr == b.sin_addr.s_addr;
    }
    if (address->sa_family == AF_INET6 && length >= sizeof(sockaddr_in6)) {
        const auto& a = *reinterpret_cast<const sockaddr_in6*>(address);
        const auto& b = reinterpret_cast<const sockaddr_in6&>(ours);
        return a.sin6_port == b.sin6_port && a.sin6_scope_id == b.sin6_scope_id &&
               std::memcmp(&a.sin6_addr, &b.sin6_addr, sizeof a.sin6_addr) == 0;
    }
    return false;
}

} // namespace

CEarlyConnection::CEarlyConnection(CEarlyConnection&& other) noexcept {
    *this = std::move(other);
}

CEarlyConnection& CEarlyConnection::operator=(CEarlyConnection&& other) noexcept {
    if (this != &other) {
        Close();
        m_nSocket = other.m_nSocket;
        m_strHost = std::move(other.m_strHost);
        m_nPort = other.m_nPort;
        m_address = other.m_address;
        m_started = other.m_started;
        other.m_nSocket = -1;
    }
    return *this;
}

CEarlyConnection::~CEarlyConnection() {
    Close();
}

void CEarlyConnection::Close() {
    if (m_nSocket >= 0)
        close(m_nSocket);
    m_nSocket = -1;
}

CEarlyConnection CEarlyConnection::Start(const CServerAddress& server) {
    CEarlyConnection connection;
    addrinfo hints{};
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_flags = AI_NUMERICSERV;
    addrinfo* found = nullptr;
    const std::string port = std::to_string(server.Port());
    if (server.Host().empty() || server.Port() <= 0 ||
        getaddrinfo(server.Host().c_str(), port.c_str(), &hints, &found) != 0)
        return connection;
    const addrinfo& first = *found;
    int fd = socket(first.ai_family, first.ai_socktype | SOCK_NONBLOCK | SOCK_CLOEXEC,
                    first.ai_protocol);
    if (fd >= 0 && first.ai_addrlen <= sizeof connection.m_address &&
        (connect(fd, first.ai_addr, first.ai_addrlen) == 0 || errno == EINPROGRESS)) {
        connection.m_nSocket = fd;
        connection.m_strHost = server.Host();
        connection.m_nPort = server.Port();
        std::memcpy(&connection.m_address, first.ai_addr, first.ai_addrlen);
        connection.m_started = std::chrono::steady_clock::now();
    } else if (fd >= 0) {
        close(fd);
    }
    freeaddrinfo(found);
    return connection;
}

void CEarlyConnection::Offer(CEarlyConnection connection) {
    std::lock_guard<std::mutex> lock(g_mutex);
    g_offered = std::move(connection);
}

std::string CEarlyConnection::ResolveEntry(const std::string& host, int port, long connectSeconds) {
    std::lock_guard<std::mutex> lock(g_mutex);
    if (!g_offered.IsStarted() || g_offered.m_strHost != host || g_offered.m_nPort != port)
        return {};
    // A link-local address's zone cannot be written into the resolve list.
    const bool bScoped = g_offered.m_address.ss_family == AF_INET6 &&
                         reinterpret_cast<const sockaddr_in6&>(g_offered.m_address).sin6_scope_id;
    if (bScoped || !g_offered.IsUsable(connectSeconds)) {
        g_offered = CEarlyConnection();
        return {};
    }
    return host + ":" + std::to_string(port) + ":" + NumericAddress(g_offered.m_address);
}

// Connected, no error, and the server has not hung up (a server that timed
// the silent client out).
bool CEarlyConnection::IsUsable(long connectSeconds) const {
    if (std::chrono::steady_clock::now() - m_started > kMaxAge)
        return false;
    pollfd wait{m_nSocket, POLLOUT, 0};
    int ready;
    do
        ready = poll(&wait, 1, static_cast<int>(connectSeconds * 1000));
    while (ready < 0 && errno == EINTR);
    int error = 0;
    socklen_t length = sizeof error;
    if (ready <= 0 || getsockopt(m_nSocket, SOL_SOCKET, SO_ERROR, &error, &length) != 0 ||
        error != 0)
        return false;
    pollfd state{m_nSocket, POLLRDHUP, 0};
    return poll(&state, 1, 0) == 0;
}

int CEarlyConnection::Take(const sockaddr* address, socklen_t addressLength) {
    std::lock_guard<std::mutex> lock(g_mutex);
    if (!g_offered.IsStarted() || !SameAddress(address, addressLength, g_offered.m_address))
        return -1;
    CEarlyConnection taken = std::move(g_offered);
    if (!taken.IsUsable(0))
        return -1; // closed with taken
    int fd = taken.m_nSocket;
    taken.m_nSocket = -1;
    return fd;
}

void CEarlyConnection::Drop() {
    std::lock_guard<std::mutex> lock(g_mutex);
    g_offered = CEarlyConnection();
}
