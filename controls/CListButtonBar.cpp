#include "controls/CListButtonBar.h"
#include "controls/CListBoxEx.h"
#include <QHelpEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QToolTip>
#include <algorithm>

namespace {

constexpr int kCells = 4;
// The strip: 88 x 20 pixels, four 22-pixel cells, 16 colours on light grey.
constexpr int kStripWidth = 88;
constexpr int kStripHeight = 20;
constexpr int kStripCellWidth = 22;
constexpr const char* kToolTips[kCells] = {"追加", "削除", "上へ", "下へ"};

const QRgb kLightGrey = qRgb(192, 192, 192);
const QRgb kDarkGrey = qRgb(128, 128, 128);

} // namespace

CListButtonBar::CListButtonBar(QWidget* pParent) : QWidget(pParent) {
    setFocusPolicy(Qt::StrongFocus);
    setMouseTracking(true);
    // Every pixel is painted, and only the cells that change are repainted:
    // no erase, no flicker.
    setAttribute(Qt::WA_OpaquePaintEvent);
    LoadStripImage();
    Layout(width(), height());
}

// Q_INIT_RESOURCE declares a function, so it cannot sit in a namespace.
static void InitControlsResources() {
    Q_INIT_RESOURCE(controls);
}

// The strip is compiled into the program, never read from a file.
void CListButtonBar::LoadStripImage() {
    static const bool bRegistered = (InitControlsResources(), true);
    (void)bRegistered;
    m_imgStrip = QImage(QStringLiteral(":/controls/liststrip.bmp"));
    MapStripColours();
}

// Light grey becomes the button face colour and dark grey the shadow colour
// of the current palette, so the strip blends with the dialog.
void CListButtonBar::MapStripColours() {
    if (m_imgStrip.isNull()) {
        m_bmStrip = QPixmap();
        return;
    }
    QImage img = m_imgStrip;
    QList<QRgb> table = img.colorTable();
    for (QRgb& rgb : table) {
        if (rgb == kLightGrey)
            rgb = palette().color(QPalette::Button).rgb();
        else if (rgb == kDarkGrey)
            rgb = palette().color(QPalette::Dark).rgb();
    }
    img.setColorTable(table);
    m_bmStrip = QPixmap::fromImage(img);
}

QSize CListButtonBar::sizeHint() const {
    return QSize(kStripWidth + 2, kStripHeight);
}

int CListButtonBar::StripTop() const {
    return (height() - kStripHeight) / 2;
}

void CListButtonBar::Layout(int cx, int cy) {
    const int nTop = (cy - kStripHeight) / 2;
    for (int i = 0; i < kCells; ++i) {
        const int nLeft = cx - kStripWidth + kStripCellWidth * i;
        m_arcCells[i] = QRect(nLeft, nTop, kStripCellWidth, kStripHeight);
    }
}

int CListButtonBar::HitTest(const QPoint& pt) const {
    for (int i = 0; i < kCells; ++i)
        if (m_arcCells[i].contains(pt))
            return i;
    return CELL_NONE;
}

QString CListButtonBar::ToolTipText(int nCell) const {
    if (nCell < 0 || nCell >= kCells)
        return QString();
    return QString::fromUtf8(kToolTips[nCell]);
}

void CListButtonBar::InvalidateCell(int nCell) {
    if (nCell >= 0 && nCell < kCells)
        update(m_arcCells[nCell]);
}

void CListButtonBar::SetHotCell(int nCell) {
    if (nCell == m_nHotCell)
        return;
    InvalidateCell(m_nHotCell);
    m_nHotCell = nCell;
    InvalidateCell(m_nHotCell);
}

// Painting. Qt's backing store already buffers the widget, so the whole bar
// reaches the screen in one transfer.

void CListButtonBar::paintEvent(QPaintEvent* pEvent) {
    QPainter painter(this);
    painter.fillRect(pEvent->rect(), palette().color(QPalette::Button));
    painter.drawPixmap(width() - kStripWidth, StripTop(), m_bmStrip);
    if (m_nHotCell != CELL_NONE)
        PaintCellEdge(painter, m_nHotCell);
    if (hasFocus())
        PaintFocusMark(painter);
}

// A dotted frame just inside the cell that the keyboard acts on.
void CListButtonBar::PaintFocusMark(QPainter& painter) {
    painter.save();
    QPen pen(palette().color(QPalette::WindowText), 1, Qt::DotLine);
    painter.setPen(pen);
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(m_arcCells[m_nFocusCell].adjusted(2, 2, -3, -3));
    painter.restore();
}

// A one-pixel edge around the cell: raised when hot, sunken while pressed.
void CListButtonBar::PaintCellEdge(QPainter& painter, int nCell) {
    const QRect& rc = m_arcCells[nCell];
    const QColor clrLight = palette().color(QPalette::Light);
    const QColor clrShadow = palette().color(QPalette::Dark);
    const QColor& clrTopLeft = m_bPressed ? clrShadow : clrLight;
    const QColor& clrBottomRight = m_bPressed ? clrLight : clrShadow;
    painter.setPen(clrTopLeft);
    painter.drawLine(rc.topLeft(), rc.topRight());
    painter.drawLine(rc.topLeft(), rc.bottomLeft());
    painter.setPen(clrBottomRight);
    painter.drawLine(rc.bottomLeft(), rc.bottomRight());
    painter.drawLine(rc.topRight(), rc.bottomRight());
}

