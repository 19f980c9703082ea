#include "app/CInstanceChannel.h"

#include "app/OnceCycle.h"
#include "platform/CInstanceLock.h"

#include <QLocalSocket>
#include <sys/socket.h>
#include <unistd.h>

namespace {

constexpr char kActivate[] = "activate\n";
constexpr char kRunCycle[] = "run-cycle\n";
// Longer than any request: a peer that sends more is not one of us.
constexpr qint64 kMaxRequest = 32;

bool IsSameUser(const QLocalSocket& socket) {
    struct ucred peer {};
    socklen_t length = sizeof peer;
    return getsockopt(static_cast<int>(socket.socketDescriptor()), SOL_SOCKET, SO_PEERCRED, &peer,
                      &length) == 0 &&
           peer.uid == getuid();
}

} // namespace

QString CInstanceChannel::NameFor(const std::string& strAppDir) {
    const std::string key = CInstanceLock::FolderKey(strAppDir);
    if (key.empty())
        return QString();
    return QString::fromLatin1(kInstanceLockName) + '-' + QString::fromStdString(key);
}

CInstanceChannel::CInstanceChannel(Handler handler) : m_handler(std::move(handler)) {
    m_server.setSocketOptions(QLocalServer::AbstractNamespaceOption);
    connect(&m_server, &QLocalServer::newConnection, this, &CInstanceChannel::OnNewConnection);
}

CInstanceChannel::~CInstanceChannel() = default;

bool CInstanceChannel::Listen(const QString& strName) {
    return !strName.isEmpty() && m_server.listen(strName);
}

void CInstanceChannel::OnNewConnection() {
    while (QLocalSocket* pSocket = m_server.nextPendingConnection()) {
        connect(pSocket, &QLocalSocket::disconnected, pSocket, &QObject::deleteLater);
        if (!IsSameUser(*pSocket)) {
            pSocket->abort();
            continue;
        }
        connect(pSocket, &QLocalSocket::readyRead, this, [this, pSocket] { OnReadyRead(pSocket); });
    }
}

void CInstanceChannel::OnReadyRead(QLocalSocket* pSocket) {
    if (!pSocket->canReadLine()) {
        if (pSocket->bytesAvailable() > kMaxRequest)
            pSocket->abort();
        return;
    }
    const QByteArray request = pSocket->readLine(kMaxRequest);
    pSocket->disconnectFromServer();
    if (!m_handler)
        return;
    if (request == kActivate)
        m_handler(ERequest::Activate);
    else if (request == kRunCycle)
        m_handler(ERequest::RunCycle);
}

bool CInstanceChannel::Send(const QString& strName, ERequest request, int nTimeoutMs) {
    if (strName.isEmpty())
        return false;
    QLocalSocket socket;
    socket.setSocketOptions(QLocalSocket::AbstractNamespaceOption);
    socket.connectToServer(strName);
    if (!socket.waitForConnected(nTimeoutMs))
        return false;
    socket.write(request == ERequest::Activate ? kActivate : kRunCycle);
    const bool bSent = socket.waitForBytesWritten(nTimeoutMs);
    socket.disconnectFromServer();
    if (socket.state() != QLocalSocket::UnconnectedState)
        socket.waitForDisconnected(nTimeoutMs);
    return bSent;
}
