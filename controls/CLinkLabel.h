#pragma once
// A label that is a link: its text is the target. It draws the text in its
// own colour and font (the desktop's default UI font, underlined on demand),
// shows its own cursor, and on a left click hands exactly its text to the
// desktop's "open" (a web address to the browser, mailto: to the mail
// program). Until the link is enabled it takes no mouse input at all: clicks
// and the cursor belong to whatever lies beneath.

#include <QCursor>
#include <QFont>
#include <QLabel>
#include <optional>

class CLinkLabel : public QLabel {
    Q_OBJECT
public:
    explicit CLinkLabel(QWidget* pParent = nullptr);
    ~CLinkLabel() override;

    // A colour reference as a Windows colour value is written: 0x00BBGGRR.
    static QColor ColorFromRef(unsigned colorRef);

    // Each setter returns the label, so calls can be chained.
    CLinkLabel& EnableLink(bool bEnable);
    // Stores the colour and repaints at once.
    CLinkLabel& SetLabelColor(const QColor& color);
    // Makes the font again with or without underline and repaints at once.
    CLinkLabel& SetUnderline(bool bUnderline);
    // The cursor shown over the label while the link is enabled; none: the
    // ordinary cursor.
    CLinkLabel& SetCursorHandle(std::optional<QCursor> cursor);

    bool IsLinkEnabled() const { return m_bLinkEnabled; }
    const QColor& GetLabelColor() const { return m_color; }
    const QFont& GetLabelFont() const { return m_font; }

protected:
    void paintEvent(QPaintEvent* pEvent) override;
    void mousePressEvent(QMouseEvent* pEvent) override;

private:
    void ApplyCursor();

    QColor m_color;
    QFont m_font;
    std::optional<QCursor> m_cursor;
    bool m_bLinkEnabled = false;
};
