#include "controls/CListBoxEx.h"
#include "controls/CInPlaceEdit.h"
#include "platform/codepage.h"
#include <QApplication>
#include <QKeyEvent>
#include <QPainter>
#include <QScrollBar>
#include <algorithm>

namespace {

// Selected rows take the active window caption's colour of the classic
// desktop scheme, not the highlight colour, with the highlight text colour.
const QColor kActiveCaption(10, 36, 106);

constexpr int kTextIndent = 8;     // drawn text, and edited text, start here
constexpr int kEditInset = 5;      // editor's distance from the row's sides
constexpr int kEditOverhang = 2;   // editor reaches above and below its row
constexpr int kAutoScrollMs = 100; // one row per tick while dragging outside

QRect FromLTRB(int l, int t, int r, int b) {
    return QRect(l, t, r - l, b - t);
}

} // namespace

CListBoxEx::CListBoxEx(QWidget* pParent) : CListBox(pParent) {
    UpdateRowHeight();
    CreateInPlaceEdit();
    m_tmAutoScroll.setInterval(kAutoScrollMs);
    connect(&m_tmAutoScroll, &QTimer::timeout, this, &CListBoxEx::AutoScrollStep);
}

// The editor outlives this part of the list (it is the viewport's child); a
// focus change while the rest of the list is torn down must not reach it.
CListBoxEx::~CListBoxEx() {
    m_pEdit->disconnect(this);
}

void CListBoxEx::CreateInPlaceEdit() {
    m_pEdit = new CInPlaceEdit(this, viewport());
    m_pEdit->setFont(font());
    // Enter and the focus going elsewhere commit; Escape cancels.
    connect(m_pEdit, &CInPlaceEdit::EnterPressed, this, &CListBoxEx::CommitEdit);
    connect(m_pEdit, &CInPlaceEdit::FocusLost, this, &CListBoxEx::CommitEdit);
    connect(m_pEdit, &CInPlaceEdit::EscapePressed, this, [this] {
        OnEndEditItem(m_nEditItem, true);
        EndEdit(true);
    });
}

void CListBoxEx::CommitEdit() {
    EndEdit(!OnEndEditItem(m_nEditItem, false));
}

void CListBoxEx::SetEditLimit(unsigned nMax) {
    if (m_pEdit != nullptr)
        m_pEdit->SetLimitText(nMax);
}

void CListBoxEx::AddNewItem() {
    BeginEdit(GetCount());
}

void CListBoxEx::BeginEdit(int nItem) {
    if (!m_bEditable || m_nEditItem != -1 || nItem < 0)
        return;
    if (nItem > GetCount() - 1)
        nItem = AddString(std::string());
    SetCurSel(nItem);
    m_nEditItem = nItem;

    m_rcEdit = GetItemRect(nItem).adjusted(kEditInset, -kEditOverhang, -kEditInset, kEditOverhang);
    m_pEdit->SetWindowText(GetText(nItem));
    m_pEdit->ShowAt(m_rcEdit);
}

void CListBoxEx::EndEdit(bool bCancel) {
    // Entered from the editor's own focus handling too; a second call for
    // the same edit finds it closed.
    if (m_nEditItem == -1)
        return;
    m_pEdit->Hide();

    const std::string strText = TrimWhite(m_pEdit->GetWindowText());
    if (strText.empty()) {
        DeleteString(m_nEditItem);
        SelectEditRowAfterEnd();
    } else if (!bCancel) {
        if (!m_bNoDuplicates || !IsDuplicateOfOtherRow(strText))
            SetItemText(m_nEditItem, strText);
        else if (GetText(m_nEditItem).empty())
            DeleteString(m_nEditItem); // a new row whose text is refused
        SelectEditRowAfterEnd();
    } else if (GetText(m_nEditItem).empty()) {
        // Cancelling a new row after typing into it: the row was never
        // committed, so it goes rather than stay as an invisible empty entry
        // (an empty rule would match every mail).
        DeleteString(m_nEditItem);
        SelectEditRowAfterEnd();
    }

    m_nEditItem = -1;
    viewport()->update();
    emit Changed();
}

void CListBoxEx::SelectEditRowAfterEnd() {
    if (GetCount() == 0)
        return;
    m_nEditItem = std::min(m_nEditItem, GetCount() - 1);
    SetCurSel(m_nEditItem);
}

