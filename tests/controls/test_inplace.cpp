// The in-place edit and button on their own, with an owner that records the
// notices and answers as told.
#include "ControlsHost.h"
#include "controls/CCtrlMsgEvent.h"
#include "controls/CInPlaceButton.h"
#include "controls/CInPlaceEdit.h"
#include <QApplication>
#include <QTest>
#include <functional>
#include <gtest/gtest.h>

namespace {

class COwner : public QWidget {
public:
    using QWidget::QWidget;
    std::vector<CTRLMSGINFO> m_vNotices;
    long m_nAnswer = 1;
    std::function<void(const CTRLMSGINFO&)> m_fnOnNotice;

protected:
    bool event(QEvent* pEvent) override {
        if (pEvent->type() != CtrlMsgEventType())
            return QWidget::event(pEvent);
        auto* pMsg = static_cast<CCtrlMsgEvent*>(pEvent);
        m_vNotices.push_back(pMsg->Info());
        if (m_fnOnNotice)
            m_fnOnNotice(pMsg->Info());
        pMsg->SetResult(m_nAnswer);
        return true;
    }
};

class InPlaceTest : public testing::Test {
protected:
    void SetUp() override {
        m_dialog.resize(300, 200);
        m_pOwner = new COwner(&m_dialog);
        m_pOwner->setGeometry(10, 10, 200, 150);
        m_pOwner->setFocusPolicy(Qt::StrongFocus);
        m_pEdit = new CInPlaceEdit(m_pOwner);
        m_pButton = new CInPlaceButton("...", 2, m_pOwner);
        m_pOk = new QPushButton("OK", &m_dialog);
        m_pOk->setGeometry(220, 160, 70, 28);
        m_pOk->setDefault(true);
        m_pOwner->setFocus();
        ASSERT_TRUE(ShowAndActivate(&m_dialog));
    }
    const CTRLMSGINFO& Last() { return m_pOwner->m_vNotices.back(); }

