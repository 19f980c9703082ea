#pragma once
// The "ipc_CtrlMsg" notice: an in-place control's record for its owner, and
// the owner's answer.

#include "controls/ctrlmsg.h"
#include <QEvent>

class CCtrlMsgEvent : public QEvent {
public:
    explicit CCtrlMsgEvent(CTRLMSGINFO& info) : QEvent(CtrlMsgEventType()), m_pInfo(&info) {}

    CTRLMSGINFO& Info() const { return *m_pInfo; }
    long Result() const { return m_nResult; }
    void SetResult(long nResult) { m_nResult = nResult; }

private:
    CTRLMSGINFO* m_pInfo;
    long m_nResult = 0;
};