bool CListBoxEx::IsDuplicateOfOtherRow(const std::string& strText) const {
    for (int n = 0; n < GetCount(); ++n)
        if (n != m_nEditItem && MbsICmp(GetText(n), strText) == 0)
            return true;
    return false;
}

void CListBoxEx::DeleteItemKeepingSelection(int nItem) {
    if (DeleteString(nItem) == LB_ERR)
        return;
    const int nCount = GetCount();
    if (nCount != 0)
        SetCurSel(nItem < nCount ? nItem : nCount - 1);
}

int CListBoxEx::MoveItemUp(int nItem) {
    if (nItem > 0 && nItem < GetCount()) {
        SwapItems(nItem, nItem - 1);
        SetCurSel(nItem - 1);
    }
    return nItem;
}

int CListBoxEx::MoveItemDown(int nItem) {
    if (nItem >= 0 && nItem < GetCount() - 1) {
        SwapItems(nItem, nItem + 1);
        SetCurSel(nItem + 1);
    }
    return nItem;
}

void CListBoxEx::SwapItems(int nItem1, int nItem2) {
    if (nItem1 == nItem2 || nItem1 < 0 || nItem2 < 0 || nItem1 >= GetCount() ||
        nItem2 >= GetCount())
        return;
    const int nLow = std::min(nItem1, nItem2), nHigh = std::max(nItem1, nItem2);
    const std::string strLow = GetText(nLow), strHigh = GetText(nHigh);
    const std::uintptr_t dwLow = GetItemData(nLow), dwHigh = GetItemData(nHigh);
    ReplaceItem(nLow, strHigh, dwHigh);
    ReplaceItem(nHigh, strLow, dwLow);
}

void CListBoxEx::SetItemText(int nItem, const std::string& strText) {
    ReplaceItem(nItem, strText, GetItemData(nItem));
}

void CListBoxEx::ReplaceItem(int nItem, const std::string& strText, std::uintptr_t dwData) {
    if (nItem < 0 || nItem >= GetCount())
        return;
    // Delete and insert paint once.
    SetRedraw(false);
    DeleteString(nItem);
    InsertString(nItem, strText);
    SetItemData(nItem, dwData);
    SetRedraw(true);
}

bool CListBoxEx::CanEditItem(int nItem) {
    (void)nItem;
    return true;
}

bool CListBoxEx::OnEndEditItem(int nItem, bool bCancel) {
    (void)nItem;
    (void)bCancel;
    return true;
}

// Drawing.

int CListBoxEx::MeasureItem(int nProposed) {
    return nProposed - 4;
}

void CListBoxEx::DrawItem(QPainter& painter, const DRAWITEM& item) {
    if (item.nItem == -1)
        return;
    const QPalette& pal = palette();
    painter.fillRect(item.rcItem, item.bSelected ? kActiveCaption : pal.color(QPalette::Base));
    painter.setPen(pal.color(item.bSelected ? QPalette::HighlightedText : QPalette::Text));
    // Entries are addresses and words: an '&' is a character like any other.
    painter.drawText(item.rcItem.adjusted(kTextIndent, 0, 0, 0),
                     Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine,
                     QString::fromStdString(Cp932ToUtf8(GetText(item.nItem))));
    if (item.bSelected) {
        // A dotted focus rectangle that inverts what is under it.
        QPen pen(Qt::white, 0, Qt::DotLine);
        painter.setPen(pen);
        painter.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
        painter.drawRect(item.rcItem.adjusted(0, 0, -1, -1));
    }
}

void CListBoxEx::PaintOverlay(QPainter& painter) {
    if (m_nInsertMarker == -1)
        return;
    painter.save();
    painter.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
    for (const QRect& rc : InsertMarkerRegion(m_nInsertMarker))
        painter.fillRect(rc, QBrush(Qt::white, Qt::Dense4Pattern));
    painter.restore();
}

// Keyboard.

void CListBoxEx::keyPressEvent(QKeyEvent* pEvent) {
    const int nKey = pEvent->key();
    if (m_bDragging && nKey == Qt::Key_Escape) {
        OnDragStep(EDragStep::Cancel, QCursor::pos());
        EndDragGesture();
        pEvent->accept();
        return;
    }
    if (pEvent->modifiers() & Qt::AltModifier) {
        OnSysKeyDown(nKey);
        CListBox::keyPressEvent(pEvent);
        return;
    }
    CListBox::keyPressEvent(pEvent);
    if (nKey == Qt::Key_F2 || nKey == Qt::Key_Delete) {
        OnKeyDown(nKey);
        pEvent->accept();
    }
}

