#pragma once
// The editable list of the settings pages: one string per row, edited in
// place (double-click or F2; Enter or moving the focus away commits, Escape
// cancels), rows added through AddNewItem, removed with Delete, reordered by
// dragging or Alt+arrows, kept unique without regard to case. Posts
// ID_LIST_CHANGED to its parent at the end of every edit. The highlighted
// row is the one the keys act on, however it was chosen (click or arrows).

#include "controls/CListBox.h"
#include <QPoint>
#include <QRect>
#include <QTimer>
#include <cstdint>

class CInPlaceButton;
class CInPlaceEdit;
struct CTRLMSGINFO;

class CListBoxEx : public CListBox {
    Q_OBJECT
public:
    // Bit of m_dwEditStyle that gives the editor a "..." button.
    static constexpr std::uint32_t EDITSTYLE_BUTTON = 0x4000;

    // Drag-list notices (what the drag handling tells the list).
    enum { DL_BEGINDRAG = 0x485, DL_DRAGGING, DL_DROPPED, DL_CANCELDRAG };

    // The in-place controls are made here, once, hidden; dwEditStyle is
    // m_dwEditStyle at that moment. m_bLimitText and m_nTextLimit count only
    // then too, so owners limit the text with SetEditLimit afterwards.
    explicit CListBoxEx(QWidget* pParent = nullptr, std::uint32_t dwEditStyle = 0);

    // Configuration that owners set after construction.
    bool m_bNoDuplicates = true; // a commit equal to another row (any case) is refused
    bool m_bFixedFirst = true;   // row 0 is locked for double-click, dragging and the bar
    bool m_bLimitText = false;   // m_nTextLimit applies when the editor is made
    int m_nTextLimit = 255;
    std::uint32_t m_dwEditStyle = 0;
    bool m_bEditable = true;    // rows may be opened for editing
    bool m_bDragEnabled = true; // rows may be dragged and moved with Alt+arrows

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
    CInPlaceButton* Button() const { return m_pButton; }
    QRect EditRect() const { return m_rcEdit; }
    QRect ButtonRect() const { return m_rcButton; }
    int InsertMarker() const { return m_nInsertMarker; }
    bool IsDragging() const { return m_bDragging; }

    // A drag-list notice with the cursor in global coordinates; returns the
    // result that the drag handling acts on (for DL_BEGINDRAG: start or not).
    int OnDragListNotify(int nNotification, const QPoint& ptCursor);

protected:
    // Extension points.
    virtual bool CanEditItem(int nItem);
    // For a commit (bCancel false), false turns it into a cancel.
    virtual bool OnEndEditItem(int nItem, bool bCancel);
    virtual void OnItemButtonClick(int nItem);

    // Drag list behaviour.
    virtual bool BeginDrag(const QPoint& ptCursor);
    virtual void CancelDrag(const QPoint& ptCursor);
    virtual Qt::CursorShape Dragging(const QPoint& ptCursor);
    virtual void Dropped(int nSrcIndex, const QPoint& ptCursor);
    virtual void DrawInsert(int nItem);

    int MeasureItem(int nProposed) override;
    void DrawItem(QPainter& painter, const DRAWITEM& item) override;
    void PaintOverlay(QPainter& painter) override;

    // Answer to an in-place control's notice: non-zero tells it to hide.
    long OnCtrlMsg(const CTRLMSGINFO& info);

    bool event(QEvent* pEvent) override;
    void keyPressEvent(QKeyEvent* pEvent) override;
    void mousePressEvent(QMouseEvent* pEvent) override;
    void mouseMoveEvent(QMouseEvent* pEvent) override;
    void mouseReleaseEvent(QMouseEvent* pEvent) override;
    void mouseDoubleClickEvent(QMouseEvent* pEvent) override;
    void focusOutEvent(QFocusEvent* pEvent) override;

private:
    void CreateInPlaceControls();
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
    CInPlaceButton* m_pButton = nullptr; // only with EDITSTYLE_BUTTON
    QRect m_rcButton;
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
