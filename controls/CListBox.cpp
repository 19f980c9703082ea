#include "controls/CListBox.h"
#include "platform/codepage.h"
#include <QKeyEvent>
#include <QPainter>
#include <QScrollBar>
#include <algorithm>

CListBox::CListBox(QWidget* pParent) : QAbstractScrollArea(pParent) {
    setFocusPolicy(Qt::StrongFocus);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
    viewport()->setBackgroundRole(QPalette::Base);
    verticalScrollBar()->setSingleStep(1);
    UpdateRowHeight();
}

int CListBox::AddString(const std::string& strText) {
    return InsertString(-1, strText);
}

int CListBox::InsertString(int nIndex, const std::string& strText) {
    if (nIndex == -1)
        nIndex = GetCount();
    if (nIndex < 0 || nIndex > GetCount())
        return LB_ERR;
    m_vRows.insert(m_vRows.begin() + nIndex, Row{strText, 0});
    if (m_nCurSel >= nIndex)
        ++m_nCurSel;
    UpdateScrollBar();
    viewport()->update();
    return nIndex;
}

int CListBox::DeleteString(int nIndex) {
    if (!IsRow(nIndex))
        return LB_ERR;
    m_vRows.erase(m_vRows.begin() + nIndex);
    // The selected row goes with its selection; rows below move up.
    if (m_nCurSel == nIndex)
        m_nCurSel = -1;
    else if (m_nCurSel > nIndex)
        --m_nCurSel;
    UpdateScrollBar();
    viewport()->update();
    return GetCount();
}

void CListBox::ResetContent() {
    m_vRows.clear();
    m_nCurSel = -1;
    UpdateScrollBar();
    viewport()->update();
}

std::string CListBox::GetText(int nIndex) const {
    return IsRow(nIndex) ? m_vRows[nIndex].strText : std::string();
}

std::uintptr_t CListBox::GetItemData(int nIndex) const {
    return IsRow(nIndex) ? m_vRows[nIndex].dwData : 0;
}

int CListBox::SetItemData(int nIndex, std::uintptr_t dwData) {
    if (!IsRow(nIndex))
        return LB_ERR;
    m_vRows[nIndex].dwData = dwData;
    return 0;
}

int CListBox::SetCurSel(int nIndex) {
    const int nOld = m_nCurSel;
    m_nCurSel = IsRow(nIndex) ? nIndex : -1;
    if (nOld != m_nCurSel) {
        InvalidateRow(nOld);
        InvalidateRow(m_nCurSel);
    }
    EnsureVisible(m_nCurSel);
    return nIndex == -1 || IsRow(nIndex) ? m_nCurSel : LB_ERR;
}

int CListBox::GetTopIndex() const {
    return verticalScrollBar()->value();
}

void CListBox::SetTopIndex(int nIndex) {
    verticalScrollBar()->setValue(nIndex);
}

QRect CListBox::GetItemRect(int nIndex) const {
    const int nTop = (nIndex - GetTopIndex()) * m_nItemHeight;
    return QRect(0, nTop, viewport()->width(), m_nItemHeight);
}

int CListBox::ItemFromPoint(const QPoint& ptViewport) const {
    if (!viewport()->rect().contains(ptViewport))
        return -1;
    const int nIndex = GetTopIndex() + ptViewport.y() / m_nItemHeight;
    return IsRow(nIndex) ? nIndex : -1;
}

void CListBox::SetRedraw(bool bRedraw) {
    viewport()->setUpdatesEnabled(bRedraw);
}

void CListBox::DrawItem(QPainter& painter, const DRAWITEM& item) {
    const bool bSel = item.bSelected;
    painter.fillRect(item.rcItem, palette().color(bSel ? QPalette::Highlight : QPalette::Base));
    painter.setPen(palette().color(bSel ? QPalette::HighlightedText : QPalette::Text));
    painter.drawText(item.rcItem.adjusted(2, 0, 0, 0), Qt::AlignVCenter | Qt::TextSingleLine,
                     QString::fromStdString(Cp932ToUtf8(GetText(item.nItem))));
}

// The user's selection: scrolled into view and reported.
void CListBox::SelectByUser(int nIndex) {
    if (!IsRow(nIndex))
        return;
    const bool bChanged = nIndex != m_nCurSel;
    SetCurSel(nIndex);
    if (bChanged)
        emit SelChange();
}

void CListBox::EnsureVisible(int nIndex) {
    if (!IsRow(nIndex))
        return;
    const int nTop = GetTopIndex();
    const int nRows = std::max(1, FullyVisibleRows());
    if (nIndex < nTop)
        SetTopIndex(nIndex);
    else if (nIndex >= nTop + nRows)
        SetTopIndex(nIndex - nRows + 1);
}

int CListBox::FullyVisibleRows() const {
    return viewport()->height() / m_nItemHeight;
}

void CListBox::UpdateRowHeight() {
    m_nItemHeight = std::max(1, MeasureItem(fontMetrics().height() + 8));
    UpdateScrollBar();
    viewport()->update();
}

