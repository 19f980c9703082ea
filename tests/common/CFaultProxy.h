#pragma once
// A loopback proxy in front of one of the test servers that can spoil the
// server's side of the conversation on purpose: cut the connection after a
// number of bytes, stall (stop forwarding, keep the connection open),
// trickle (pass the rest one byte every quarter second: never a stall, never
// an end), flip the bytes (a TLS handshake that cannot succeed), or close
// every new connection at once. The fault applies to connections accepted after it
// was set; without one the proxy forwards both ways unchanged.

#include <atomic>
#include <cstddef>
#include <mutex>
#include <thread>
#include <vector>

enum class EProxyFault { None, CutAfter, StallAfter, TrickleAfter, CorruptAfter, CloseAtOnce };

class CFaultProxy {
public:
    explicit CFaultProxy(int nTargetPort);
    ~CFaultProxy();
    CFaultProxy(const CFaultProxy&) = delete;
    CFaultProxy& operator=(const CFaultProxy&) = delete;

    int Port() const { return m_nPort; }

    // nBytes: how many bytes from the server reach the client unharmed.
    void SetFault(EProxyFault fault, std::size_t nBytes = 0);
    int ConnectionCount() const { return m_nConnections; }

private:
    struct CPair;
    void Run();
    void Accept(std::vector<CPair>& pairs);
    // Passes one held byte of each trickling pair that is due; false for a
    // pair whose client is gone. Returns the wait until the next is due.
    int Trickle(std::vector<CPair>& pairs);
    // false when the pair is finished and its sockets closed
    bool FromClient(CPair& pair);
    bool FromServer(CPair& pair);

    int m_nTargetPort;
    int m_hListen = -1;
    int m_hWake[2] = {-1, -1};
    int m_nPort = 0;
    std::mutex m_mutex;
    EProxyFault m_fault = EProxyFault::None;
    std::size_t m_nFaultBytes = 0;
    std::atomic<int> m_nConnections{0};
    std::thread m_thread;
};
