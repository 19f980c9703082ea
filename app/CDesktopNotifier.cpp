#include "app/CDesktopNotifier.h"

#include "res/strings.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCall>
#include <QStringList>
#include <QVariantMap>

namespace {

constexpr int kCallTimeoutMs = 3000;
constexpr uchar kUrgencyNormal = 1;

} // namespace

void CDesktopNotifier::OnCycleFinished(const CycleReport& report) {
    if (report.bSignInNeeded && !m_bSignInNeeded) {
        m_bFailing = true;
        Notify(QString::fromUtf8(healthtext::kSignInSummary),
               QString::fromStdString(report.strErrors), "dialog-password");
    }
    m_bSignInNeeded = report.bSignInNeeded;
    if (report.HadError() && !m_bFailing) {
        m_bFailing = true;
        Notify(QString::fromUtf8(healthtext::kFailingSummary),
               QString::fromStdString(report.strErrors), "dialog-warning");
    } else if (!report.HadError() && report.bSucceeded && m_bFailing) {
        // A cycle that ended early without an error (no forward-to address)
        // proves nothing either way.
        m_bFailing = false;
        Notify(QString::fromUtf8(healthtext::kRecoveredSummary),
               QString::fromUtf8(healthtext::kRecoveredBody), "mail-send");
    }
}

void CDesktopNotifier::Notify(const QString& strSummary, const QString& strBody,
                              const char* pszIcon) {
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        return;
    QDBusMessage message = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.Notifications"),
        QStringLiteral("/org/freedesktop/Notifications"),
        QStringLiteral("org.freedesktop.Notifications"), QStringLiteral("Notify"));
    const QVariantMap hints{{QStringLiteral("urgency"), QVariant::fromValue(kUrgencyNormal)}};
    // The body is markup to some servers: the error text goes as it is.
    QString body = strBody.toHtmlEscaped();
    message.setArguments({QString::fromUtf8(restext::kAppName), uint(0),
                          QString::fromLatin1(pszIcon), strSummary, body, QStringList(), hints,
                          int(-1)});
    // With no service the call ends at once with an error, which is dropped
    // like any answer.
    bus.asyncCall(message, kCallTimeoutMs);
}
