#pragma once
// A strip of four image buttons, Add, Delete, Up and Down, that edits one
// CListBoxEx: the cells sit flush with the bar's right edge; the cell under
// the mouse is drawn raised, sunken while pressed; each has a tooltip. The
// action runs for the cell under the pointer when the button is released.
// From the keyboard, Left and Right choose a cell (framed while the bar has
// the focus) and Space or Enter runs its action. The signs and the tooltips
// are the bar's own.

#include <QImage>
#include <QPixmap>
#include <QWidget>
#include <array>

class CListBoxEx;

class CListButtonBar : public QWidget {
    Q_OBJECT
public:
    enum { CELL_ADD, CELL_DELETE, CELL_UP, CELL_DOWN, CELL_NONE };

    explicit CListButtonBar(QWidget* pParent = nullptr);

    // The list the buttons act on; set by the owner, not owned.
    CListBoxEx* m_pList = nullptr;

    // Cell (CELL_ADD .. CELL_DOWN) that contains a client point, or CELL_NONE.
    int HitTest(const QPoint& pt) const;
    QRect CellRect(int nCell) const { return m_arcCells.at(nCell); }
    int HotCell() const { return m_nHotCell; }
    int FocusCell() const { return m_nFocusCell; }
    bool IsPressed() const { return m_bPressed; }
    // Tooltip of a cell; empty for CELL_NONE.
    QString ToolTipText(int nCell) const;
    bool HasStripImage() const { return !m_bmStrip.isNull(); }

    QSize sizeHint() const override;

signals:
    // Delete, Up or Down changed the list (Add opens an edit, and the list
    // signals when that ends).
    void Changed();

protected:
    bool event(QEvent* pEvent) override;
    void paintEvent(QPaintEvent* pEvent) override;
    void resizeEvent(QResizeEvent* pEvent) override;
    void mouseMoveEvent(QMouseEvent* pEvent) override;
    void mousePressEvent(QMouseEvent* pEvent) override;
    void mouseReleaseEvent(QMouseEvent* pEvent) override;
    void leaveEvent(QEvent* pEvent) override;
    void keyPressEvent(QKeyEvent* pEvent) override;
    void focusInEvent(QFocusEvent* pEvent) override;
    void focusOutEvent(QFocusEvent* pEvent) override;
    void changeEvent(QEvent* pEvent) override;

private:
    void LoadStripImage();
    void MapStripColours();
    void Layout(int cx, int cy);
    int StripTop() const;
    void InvalidateCell(int nCell);
    void SetHotCell(int nCell);
    void PaintCellEdge(QPainter& painter, int nCell);
    void PaintFocusMark(QPainter& painter);
    void SetFocusCell(int nCell);
    void DoAction(int nCell);
    bool DeleteSelected();
    bool MoveSelectedUp();
    bool MoveSelectedDown();

    QImage m_imgStrip; // as loaded: light grey background, 16 colours
    QPixmap m_bmStrip; // with the grey of the current palette
    int m_nHotCell = CELL_NONE;
    int m_nFocusCell = CELL_ADD; // the cell Space and Enter act on
    bool m_bPressed = false;
    std::array<QRect, 4> m_arcCells;
};