void CListBox::UpdateScrollBar() {
    QScrollBar* pBar = verticalScrollBar();
    const int nRows = std::max(1, FullyVisibleRows());
    pBar->setRange(0, std::max(0, GetCount() - nRows));
    pBar->setPageStep(nRows);
    pBar->setEnabled(pBar->maximum() > 0);
}

void CListBox::InvalidateRow(int nIndex) {
    if (IsRow(nIndex))
        viewport()->update(GetItemRect(nIndex));
}

void CListBox::paintEvent(QPaintEvent* pEvent) {
    QPainter painter(viewport());
    painter.fillRect(pEvent->rect(), palette().color(QPalette::Base));
    const int nFirst = GetTopIndex() + std::max(0, pEvent->rect().top()) / m_nItemHeight;
    for (int n = nFirst; n < GetCount(); ++n) {
        const QRect rc = GetItemRect(n);
        if (rc.top() > pEvent->rect().bottom())
            break;
        painter.save();
        DrawItem(painter, DRAWITEM{n, rc, n == m_nCurSel, hasFocus()});
        painter.restore();
    }
    PaintOverlay(painter);
    if (hasFocus())
        PaintFocusRing(painter, viewport()->rect());
}

// A ring in the highlight colour inside the edge: the keyboard is here.
void CListBox::PaintFocusRing(QPainter& painter, const QRect& rc) const {
    painter.save();
    painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(palette().color(QPalette::Highlight), 2));
    painter.drawRect(QRectF(rc).adjusted(1, 1, -1, -1));
    painter.restore();
}

void CListBox::keyPressEvent(QKeyEvent* pEvent) {
    // Keys with Alt belong to the dialog (mnemonics) or to a subclass.
    if (pEvent->modifiers() & Qt::AltModifier) {
        pEvent->ignore();
        return;
    }
    const int nSel = m_nCurSel;
    const int nPage = std::max(1, FullyVisibleRows() - 1);
    int nNew;
    switch (pEvent->key()) {
    case Qt::Key_Up:
    case Qt::Key_Left:
        nNew = nSel < 0 ? 0 : nSel - 1;
        break;
    case Qt::Key_Down:
    case Qt::Key_Right:
        nNew = nSel < 0 ? 0 : nSel + 1;
        break;
    case Qt::Key_PageUp:
        nNew = nSel < 0 ? 0 : nSel - nPage;
        break;
    case Qt::Key_PageDown:
        nNew = nSel < 0 ? 0 : nSel + nPage;
        break;
    case Qt::Key_Home:
        nNew = 0;
        break;
    case Qt::Key_End:
        nNew = GetCount() - 1;
        break;
    default:
        pEvent->ignore();
        return;
    }
    if (GetCount() > 0)
        SelectByUser(std::clamp(nNew, 0, GetCount() - 1));
    pEvent->accept();
}

void CListBox::mousePressEvent(QMouseEvent* pEvent) {
    if (pEvent->button() == Qt::LeftButton)
        SelectByUser(ItemFromPoint(pEvent->position().toPoint()));
}

void CListBox::mouseMoveEvent(QMouseEvent* pEvent) {
    // With the button held the selection follows the pointer.
    if (pEvent->buttons() & Qt::LeftButton)
        SelectByUser(ItemFromPoint(pEvent->position().toPoint()));
}

void CListBox::mouseDoubleClickEvent(QMouseEvent* pEvent) {
    if (pEvent->button() == Qt::LeftButton)
        SelectByUser(ItemFromPoint(pEvent->position().toPoint()));
}

void CListBox::resizeEvent(QResizeEvent* pEvent) {
    QAbstractScrollArea::resizeEvent(pEvent);
    UpdateScrollBar();
}

void CListBox::scrollContentsBy(int dx, int dy) {
    (void)dx;
    // Moves the pixels and the child widgets (an open in-place editor) alike.
    viewport()->scroll(0, dy * m_nItemHeight);
    if (hasFocus())
        viewport()->update(); // the focus ring stays at the edge
}

void CListBox::changeEvent(QEvent* pEvent) {
    QAbstractScrollArea::changeEvent(pEvent);
    if (pEvent->type() == QEvent::FontChange)
        UpdateRowHeight();
}

void CListBox::focusInEvent(QFocusEvent* pEvent) {
    QAbstractScrollArea::focusInEvent(pEvent);
    // Arriving by the keyboard, the user needs a row that the keys act on.
    const bool bByKeyboard =
        pEvent->reason() == Qt::TabFocusReason || pEvent->reason() == Qt::BacktabFocusReason;
    if (bByKeyboard && m_nCurSel == -1)
        SelectByUser(0);
    viewport()->update();
}

void CListBox::focusOutEvent(QFocusEvent* pEvent) {
    QAbstractScrollArea::focusOutEvent(pEvent);
    viewport()->update();
}
