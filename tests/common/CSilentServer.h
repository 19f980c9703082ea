#pragma once
// A loopback port where connections are accepted (by the kernel, from the
// listen backlog) and never answered: the dead-server case that only
// time-outs end.

#include <vector>

class CSilentServer {
public:
    CSilentServer();
    ~CSilentServer();
    CSilentServer(const CSilentServer&) = delete;
    CSilentServer& operator=(const CSilentServer&) = delete;

    int Port() const { return m_nPort; }

    // How many clients have connected so far (they are taken from the
    // backlog and kept open, still unanswered).
    int ConnectionCount();

private:
    int m_hSocket = -1;
    std::vector<int> m_clients;
    int m_nPort = 0;
};
