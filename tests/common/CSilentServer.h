#pragma once
// A loopback port where connections are accepted (by the kernel, from the
// listen backlog) and never answered: the dead-server case that only
// time-outs end.

class CSilentServer {
public:
    CSilentServer();
    ~CSilentServer();
    CSilentServer(const CSilentServer&) = delete;
    CSilentServer& operator=(const CSilentServer&) = delete;

    int Port() const { return m_nPort; }

private:
    int m_hSocket = -1;
    int m_nPort = 0;
};
