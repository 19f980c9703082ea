#include "controls/ctrlmsg.h"
#include "controls/CCommandEvent.h"
#include "controls/CCtrlMsgEvent.h"
#include <QCoreApplication>

QEvent::Type CtrlMsgEventType() {
    static const auto type = static_cast<QEvent::Type>(QEvent::registerEventType());
    return type;
}

QEvent::Type CommandEventType() {
    static const auto type = static_cast<QEvent::Type>(QEvent::registerEventType());
    return type;
}

long SendCtrlMsg(QObject* pOwner, CTRLMSGINFO& info) {
    if (pOwner == nullptr)
        return 0;
    CCtrlMsgEvent event(info);
    QCoreApplication::sendEvent(pOwner, &event);
    return event.Result();
}

void PostCommand(QObject* pTarget, int nId) {
    if (pTarget != nullptr)
        QCoreApplication::postEvent(pTarget, new CCommandEvent(nId));
}