bool CListButtonBar::event(QEvent* pEvent) {
    if (pEvent->type() == QEvent::ToolTip) {
        auto* pHelp = static_cast<QHelpEvent*>(pEvent);
        const int nCell = HitTest(pHelp->pos());
        if (nCell != CELL_NONE) {
            // The tip goes away when the pointer leaves the cell.
            QToolTip::showText(pHelp->globalPos(), ToolTipText(nCell), this, m_arcCells[nCell]);
        } else {
            QToolTip::hideText();
            pEvent->ignore();
        }
        return true;
    }
    return QWidget::event(pEvent);
}

void CListButtonBar::resizeEvent(QResizeEvent* pEvent) {
    QWidget::resizeEvent(pEvent);
    Layout(width(), height());
    update();
}

void CListButtonBar::changeEvent(QEvent* pEvent) {
    QWidget::changeEvent(pEvent);
    if (pEvent->type() == QEvent::PaletteChange) {
        MapStripColours();
        update();
    }
}

// Mouse. While the button is held the hot cell follows the pointer; the
// action is the one of the cell under the pointer at release.

void CListButtonBar::mouseMoveEvent(QMouseEvent* pEvent) {
    SetHotCell(HitTest(pEvent->position().toPoint()));
}

void CListButtonBar::mousePressEvent(QMouseEvent* pEvent) {
    if (pEvent->button() != Qt::LeftButton)
        return;
    SetHotCell(HitTest(pEvent->position().toPoint()));
    if (m_nHotCell != CELL_NONE) {
        m_bPressed = true;
        InvalidateCell(m_nHotCell);
    }
}

void CListButtonBar::mouseReleaseEvent(QMouseEvent* pEvent) {
    if (pEvent->button() != Qt::LeftButton)
        return;
    const int nCell = HitTest(pEvent->position().toPoint());
    if (nCell == m_nHotCell && nCell != CELL_NONE)
        DoAction(nCell);
    m_bPressed = false;
    update();
    m_nHotCell = nCell;
}

void CListButtonBar::leaveEvent(QEvent* pEvent) {
    QWidget::leaveEvent(pEvent);
    InvalidateCell(m_nHotCell);
    m_nHotCell = CELL_NONE;
}

// Keyboard. The bar keeps the keys it uses, so Enter runs a cell's action
// instead of pressing the dialog's default button.

void CListButtonBar::keyPressEvent(QKeyEvent* pEvent) {
    switch (pEvent->key()) {
    case Qt::Key_Left:
        SetFocusCell(std::max(static_cast<int>(CELL_ADD), m_nFocusCell - 1));
        break;
    case Qt::Key_Right:
        SetFocusCell(std::min(static_cast<int>(CELL_DOWN), m_nFocusCell + 1));
        break;
    case Qt::Key_Space:
    case Qt::Key_Return:
    case Qt::Key_Enter:
        DoAction(m_nFocusCell);
        break;
    default:
        QWidget::keyPressEvent(pEvent);
        return;
    }
    pEvent->accept();
}

void CListButtonBar::SetFocusCell(int nCell) {
    InvalidateCell(m_nFocusCell);
    m_nFocusCell = nCell;
    InvalidateCell(m_nFocusCell);
}

void CListButtonBar::focusInEvent(QFocusEvent* pEvent) {
    QWidget::focusInEvent(pEvent);
    InvalidateCell(m_nFocusCell);
}

void CListButtonBar::focusOutEvent(QFocusEvent* pEvent) {
    QWidget::focusOutEvent(pEvent);
    InvalidateCell(m_nFocusCell);
}

// Actions. A refused action does nothing at all.

void CListButtonBar::DoAction(int nCell) {
    if (m_pList == nullptr)
        return;
    bool bChanged = false;
    switch (nCell) {
    case CELL_ADD:
        m_pList->AddNewItem(); // the list reports when the edit ends
        break;
    case CELL_DELETE:
        bChanged = DeleteSelected();
        break;
    case CELL_UP:
        bChanged = MoveSelectedUp();
        break;
    case CELL_DOWN:
        bChanged = MoveSelectedDown();
        break;
    default:
        break;
    }
    if (bChanged)
        emit Changed();
}

bool CListButtonBar::DeleteSelected() {
    const int nSel = m_pList->GetCurSel();
    if (nSel == -1 || (m_pList->m_bFixedFirst && nSel == 0))
        return false;
    m_pList->DeleteItemKeepingSelection(nSel);
    return true;
}

bool CListButtonBar::MoveSelectedUp() {
    const int nSel = m_pList->GetCurSel();
    if (nSel < 1 || (m_pList->m_bFixedFirst && nSel == 1))
        return false;
    m_pList->MoveItemUp(nSel);
    return true;
}

// Down on the last row changes nothing but still counts as done.
bool CListButtonBar::MoveSelectedDown() {
    const int nSel = m_pList->GetCurSel();
    if (nSel == -1 || (m_pList->m_bFixedFirst && nSel == 0))
        return false;
    m_pList->MoveItemDown(nSel);
    return true;
}
