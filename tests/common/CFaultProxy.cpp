#include "tests/common/CFaultProxy.h"

#include <algorithm>
#include <chrono>
#include <netinet/in.h>
#include <poll.h>
#include <string>
#include <sys/socket.h>
#include <unistd.h>
#include <vector>

struct CFaultProxy::CPair {
    int hClient = -1;
    int hServer = -1;
    EProxyFault fault = EProxyFault::None;
    std::size_t nFaultBytes = 0;
    std::size_t nDown = 0; // bytes the server sent so far
    bool bStalled = false;
    std::string strHeld; // trickling: bytes of the server not yet passed on
    std::chrono::steady_clock::time_point tNextByte;
};

namespace {

constexpr std::chrono::milliseconds kTrickleInterval{250};

int ListenOnLoopback(int& port) {
    int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
        listen(fd, 16) == 0 && getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) == 0)
        port = ntohs(address.sin_port);
    return fd;
}

int ConnectToLoopback(int port) {
    int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(static_cast<uint16_t>(port));
    if (connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        close(fd);
        return -1;
    }
    return fd;
}

bool SendAll(int fd, const char* data, std::size_t size) {
    while (size > 0) {
        ssize_t sent = send(fd, data, size, MSG_NOSIGNAL);
        if (sent <= 0)
            return false;
        data += sent;
        size -= static_cast<std::size_t>(sent);
    }
    return true;
}

void ClosePair(int& client, int& server) {
    if (client >= 0)
        close(client);
    if (server >= 0)
        close(server);
    client = server = -1;
}

} // namespace

CFaultProxy::CFaultProxy(int nTargetPort) : m_nTargetPort(nTargetPort) {
    m_hListen = ListenOnLoopback(m_nPort);
    if (pipe(m_hWake) != 0)
        m_hWake[0] = m_hWake[1] = -1;
    m_thread = std::thread([this] { Run(); });
}

CFaultProxy::~CFaultProxy() {
    if (m_hWake[1] >= 0 && write(m_hWake[1], "x", 1) != 1)
        close(m_hWake[1]);
    m_thread.join();
    for (int fd : {m_hListen, m_hWake[0], m_hWake[1]})
        if (fd >= 0)
            close(fd);
}

void CFaultProxy::SetFault(EProxyFault fault, std::size_t nBytes) {
    std::lock_guard lock(m_mutex);
    m_fault = fault;
    m_nFaultBytes = nBytes;
}

void CFaultProxy::Run() {
    std::vector<CPair> pairs;
    for (;;) {
        std::vector<pollfd> fds{{m_hWake[0], POLLIN, 0}, {m_hListen, POLLIN, 0}};
        for (const CPair& pair : pairs) {
            // A stalled pair reads from its server no longer: the client
            // waits for bytes that never come until it gives up.
            fds.push_back({pair.hClient, POLLIN, 0});
            fds.push_back({pair.hServer, static_cast<short>(pair.bStalled ? 0 : POLLIN), 0});
        }
        if (poll(fds.data(), fds.size(), Trickle(pairs)) < 0)
            continue;
        if (fds[0].revents != 0)
            break;
        std::vector<CPair> alive;
        for (std::size_t i = 0; i < pairs.size(); ++i) {
            CPair& pair = pairs[i];
            bool ok = true;
            if (fds[2 + 2 * i].revents != 0)
                ok = FromClient(pair);
            if (ok && !pair.bStalled && fds[3 + 2 * i].revents != 0)
                ok = FromServer(pair);
            if (ok)
                alive.push_back(pair);
        }
        pairs.swap(alive);
        if (fds[1].revents & POLLIN)
            Accept(pairs);
    }
    for (CPair& pair : pairs)
        ClosePair(pair.hClient, pair.hServer);
}

int CFaultProxy::Trickle(std::vector<CPair>& pairs) {
    auto now = std::chrono::steady_clock::now();
    int wait = -1;
    for (CPair& pair : pairs) {
        if (pair.strHeld.empty() || pair.hClient < 0)
            continue;
        if (now >= pair.tNextByte) {
            if (send(pair.hClient, pair.strHeld.data(), 1, MSG_NOSIGNAL) == 1)
                pair.strHeld.erase(0, 1);
            pair.tNextByte = now + kTrickleInterval;
        }
        auto due = std::chrono::duration_cast<std::chrono::milliseconds>(pair.tNextByte - now);
        wait = wait < 0 ? static_cast<int>(due.count())
                        : std::min(wait, static_cast<int>(due.count()));
    }
    return wait;
}

void CFaultProxy::Accept(std::vector<CPair>& pairs) {
    int client = accept4(m_hListen, nullptr, nullptr, SOCK_CLOEXEC);
    if (client < 0)
        return;
    ++m_nConnections;
    CPair pair;
    {
        std::lock_guard lock(m_mutex);
        pair.fault = m_fault;
        pair.nFaultBytes = m_nFaultBytes;
    }
    pair.hClient = client;
    if (pair.fault == EProxyFault::CloseAtOnce ||
        (pair.hServer = ConnectToLoopback(m_nTargetPort)) < 0) {
        ClosePair(pair.hClient, pair.hServer);
        return;
    }
    pairs.push_back(pair);
}

bool CFaultProxy::FromClient(CPair& pair) {
    char buffer[16384];
    ssize_t got = recv(pair.hClient, buffer, sizeof buffer, 0);
    if (got > 0 && pair.bStalled)
        return true; // swallowed, as by a server that hangs
    if (got <= 0 || !SendAll(pair.hServer, buffer, static_cast<std::size_t>(got))) {
        ClosePair(pair.hClient, pair.hServer);
        return false;
    }
    return true;
}

bool CFaultProxy::FromServer(CPair& pair) {
    char buffer[16384];
    ssize_t got = recv(pair.hServer, buffer, sizeof buffer, 0);
    if (got <= 0) {
        ClosePair(pair.hClient, pair.hServer);
        return false;
    }
    std::size_t size = static_cast<std::size_t>(got);
    std::size_t harmless =
        pair.nDown >= pair.nFaultBytes ? 0 : std::min(size, pair.nFaultBytes - pair.nDown);
    pair.nDown += size;
    if (pair.fault == EProxyFault::None || harmless == size)
        return SendAll(pair.hClient, buffer, size) ||
               (ClosePair(pair.hClient, pair.hServer), false);
    switch (pair.fault) {
    case EProxyFault::CutAfter:
        SendAll(pair.hClient, buffer, harmless);
        ClosePair(pair.hClient, pair.hServer);
        return false;
    case EProxyFault::StallAfter:
        SendAll(pair.hClient, buffer, harmless);
        pair.bStalled = true;
        return true;
    case EProxyFault::TrickleAfter:
        SendAll(pair.hClient, buffer, harmless);
        pair.strHeld.append(buffer + harmless, size - harmless);
        return true;
    case EProxyFault::CorruptAfter:
        for (std::size_t k = harmless; k < size; ++k)
            buffer[k] = static_cast<char>(buffer[k] ^ 0x5A);
        return SendAll(pair.hClient, buffer, size) ||
               (ClosePair(pair.hClient, pair.hServer), false);
    default:
        ClosePair(pair.hClient, pair.hServer);
        return false;
    }
}