void CListBoxEx::OnKeyDown(int nKey) {
    const int nItem = CurItem();
    if (nItem == -1)
        return;
    if (nKey == Qt::Key_F2 && m_bEditable && CanEditItem(nItem))
        BeginEdit(nItem);
    else if (nKey == Qt::Key_Delete)
        DeleteItemKeepingSelection(nItem); // the parent is not told
}

void CListBoxEx::OnSysKeyDown(int nKey) {
    if (!m_bDragEnabled)
        return;
    if (nKey == Qt::Key_Left || nKey == Qt::Key_Up)
        MoveItemUp(GetCurSel());
    else if (nKey == Qt::Key_Right || nKey == Qt::Key_Down)
        MoveItemDown(GetCurSel());
}

// Mouse.

void CListBoxEx::mousePressEvent(QMouseEvent* pEvent) {
    if (m_bDragging) {
        // Any other button during a drag cancels it.
        OnDragStep(EDragStep::Cancel, pEvent->globalPosition().toPoint());
        EndDragGesture();
        m_bIgnoreMoves = true;
        return;
    }
    if (pEvent->button() != Qt::LeftButton) {
        CListBox::mousePressEvent(pEvent);
        return;
    }
    const QPoint pt = pEvent->position().toPoint();
    const int nItem = ItemFromPoint(pt);
    CListBox::mousePressEvent(pEvent);
    m_bDetecting = nItem != -1;
    m_bIgnoreMoves = false;
    m_ptPress = pt;
}

void CListBoxEx::mouseMoveEvent(QMouseEvent* pEvent) {
    const QPoint ptGlobal = pEvent->globalPosition().toPoint();
    if (m_bDragging) {
        OnDragStep(EDragStep::Move, ptGlobal);
        return;
    }
    if (m_bIgnoreMoves || !(pEvent->buttons() & Qt::LeftButton))
        return;
    if (!m_bDetecting) {
        CListBox::mouseMoveEvent(pEvent);
        return;
    }
    if ((pEvent->position().toPoint() - m_ptPress).manhattanLength() <
        QApplication::startDragDistance())
        return;
    m_bDetecting = false;
    if (!OnDragStep(EDragStep::Begin, ptGlobal)) {
        m_bIgnoreMoves = true;
        return;
    }
    m_bDragging = true;
    OnDragStep(EDragStep::Move, ptGlobal);
}

void CListBoxEx::mouseReleaseEvent(QMouseEvent* pEvent) {
    if (m_bDragging && pEvent->button() == Qt::LeftButton)
        OnDragStep(EDragStep::Drop, pEvent->globalPosition().toPoint());
    if (!(pEvent->buttons() & Qt::LeftButton))
        EndDragGesture();
}

void CListBoxEx::mouseDoubleClickEvent(QMouseEvent* pEvent) {
    CListBox::mouseDoubleClickEvent(pEvent);
    if (pEvent->button() != Qt::LeftButton || !m_bEditable)
        return;
    const int nItem = ItemFromPoint(pEvent->position().toPoint());
    if (nItem == -1 || (m_bFixedFirst && nItem == 0))
        return;
    if (CanEditItem(nItem))
        BeginEdit(nItem);
}

void CListBoxEx::focusOutEvent(QFocusEvent* pEvent) {
    if (m_bDragging) {
        OnDragStep(EDragStep::Cancel, QCursor::pos());
        EndDragGesture();
    }
    CListBox::focusOutEvent(pEvent);
}

// Dragging.

bool CListBoxEx::OnDragStep(EDragStep step, const QPoint& ptCursor) {
    if (m_nEditItem != -1 || !m_bDragEnabled)
        return false;
    switch (step) {
    case EDragStep::Begin:
        return BeginDrag(ptCursor);
    case EDragStep::Move:
        Dragging(ptCursor);
        break;
    case EDragStep::Drop:
        if (m_bFixedFirst && (GetCurSel() == 0 || DropItemFromPoint(ptCursor, true) == 0))
            CancelDrag(ptCursor);
        else
            Dropped(GetCurSel(), ptCursor);
        break;
    case EDragStep::Cancel:
        CancelDrag(ptCursor);
        break;
    }
    return false;
}

