#pragma once
// The editable list of the settings pages: one string per row, edited in
// place (double-click or F2; Enter or moving the focus away commits, Escape
// cancels), rows added through AddNewItem, removed with Delete, reordered by
// dragging or Alt+arrows, kept unique without regard to case. Signals
// Changed at the end of every edit. The highlighted row is the one the keys
// act on, however it was chosen (click or arrows).

#include "controls/CListBox.h"
#include <QPoint>
#include <QRect>
#include <QTimer>
#include <cstdint>

class CInPlaceEdit;

class CListBoxEx : public CListBox {
    Q_OBJECT
public:
    // The in-place edit is made here, once, hidden.
    explicit CListBoxEx(QWidget* pParent = nullptr);
    ~CListBoxEx() override;

    // Configuration that owners set after construction.
    bool m_bNoDuplicates = true; // a commit equal to another row (any case) is refused
    bool m_bFixedFirst = true;   // row 0 is locked for double-click, dragging and the bar
    bool m_bEditable = true;     // rows may be opened for editing
    bool m_bDragEnabled = true;  // rows may be dragged and moved with Alt+arrows

    // Byte limit of the editor (code page 932 bytes).
    void SetEditLimit(unsigned nMax);
    // Appends an empty row and opens it.
    void AddNewItem();
    void BeginEdit(int nItem);
    void EndEdit(bool bCancel);
    // Removes the row; the row that takes its place (or the new last row)
    // becomes the highlighted one, so Delete can be pressed again.
    void DeleteItemKeepingSelection(int nItem);
    int MoveItemUp(int nItem);
    int MoveItemDown(int nItem);
    void SwapItems(int nItem1, int nItem2);
    void SetItemText(int nItem, const std::string& strText);
    void ReplaceItem(int nItem, const std::string& strText, std::uintptr_t dwData);

    // State, read-only for owners and tests.
    // The row F2 and Delete act on: the highlighted row.
    int CurItem() const { return GetCurSel(); }
    int EditItem() const { return m_nEditItem; }
    CInPlaceEdit* Edit() const { return m_pEdit; }
    QRect EditRect() const { return m_rcEdit; }
    int InsertMarker() const { return m_nInsertMarker; }
    bool IsDragging() const { return m_bDragging; }

signals:
    // An edit ended (committed, cancelled, refused as a duplicate, or its
    // empty row removed).
    void Changed();

protected:
    // Extension points.
    virtual bool CanEditItem(int nItem);
    // For a commit (bCancel false), false turns it into a cancel.
    virtual bool OnEndEditItem(int nItem, bool bCancel);

    // Drag list behaviour.
    virtual bool BeginDrag(const QPoint& ptCursor);
    virtual void CancelDrag(const QPoint& ptCursor);
    virtual Qt::CursorShape Dragging(const QPoint& ptCursor);
    virtual void Dropped(int nSrcIndex, const QPoint& ptCursor);
    virtual void DrawInsert(int nItem);

    int MeasureItem(int nProposed) override;
    void DrawItem(QPainter& painter, const DRAWITEM& item) override;
    void PaintOverlay(QPainter& painter) override;

    void keyPressEvent(QKeyEvent* pEvent) override;
    void mousePressEvent(QMouseEvent* pEvent) override;
    void mouseMoveEvent(QMouseEvent* pEvent) override;
    void mouseReleaseEvent(QMouseEvent* pEvent) override;
    void mouseDoubleClickEvent(QMouseEvent* pEvent) override;
    void focusOutEvent(QFocusEvent* pEvent) override;

private:
    // The steps of a drag gesture, cursor in global coordinates.
    enum class EDragStep { Begin, Move, Drop, Cancel };
    // For Begin: whether the drag starts.
    bool OnDragStep(EDragStep step, const QPoint& ptCursor);
    void CreateInPlaceEdit();
    void CommitEdit();
    void OnSysKeyDown(int nKey);
    void OnKeyDown(int nKey);
    void SelectEditRowAfterEnd();
    bool IsDuplicateOfOtherRow(const std::string& strText) const;
    int DropItemFromPoint(const QPoint& ptCursor, bool bAutoScroll);
    void AutoScrollStep();
    void EndDragGesture();
    void DrawInsertMarker(int nItem);
    QRegion InsertMarkerRegion(int nItem) const;

    CInPlaceEdit* m_pEdit = nullptr; // child of the viewport, deleted with it
    QRect m_rcEdit;
    int m_nEditItem = -1; // row being edited, -1 when no edit is open

    // Dragging.
    int m_nInsertMarker = -1;    // row before which the marker is drawn
    bool m_bDetecting = false;   // pressed on a row, not yet moved far enough
    bool m_bDragging = false;    // drag accepted, marker follows the pointer
    bool m_bIgnoreMoves = false; // drag refused: the rest of this press does nothing
    QPoint m_ptPress;            // viewport point of the press
    QPoint m_ptLastCursor;       // global point of the last drag move
    QTimer m_tmAutoScroll;       // scrolls while the pointer is above or below
};
