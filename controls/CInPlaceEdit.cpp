#include "controls/CInPlaceEdit.h"
#include "platform/codepage.h"
#include <QKeyEvent>
#include <QPainter>

namespace {

// The edit control's own limit when the owner sets none.
constexpr std::size_t kDefaultLimitBytes = 30000;

std::size_t Cp932Bytes(const QString& str) {
    return Utf8ToCp932(str.toStdString()).size();
}

// What code page 932 makes of the text: characters it cannot hold become '?'
// at once, so the user sees what will be stored.
QString AsCp932(const QString& str) {
    return QString::fromStdString(Cp932ToUtf8(Utf8ToCp932(str.toStdString())));
}

} // namespace

CInPlaceEdit::CInPlaceEdit(QWidget* pOwner, QWidget* pParent)
    : QLineEdit(pParent != nullptr ? pParent : pOwner), m_hOwner(pOwner),
      m_nLimitBytes(kDefaultLimitBytes) {
    setObjectName(QStringLiteral("inplaceEdit"));
    hide();
    // One pixel border of our own; QLineEdit adds a 2-pixel margin inside it,
    // which puts the text where the list draws its rows.
    setFrame(false);
    setTextMargins(1, 1, 1, 1);
    connect(this, &QLineEdit::textEdited, this, &CInPlaceEdit::OnTextEdited);
}

void CInPlaceEdit::ShowAt(const QRect& rc) {
    if (isVisible() || rc.isEmpty())
        return;
    setGeometry(rc);
    raise();
    show();
    selectAll();
    update();
    setFocus(Qt::OtherFocusReason);
}

void CInPlaceEdit::Hide() {
    if (isHidden())
        return;
    // The focus goes back to the owner, before hiding (a hidden focused
    // widget would pass it on to the next widget in the chain). When the
    // focus has already moved on (the user clicked into another control),
    // it stays where the user put it.
    m_bHiding = true;
    if (m_hOwner != nullptr && window()->focusWidget() == this)
        m_hOwner->setFocus(Qt::OtherFocusReason);
    hide();
    m_bHiding = false;
}

std::string CInPlaceEdit::GetWindowText() const {
    return Utf8ToCp932(text().toStdString());
}

void CInPlaceEdit::SetWindowText(const std::string& strText) {
    m_strLast = QString::fromStdString(Cp932ToUtf8(strText));
    setText(m_strLast);
}

void CInPlaceEdit::SetLimitText(std::size_t nMaxBytes) {
    m_nLimitBytes = nMaxBytes == 0 ? kDefaultLimitBytes : nMaxBytes;
}

bool CInPlaceEdit::IsEndKey(const QKeyEvent* pEvent) {
    const int key = pEvent->key();
    return key == Qt::Key_Escape || key == Qt::Key_Return || key == Qt::Key_Enter;
}

bool CInPlaceEdit::event(QEvent* pEvent) {
    // Claim Enter and Escape before any shortcut of the window sees them.
    if (pEvent->type() == QEvent::ShortcutOverride && IsEndKey(static_cast<QKeyEvent*>(pEvent))) {
        pEvent->accept();
        return true;
    }
    return QLineEdit::event(pEvent);
}

void CInPlaceEdit::keyPressEvent(QKeyEvent* pEvent) {
    if (!IsEndKey(pEvent)) {
        QLineEdit::keyPressEvent(pEvent);
        return;
    }
    pEvent->accept();
    if (pEvent->key() == Qt::Key_Escape)
        emit EscapePressed();
    else
        emit EnterPressed();
}

void CInPlaceEdit::focusOutEvent(QFocusEvent* pEvent) {
    // A pop-up (the edit's own context menu) does not end the edit, and a
    // hidden edit or one that is handing the focus away reports nothing.
    if (isVisible() && !m_bHiding && pEvent->reason() != Qt::PopupFocusReason)
        emit FocusLost();
    QLineEdit::focusOutEvent(pEvent);
}

void CInPlaceEdit::paintEvent(QPaintEvent* pEvent) {
    QLineEdit::paintEvent(pEvent);
    QPainter painter(this);
    painter.setPen(palette().color(QPalette::WindowText));
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
}

void CInPlaceEdit::OnTextEdited(const QString& strNew) {
    QString strFixed = AsCp932(strNew);
    // Replacement is per character, so the caret keeps its place.
    int nCursor = static_cast<int>(AsCp932(strNew.left(cursorPosition())).size());
    if (Cp932Bytes(strFixed) > m_nLimitBytes)
        strFixed = FitInsertion(m_strLast, strFixed, &nCursor);
    if (strFixed != strNew) {
        setText(strFixed);
        setCursorPosition(nCursor);
    }
    m_strLast = strFixed;
}

// Cuts what the user just inserted (typed, pasted, committed by the input
// method) so that the whole text fits the byte limit: the user sees at once
// what will be stored, and removing text is never refused.
QString CInPlaceEdit::FitInsertion(const QString& strOld, const QString& strNew,
                                   int* pCursor) const {
    int nPrefix = 0;
    const int nMax = std::min(strOld.size(), strNew.size());
    while (nPrefix < nMax && strOld[nPrefix] == strNew[nPrefix])
        ++nPrefix;
    int nSuffix = 0;
    while (nSuffix < nMax - nPrefix &&
           strOld[strOld.size() - 1 - nSuffix] == strNew[strNew.size() - 1 - nSuffix])
        ++nSuffix;
    const QString strHead = strNew.left(nPrefix);
    const QString strTail = strNew.right(nSuffix);
    const QString strInserted = strNew.mid(nPrefix, strNew.size() - nPrefix - nSuffix);
    const std::size_t nKept = Cp932Bytes(strHead) + Cp932Bytes(strTail);
    const std::size_t nRoom = nKept < m_nLimitBytes ? m_nLimitBytes - nKept : 0;
    const QString strFit = QString::fromStdString(
        Cp932ToUtf8(MbsTruncate(Utf8ToCp932(strInserted.toStdString()), nRoom)));
    *pCursor = static_cast<int>(strHead.size() + strFit.size());
    return strHead + strFit + strTail;
}
