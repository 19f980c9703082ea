#include "tests/common/CSilentServer.h"

#include <fcntl.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

CSilentServer::CSilentServer() {
    m_hSocket = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (bind(m_hSocket, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
        listen(m_hSocket, 16) == 0 &&
        getsockname(m_hSocket, reinterpret_cast<sockaddr*>(&address), &length) == 0)
        m_nPort = ntohs(address.sin_port);
    fcntl(m_hSocket, F_SETFL, fcntl(m_hSocket, F_GETFL) | O_NONBLOCK);
}

int CSilentServer::ConnectionCount() {
    for (int client; (client = accept(m_hSocket, nullptr, nullptr)) >= 0;)
        m_clients.push_back(client);
    return static_cast<int>(m_clients.size());
}

CSilentServer::~CSilentServer() {
    for (int client : m_clients)
        close(client);
    if (m_hSocket >= 0)
        close(m_hSocket);
}
