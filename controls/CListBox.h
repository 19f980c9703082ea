#pragma once
// A single-selection, owner-drawn list of code page 932 strings with a data
// word per row: the list box that CListBoxEx builds on. Its methods are named
// after the list box messages of Windows (LB_ADDSTRING, LB_GETCURSEL ...) that
// the settings pages and the button bar use.
// It scrolls by whole rows and keeps its vertical scroll bar shown, disabled
// when every row fits. A ring shows when it has the keyboard focus; coming
// in with Tab makes the first row the highlighted one when none is.

#include <QAbstractScrollArea>
#include <cstdint>
#include <string>
#include <vector>

class CListBox : public QAbstractScrollArea {
    Q_OBJECT
public:
    static constexpr int LB_ERR = -1;

    explicit CListBox(QWidget* pParent = nullptr);

    // Rows. Indexes out of range give LB_ERR (or an empty text / data 0).
    int AddString(const std::string& strText);
    int InsertString(int nIndex, const std::string& strText); // -1 appends
    int DeleteString(int nIndex);                             // rows left
    void ResetContent();
    int GetCount() const { return static_cast<int>(m_vRows.size()); }
    std::string GetText(int nIndex) const;
    std::uintptr_t GetItemData(int nIndex) const;
    int SetItemData(int nIndex, std::uintptr_t dwData);

    // Selection: one row or none (-1). SetCurSel(-1) clears it; an index out
    // of range clears it too and gives LB_ERR.
    int GetCurSel() const { return m_nCurSel; }
    int SetCurSel(int nIndex);

    int GetTopIndex() const;
    void SetTopIndex(int nIndex);
    int GetItemHeight() const { return m_nItemHeight; }
    // Rectangle of a row in viewport coordinates; for nIndex == count, the
    // place where a row after the last one would be.
    QRect GetItemRect(int nIndex) const;
    // Row under a viewport point; -1 outside the rows.
    int ItemFromPoint(const QPoint& ptViewport) const;

    // Stops and restarts painting around a batch of changes.
    void SetRedraw(bool bRedraw);

signals:
    // The user changed the selection with the mouse or the keyboard.
    void SelChange();

protected:
    struct DRAWITEM {
        int nItem;    // the row, -1 for none
        QRect rcItem; // its rectangle in viewport coordinates
        bool bSelected;
        bool bFocus; // the list has the keyboard focus
    };

    // Row height from the proposed one (the font height plus 8 pixels).
    virtual int MeasureItem(int nProposed) { return nProposed; }
    virtual void DrawItem(QPainter& painter, const DRAWITEM& item);
    // Painted over the rows, last (drop markers and the like).
    virtual void PaintOverlay(QPainter& painter) { (void)painter; }
    // Shows that the control has the keyboard focus.
    void PaintFocusRing(QPainter& painter, const QRect& rc) const;

    void SelectByUser(int nIndex);
    void EnsureVisible(int nIndex);
    int FullyVisibleRows() const;
    void UpdateRowHeight();

    void paintEvent(QPaintEvent* pEvent) override;
    void keyPressEvent(QKeyEvent* pEvent) override;
    void mousePressEvent(QMouseEvent* pEvent) override;
    void mouseMoveEvent(QMouseEvent* pEvent) override;
    void mouseDoubleClickEvent(QMouseEvent* pEvent) override;
    void resizeEvent(QResizeEvent* pEvent) override;
    void scrollContentsBy(int dx, int dy) override;
    void changeEvent(QEvent* pEvent) override;
    void focusInEvent(QFocusEvent* pEvent) override;
    void focusOutEvent(QFocusEvent* pEvent) override;

private:
    struct Row {
        std::string strText;
        std::uintptr_t dwData = 0;
    };

    bool IsRow(int nIndex) const { return nIndex >= 0 && nIndex < GetCount(); }
    void UpdateScrollBar();
    void InvalidateRow(int nIndex);

    std::vector<Row> m_vRows;
    int m_nCurSel = -1;
    int m_nItemHeight = 16;
};