    QDialog m_dialog;
    COwner* m_pOwner;
    CInPlaceEdit* m_pEdit;
    CInPlaceButton* m_pButton;
    QPushButton* m_pOk;
};

TEST_F(InPlaceTest, ShowAtAndHide) {
    EXPECT_FALSE(m_pEdit->isVisible());
    m_pEdit->ShowAt(QRect());
    EXPECT_FALSE(m_pEdit->isVisible());
    m_pEdit->SetWindowText("hello");
    m_pEdit->ShowAt(QRect(5, 5, 100, 22));
    EXPECT_TRUE(m_pEdit->isVisible());
    EXPECT_EQ(QApplication::focusWidget(), m_pEdit);
    EXPECT_EQ(m_pEdit->selectedText(), "hello");
    // Already shown: not moved.
    m_pEdit->ShowAt(QRect(5, 50, 100, 22));
    EXPECT_EQ(m_pEdit->geometry(), QRect(5, 5, 100, 22));

    // The button shows without taking the focus.
    m_pButton->ShowAt(QRect(105, 5, 25, 22));
    EXPECT_TRUE(m_pButton->isVisible());
    EXPECT_EQ(QApplication::focusWidget(), m_pEdit);

    m_pEdit->Hide();
    EXPECT_FALSE(m_pEdit->isVisible());
    EXPECT_EQ(QApplication::focusWidget(), m_pOwner);
    // Hiding sends no focus notice.
    EXPECT_TRUE(m_pOwner->m_vNotices.empty());

    // Hide on a hidden control does not move the focus.
    auto* pOther = new QLineEdit(&m_dialog);
    pOther->show();
    pOther->setFocus();
    m_pEdit->Hide();
    EXPECT_EQ(QApplication::focusWidget(), pOther);
}

TEST_F(InPlaceTest, EnterAndEscapeGoToTheOwnerOnly) {
    m_pEdit->ShowAt(QRect(5, 5, 100, 22));
    m_pOwner->m_nAnswer = 0;
    PressKey(m_pEdit, Qt::Key_Return);
    ASSERT_EQ(m_pOwner->m_vNotices.size(), 1u);
    EXPECT_EQ(Last().nCode, CTRLMSG_KEY);
    EXPECT_EQ(Last().dwData, VK_RETURN);
    EXPECT_EQ(Last().hwndFrom, m_pEdit);
    // Answer 0: the edit stays; no line break was typed, OK was not pressed.
    EXPECT_TRUE(m_pEdit->isVisible());
    EXPECT_TRUE(m_pEdit->text().isEmpty());

    m_pOwner->m_nAnswer = 1;
    PressKey(m_pEdit, Qt::Key_Escape);
    EXPECT_EQ(Last().dwData, VK_ESCAPE);
    EXPECT_FALSE(m_pEdit->isVisible());
    EXPECT_TRUE(m_dialog.isVisible());
    EXPECT_FALSE(m_pOk->isDown());

    // Escape on the button: reported, the button does not hide itself.
    m_pButton->ShowAt(QRect(105, 5, 25, 22));
    m_pButton->setFocus();
    PressKey(m_pButton, Qt::Key_Escape);
    EXPECT_EQ(Last().hwndFrom, m_pButton);
    EXPECT_EQ(Last().nCode, CTRLMSG_KEY);
    EXPECT_EQ(Last().dwData, VK_ESCAPE);
    EXPECT_TRUE(m_pButton->isVisible());
    EXPECT_TRUE(m_dialog.isVisible());
}

TEST_F(InPlaceTest, FocusLossNamesTheNewFocusOrZero) {
    m_pEdit->ShowAt(QRect(5, 5, 100, 22));
    m_pButton->ShowAt(QRect(105, 5, 25, 22));
    m_pOwner->m_nAnswer = 0;
    m_pButton->setFocus();
    ASSERT_EQ(m_pOwner->m_vNotices.size(), 1u);
    EXPECT_EQ(Last().nCode, CTRLMSG_KILLFOCUS);
    EXPECT_EQ(Last().dwData, WidgetData(m_pButton));
    EXPECT_TRUE(m_pEdit->isVisible());

    // No window gains the focus: dwData 0, and answer 1 hides the sender.
    m_pOwner->m_nAnswer = 1;
    m_pButton->clearFocus();
    EXPECT_EQ(Last().hwndFrom, m_pButton);
    EXPECT_EQ(Last().dwData, 0u);
    EXPECT_FALSE(m_pButton->isVisible());
    m_pEdit->setFocus();
    m_pEdit->clearFocus();
    EXPECT_EQ(Last().hwndFrom, m_pEdit);
    EXPECT_EQ(Last().dwData, 0u);
    EXPECT_FALSE(m_pEdit->isVisible());
}

TEST_F(InPlaceTest, FocusMovedWhileTheClickIsHandledDoesNotEndTheEdit) {
    auto* pOther = new QLineEdit(&m_dialog);
    pOther->show();
    m_pButton->ShowAt(QRect(105, 5, 25, 22));
    m_pButton->setFocus();
    m_pOwner->m_vNotices.clear();
    // The owner's click handling opens something that takes the focus.
    m_pOwner->m_fnOnNotice = [&](const CTRLMSGINFO& info) {
        EXPECT_TRUE(m_pButton->InClick());
        if (info.nCode == CTRLMSG_BUTTON)
            pOther->setFocus();
    };
    QTest::mouseClick(m_pButton, Qt::LeftButton);
    ASSERT_EQ(m_pOwner->m_vNotices.size(), 1u);
    EXPECT_EQ(Last().nCode, CTRLMSG_BUTTON);
    EXPECT_EQ(Last().dwData, 2u);
    EXPECT_FALSE(m_pButton->InClick());
    EXPECT_TRUE(m_pButton->isVisible());
    EXPECT_EQ(QApplication::focusWidget(), pOther);
}

} // namespace
