#include "tests/maillib/CPop3Proxy.h"

#include <algorithm>
#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

int ConnectLoopback(int port) {
    int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (fd >= 0 && connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        close(fd);
        return -1;
    }
    return fd;
}

bool SendAll(int fd, const char* data, size_t size) {
    while (size > 0) {
        ssize_t n = send(fd, data, size, MSG_NOSIGNAL);
        if (n <= 0)
            return false;
        data += n;
        size -= static_cast<size_t>(n);
    }
    return true;
}

// Drops the STLS line of a CAPA reply, so the client stays on plain text.
std::string WithoutStartTls(std::string data) {
    for (size_t at; (at = data.find("\r\nSTLS\r\n")) != std::string::npos;)
        data.erase(at, 6);
    return data;
}

} // namespace

CPop3Proxy::CPop3Proxy(int upstreamPort) : m_nUpstreamPort(upstreamPort) {
    m_hListen = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (m_hListen < 0 || bind(m_hListen, reinterpret_cast<sockaddr*>(&address), length) != 0 ||
        listen(m_hListen, 8) != 0 ||
        getsockname(m_hListen, reinterpret_cast<sockaddr*>(&address), &length) != 0 ||
        pipe(m_hStop) != 0)
        return;
    m_nPort = ntohs(address.sin_port);
    m_thread = std::thread(&CPop3Proxy::Serve, this);
}

CPop3Proxy::~CPop3Proxy() {
    if (m_hStop[1] >= 0)
        (void)!write(m_hStop[1], "x", 1);
    if (m_thread.joinable())
        m_thread.join();
    for (int fd : {m_hListen, m_hStop[0], m_hStop[1]})
        if (fd >= 0)
            close(fd);
}

std::vector<std::string> CPop3Proxy::Commands() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_commands;
}

int CPop3Proxy::CountOf(const std::string& command) const {
    std::vector<std::string> commands = Commands();
    return static_cast<int>(std::count(commands.begin(), commands.end(), command));
}

void CPop3Proxy::ResetCounts() {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_commands.clear();
    m_nConnections = 0;
}

void CPop3Proxy::Serve() {
    pollfd fds[2] = {{m_hListen, POLLIN, 0}, {m_hStop[0], POLLIN, 0}};
    while (poll(fds, 2, -1) > 0 && (fds[1].revents & POLLIN) == 0) {
        int client = accept4(m_hListen, nullptr, nullptr, SOCK_CLOEXEC);
        if (client < 0)
            continue;
        ++m_nConnections;
        Relay(client);
        close(client);
    }
}

void CPop3Proxy::NoteClientBytes(const char* data, size_t size) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_strPendingLine.append(data, size);
    for (size_t end; (end = m_strPendingLine.find("\r\n")) != std::string::npos;) {
        std::string line = m_strPendingLine.substr(0, end);
        m_strPendingLine.erase(0, end + 2);
        std::string command = line.substr(0, line.find(' '));
        m_commands.push_back(command);
        m_bRetrieving = command == "RETR";
    }
}

void CPop3Proxy::Relay(int client) {
    int server = ConnectLoopback(m_nUpstreamPort);
    if (server < 0)
        return;
    long long relayedOfRetrieval = 0;
    char buffer[16384];
    pollfd fds[3] = {{client, POLLIN, 0}, {server, POLLIN, 0}, {m_hStop[0], POLLIN, 0}};
    while (poll(fds, 3, 30000) > 0 && (fds[2].revents & POLLIN) == 0) {
        if (fds[0].revents & (POLLIN | POLLHUP | POLLERR)) {
            ssize_t n = recv(client, buffer, sizeof buffer, 0);
            if (n <= 0)
                break;
            NoteClientBytes(buffer, static_cast<size_t>(n));
            relayedOfRetrieval = 0;
            if (!SendAll(server, buffer, static_cast<size_t>(n)))
                break;
        }
        if (fds[1].revents & (POLLIN | POLLHUP | POLLERR)) {
            ssize_t n = recv(server, buffer, sizeof buffer, 0);
            if (n <= 0)
                break;
            std::string data = WithoutStartTls(std::string(buffer, static_cast<size_t>(n)));
            bool retrieving = false;
            {
                std::lock_guard<std::mutex> lock(m_mutex);
                retrieving = m_bRetrieving;
            }
            long long cut = m_nCutAfter;
            if (retrieving && cut >= 0 &&
                relayedOfRetrieval + static_cast<long long>(data.size()) > cut) {
                // The line drops inside the message: what came so far, then nothing.
                SendAll(client, data.data(), static_cast<size_t>(cut - relayedOfRetrieval));
                m_nCutAfter = -1;
                break;
            }
            relayedOfRetrieval += static_cast<long long>(data.size());
            if (!SendAll(client, data.data(), data.size()))
                break;
        }
    }
    close(server);
}
