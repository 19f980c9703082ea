#include "controls/CLinkLabel.h"

#include "dialog/ShellOpen.h"

#include <QApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QUrl>

CLinkLabel::CLinkLabel(QWidget* pParent)
    : QLabel(pParent), m_color(palette().color(QPalette::WindowText)),
      m_font(QApplication::font()) {
    // Mouse input passes through until the link is enabled.
    setAttribute(Qt::WA_TransparentForMouseEvents, true);
    setTextFormat(Qt::PlainText);
}

CLinkLabel::~CLinkLabel() = default;

QColor CLinkLabel::ColorFromRef(unsigned colorRef) {
    return QColor(colorRef & 0xFF, (colorRef >> 8) & 0xFF, (colorRef >> 16) & 0xFF);
}

CLinkLabel& CLinkLabel::EnableLink(bool bEnable) {
    m_bLinkEnabled = bEnable;
    setAttribute(Qt::WA_TransparentForMouseEvents, !bEnable);
    ApplyCursor();
    return *this;
}

CLinkLabel& CLinkLabel::SetLabelColor(const QColor& color) {
    m_color = color;
    repaint();
    return *this;
}

CLinkLabel& CLinkLabel::SetUnderline(bool bUnderline) {
    QFont font = m_font;
    font.setUnderline(bUnderline);
    m_font = font;
    repaint();
    return *this;
}

CLinkLabel& CLinkLabel::SetCursorHandle(std::optional<QCursor> cursor) {
    m_cursor = std::move(cursor);
    ApplyCursor();
    return *this;
}

void CLinkLabel::ApplyCursor() {
    if (m_bLinkEnabled && m_cursor)
        setCursor(*m_cursor);
    else
        unsetCursor();
}

void CLinkLabel::paintEvent(QPaintEvent*) {
    // The label's own font and colour, whatever font the dialog gave the
    // item; the background is the dialog's.
    QPainter painter(this);
    painter.setFont(m_font);
    painter.setPen(m_color);
    painter.drawText(contentsRect(), static_cast<int>(alignment()) | Qt::TextWordWrap, text());
}

void CLinkLabel::mousePressEvent(QMouseEvent* pEvent) {
    if (pEvent->button() == Qt::LeftButton) {
        // The text is the target, exactly as shown; a failure is not reported.
        QGuiApplication::setOverrideCursor(Qt::WaitCursor);
        ShellOpen(QUrl(text()));
        QGuiApplication::restoreOverrideCursor();
    }
    // An enabled link keeps its clicks: they do not reach the dialog beneath.
    pEvent->accept();
}
