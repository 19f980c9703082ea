#pragma once
// What the in-place controls tell their owner list, and what the lists and the
// button bar tell their parent page.
//
// An in-place control reports a key, a click or a focus loss by sending a
// CCtrlMsgEvent (the "ipc_CtrlMsg" event type) synchronously to its owner; the
// record lives on the sender's stack for the duration of that call and the
// owner's answer says whether the sender should hide itself (non-zero: hide).
//
// At the end of an edit a list posts a CCommandEvent with ID_LIST_CHANGED to
// its parent window; nothing needs to handle it.

#include "res/resource.h" // ID_LIST_CHANGED

#include <QEvent>
#include <QPoint>
#include <cstdint>

class QObject;
class QWidget;

// CTRLMSGINFO::nCode
constexpr int CTRLMSG_KEY = 1;       // dwData: the key (VK_RETURN or VK_ESCAPE)
constexpr int CTRLMSG_BUTTON = 2;    // dwData: the button's control identifier
constexpr int CTRLMSG_KILLFOCUS = 3; // dwData: the widget that receives the focus, 0 for none

// Key codes carried by CTRLMSG_KEY.
constexpr std::uintptr_t VK_RETURN = 0x0D;
constexpr std::uintptr_t VK_ESCAPE = 0x1B;

// Control identifiers of a list's in-place controls.
constexpr int IDC_INPLACE_EDIT = 1;
constexpr int IDC_INPLACE_BUTTON = 2;

struct CTRLMSGINFO {
    QWidget* hwndFrom = nullptr; // the sending control (informational)
    int nCode = 0;               // CTRLMSG_*
    std::uintptr_t dwData = 0;   // see CTRLMSG_*; a widget travels as its address
    QPoint ptCursor;             // cursor position in global coordinates
};

// The event types, registered once on first use.
QEvent::Type CtrlMsgEventType();
QEvent::Type CommandEventType();

// Sends the notice synchronously to pOwner and returns its answer (0 when
// there is no owner or it did not answer).
long SendCtrlMsg(QObject* pOwner, CTRLMSGINFO& info);

// Posts command nId to pTarget; delivered later from the event loop.
void PostCommand(QObject* pTarget, int nId);

// A widget's address as CTRLMSGINFO::dwData carries it.
inline std::uintptr_t WidgetData(const QWidget* pWidget) {
    return reinterpret_cast<std::uintptr_t>(pWidget);
}
