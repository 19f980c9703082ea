// The link label: its own colour and font, its cursor only while the link is
// enabled, and a click that hands exactly its text to the desktop's opener.
#include "controls/CLinkLabel.h"
#include "dialog/ShellOpen.h"

#include <QApplication>
#include <QPixmap>
#include <QTest>
#include <QWidget>
#include <gtest/gtest.h>

namespace {

// A parent window that counts the clicks reaching it.
class CClickCounter : public QWidget {
public:
    int m_nPresses = 0;

protected:
    void mousePressEvent(QMouseEvent*) override { ++m_nPresses; }
};

class CPaintCounter : public QObject {
public:
    int m_nPaints = 0;

protected:
    bool eventFilter(QObject*, QEvent* pEvent) override {
        if (pEvent->type() == QEvent::Paint)
            ++m_nPaints;
        return false;
    }
};

class LinkLabel : public ::testing::Test {
protected:
    void SetUp() override {
        m_previous = SetShellOpenHandler([this](const QUrl& url) {
            m_opened.push_back(url.toString());
            const QCursor* pOverride = QGuiApplication::overrideCursor();
            m_bWaitCursorWhileOpening = pOverride && pOverride->shape() == Qt::WaitCursor;
            return true;
        });
        m_parent.resize(300, 60);
        m_pLabel = new CLinkLabel(&m_parent);
        m_pLabel->setGeometry(10, 10, 250, 20);
        m_parent.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&m_parent));
    }
    void TearDown() override { SetShellOpenHandler(m_previous); }

    QCursor HandCursor() const {
        QPixmap image(32, 32);
        image.fill(Qt::black);
        return QCursor(image, 0, 0);
    }

    ShellOpenHandler m_previous;
    std::vector<QString> m_opened;
    bool m_bWaitCursorWhileOpening = false;
    CClickCounter m_parent;
    CLinkLabel* m_pLabel = nullptr;
};

TEST_F(LinkLabel, StartsAsPlainTextInDefaultUiFont) {
    EXPECT_FALSE(m_pLabel->IsLinkEnabled());
    EXPECT_EQ(m_pLabel->GetLabelFont().family(), QApplication::font().family());
    EXPECT_EQ(m_pLabel->GetLabelFont().pointSizeF(), QApplication::font().pointSizeF());
    EXPECT_FALSE(m_pLabel->GetLabelFont().underline());
    EXPECT_EQ(m_pLabel->GetLabelColor(), m_pLabel->palette().color(QPalette::WindowText));
}

TEST_F(LinkLabel, DisabledLinkLetsClicksAndCursorThrough) {
    m_pLabel->setText("https://example.com/");
    m_pLabel->SetCursorHandle(HandCursor());
    EXPECT_FALSE(m_pLabel->testAttribute(Qt::WA_SetCursor));
    QTest::mouseClick(&m_parent, Qt::LeftButton, {}, QPoint(20, 20));
    EXPECT_TRUE(m_opened.empty());
    EXPECT_EQ(m_parent.m_nPresses, 1);
}

TEST_F(LinkLabel, CursorShownOnlyWhileLinkEnabled) {
    m_pLabel->EnableLink(true);
    EXPECT_FALSE(m_pLabel->testAttribute(Qt::WA_SetCursor)); // no cursor given: the ordinary one
    m_pLabel->SetCursorHandle(HandCursor());
    ASSERT_TRUE(m_pLabel->testAttribute(Qt::WA_SetCursor));
    EXPECT_EQ(m_pLabel->cursor().shape(), Qt::BitmapCursor);
    EXPECT_EQ(m_pLabel->cursor().hotSpot(), QPoint(0, 0));
    m_pLabel->EnableLink(false);
    EXPECT_FALSE(m_pLabel->testAttribute(Qt::WA_SetCursor));
    m_pLabel->EnableLink(true).SetCursorHandle(std::nullopt);
    EXPECT_FALSE(m_pLabel->testAttribute(Qt::WA_SetCursor));
}

TEST_F(LinkLabel, ClickHandsExactTextToOpenerUnderWaitCursor) {
    m_pLabel->EnableLink(true);
    for (const char* text : {"mailto:qb@example.com", "https://example.org/path?q=1&r=2"}) {
        m_pLabel->setText(text);
        QTest::mouseClick(m_pLabel, Qt::LeftButton, {}, QPoint(5, 5));
        ASSERT_FALSE(m_opened.empty());
        EXPECT_EQ(m_opened.back(), QString(text));
        EXPECT_TRUE(m_bWaitCursorWhileOpening);
    }
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
    QTest::mouseClick(m_pLabel, Qt::RightButton, {}, QPoint(5, 5));
    EXPECT_EQ(m_opened.size(), 2u);
    EXPECT_EQ(m_parent.m_nPresses, 0);
}

TEST_F(LinkLabel, UnderlineOffAfterOnGivesPlainText) {
    m_pLabel->SetUnderline(true);
    EXPECT_TRUE(m_pLabel->GetLabelFont().underline());
    m_pLabel->SetUnderline(false);
    EXPECT_FALSE(m_pLabel->GetLabelFont().underline());
    EXPECT_EQ(m_pLabel->GetLabelFont().family(), QApplication::font().family());
}

TEST_F(LinkLabel, ColourRepaintsAtOnceAndReachesThePixels) {
    m_pLabel->setText("██████");
    CPaintCounter counter;
    m_pLabel->installEventFilter(&counter);
    m_pLabel->SetLabelColor(CLinkLabel::ColorFromRef(0x00FF0000));
    EXPECT_EQ(counter.m_nPaints, 1); // no event loop has run
    EXPECT_EQ(m_pLabel->GetLabelColor(), QColor(0, 0, 255));
    const QImage picture = m_pLabel->grab().toImage();
    bool bBlue = false;
    for (int y = 0; y < picture.height() && !bBlue; ++y)
        for (int x = 0; x < picture.width() && !bBlue; ++x)
            bBlue = picture.pixelColor(x, y) == QColor(0, 0, 255);
    EXPECT_TRUE(bBlue);
}

} // namespace