bool CListBoxEx::BeginDrag(const QPoint& ptCursor) {
    (void)ptCursor;
    return true;
}

void CListBoxEx::CancelDrag(const QPoint& ptCursor) {
    (void)ptCursor;
    DrawInsert(-1);
}

Qt::CursorShape CListBoxEx::Dragging(const QPoint& ptCursor) {
    const int nItem = DropItemFromPoint(ptCursor, true);
    DrawInsert(nItem);
    const Qt::CursorShape shape = nItem != -1 ? Qt::DragMoveCursor : Qt::ForbiddenCursor;
    viewport()->setCursor(shape);
    return shape;
}

void CListBoxEx::Dropped(int nSrcIndex, const QPoint& ptCursor) {
    DrawInsert(-1);
    int nDest = DropItemFromPoint(ptCursor, false);
    // Dropping a row just before itself or just after itself moves nothing.
    if (nSrcIndex < 0 || nSrcIndex >= GetCount() || nDest == -1 || nDest == nSrcIndex ||
        nDest == nSrcIndex + 1)
        return;
    const std::string strText = GetText(nSrcIndex);
    const std::uintptr_t dwData = GetItemData(nSrcIndex);
    SetRedraw(false);
    DeleteString(nSrcIndex);
    if (nSrcIndex < nDest)
        --nDest;
    InsertString(nDest, strText);
    SetItemData(nDest, dwData);
    SetRedraw(true);
    SetCurSel(nDest);
}

// Row before which a drop at ptCursor (global) lands: a row, the row count
// for the empty space below the last row (so a row can go to the end), -1
// outside the list. Above or below the list it scrolls when asked.
int CListBoxEx::DropItemFromPoint(const QPoint& ptCursor, bool bAutoScroll) {
    const QPoint pt = viewport()->mapFromGlobal(ptCursor);
    const QRect rcClient = viewport()->rect();
    m_ptLastCursor = ptCursor;
    if (rcClient.contains(pt)) {
        m_tmAutoScroll.stop();
        const int nItem = GetTopIndex() + pt.y() / GetItemHeight();
        return std::min(nItem, GetCount());
    }
    if (bAutoScroll && pt.x() >= rcClient.left() && pt.x() <= rcClient.right()) {
        if (!m_tmAutoScroll.isActive())
            m_tmAutoScroll.start();
    } else {
        m_tmAutoScroll.stop();
    }
    return -1;
}

void CListBoxEx::AutoScrollStep() {
    if (!m_bDragging) {
        m_tmAutoScroll.stop();
        return;
    }
    const QPoint pt = viewport()->mapFromGlobal(m_ptLastCursor);
    SetTopIndex(GetTopIndex() + (pt.y() < 0 ? -1 : 1));
    DrawInsert(-1);
}

void CListBoxEx::EndDragGesture() {
    m_tmAutoScroll.stop();
    if (m_nInsertMarker != -1)
        DrawInsert(-1);
    if (m_bDragging)
        viewport()->unsetCursor();
    m_bDragging = false;
    m_bDetecting = false;
}

void CListBoxEx::DrawInsert(int nItem) {
    if (nItem == m_nInsertMarker)
        return;
    DrawInsertMarker(m_nInsertMarker);
    DrawInsertMarker(nItem);
    m_nInsertMarker = nItem;
}

// The marker is painted over the rows (PaintOverlay); toggling it here means
// repainting where it was or will be.
void CListBoxEx::DrawInsertMarker(int nItem) {
    if (nItem != -1)
        viewport()->update(InsertMarkerRegion(nItem));
}

// A 4-pixel bar across the row's top edge with a 3 by 12 cap at each end.
QRegion CListBoxEx::InsertMarkerRegion(int nItem) const {
    const QRect rc = GetItemRect(nItem);
    const int l = rc.left(), t = rc.top(), r = rc.left() + rc.width();
    QRegion region(FromLTRB(l + 5, t - 2, r - 5, t + 2));
    region += FromLTRB(l + 2, t - 6, l + 5, t + 6);
    region += FromLTRB(r - 5, t - 6, r - 2, t + 6);
    return region;
}
