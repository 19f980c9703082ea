#include "controls/CInPlaceButton.h"
#include "controls/ctrlmsg.h"
#include <QApplication>
#include <QCursor>
#include <QKeyEvent>

CInPlaceButton::CInPlaceButton(const QString& strCaption, int nId, QWidget* pOwner,
                               QWidget* pParent)
    : QPushButton(strCaption, pParent != nullptr ? pParent : pOwner), m_hOwner(pOwner), m_nId(nId) {
    setObjectName(QStringLiteral("inplaceButton"));
    // Enter on the focused button clicks it, as it does any focused push
    // button of a dialog, rather than the dialog's default button.
    setAutoDefault(true);
    hide();
    connect(this, &QAbstractButton::clicked, this, &CInPlaceButton::OnClicked);
}

void CInPlaceButton::ShowAt(const QRect& rc) {
    if (isVisible() || rc.isEmpty())
        return;
    setGeometry(rc);
    raise();
    show();
    update();
}

void CInPlaceButton::Hide() {
    if (isHidden())
        return;
    // As CInPlaceEdit::Hide: the focus returns to the owner only when this
    // button holds it.
    m_bHiding = true;
    if (m_hOwner != nullptr && window()->focusWidget() == this)
        m_hOwner->setFocus(Qt::OtherFocusReason);
    hide();
    m_bHiding = false;
}

bool CInPlaceButton::event(QEvent* pEvent) {
    if (pEvent->type() == QEvent::ShortcutOverride &&
        static_cast<QKeyEvent*>(pEvent)->key() == Qt::Key_Escape) {
        pEvent->accept();
        return true;
    }
    return QPushButton::event(pEvent);
}

void CInPlaceButton::keyPressEvent(QKeyEvent* pEvent) {
    if (pEvent->key() != Qt::Key_Escape) {
        QPushButton::keyPressEvent(pEvent);
        return;
    }
    // Escape cancels the edit; the owner hides this button itself.
    pEvent->accept();
    CTRLMSGINFO info;
    info.hwndFrom = this;
    info.nCode = CTRLMSG_KEY;
    info.dwData = VK_ESCAPE;
    info.ptCursor = QCursor::pos();
    SendCtrlMsg(m_hOwner, info);
}

void CInPlaceButton::OnClicked() {
    CTRLMSGINFO info;
    info.hwndFrom = this;
    info.nCode = CTRLMSG_BUTTON;
    info.dwData = static_cast<std::uintptr_t>(m_nId);
    info.ptCursor = QCursor::pos();
    // While the owner handles the click it may move the focus (open a
    // dialog, say); that must not end the edit.
    m_bInClick = true;
    SendCtrlMsg(m_hOwner, info);
    m_bInClick = false;
}

void CInPlaceButton::focusOutEvent(QFocusEvent* pEvent) {
    if (isVisible() && !m_bInClick && !m_bHiding && pEvent->reason() != Qt::PopupFocusReason) {
        CTRLMSGINFO info;
        info.hwndFrom = this;
        info.nCode = CTRLMSG_KILLFOCUS;
        info.dwData = WidgetData(QApplication::focusWidget());
        info.ptCursor = QCursor::pos();
        if (SendCtrlMsg(m_hOwner, info) != 0)
            Hide();
    }
    QPushButton::focusOutEvent(pEvent);
}
