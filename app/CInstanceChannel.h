#pragma once
// How a second start reaches the running copy: a local socket named after
// the instance lock and the locked program folder. A second start on the
// same folder asks, through it, for the window to come to the front, and
// then ends. The socket lives in the abstract namespace, so it needs no
// file and is found whatever XDG_RUNTIME_DIR or TMPDIR say; only processes
// of the same user are heard.

#include <QLocalServer>
#include <QObject>
#include <QString>
#include <functional>
#include <string>

class QLocalSocket;

class CInstanceChannel : public QObject {
    Q_OBJECT
public:
    enum class ERequest {
        Activate, // bring the window to the front
        RunCycle  // ID_RUN_CYCLE_NOW: one forwarding cycle at once
    };
    using Handler = std::function<void(ERequest)>;

    // The channel's name for a program folder; empty when the folder cannot
    // be examined.
    static QString NameFor(const std::string& strAppDir);

    explicit CInstanceChannel(Handler handler);
    ~CInstanceChannel() override;

    bool Listen(const QString& strName);

    // Hands a request to the copy listening on strName; true when it was
    // delivered.
    static bool Send(const QString& strName, ERequest request, int nTimeoutMs = 2000);

private:
    void OnNewConnection();
    void OnReadyRead(QLocalSocket* pSocket);

    QLocalServer m_server;
    Handler m_handler;
};
