#pragma once
// A posted command for a window, as a menu or a control sends one (for the
// lists: ID_LIST_CHANGED). Carries the command identifier only.

#include "controls/ctrlmsg.h"
#include <QEvent>

class CCommandEvent : public QEvent {
public:
    explicit CCommandEvent(int nId) : QEvent(CommandEventType()), m_nId(nId) {}

    int Id() const { return m_nId; }

private:
    int m_nId;
};
