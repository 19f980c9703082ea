// The in-place edit on its own: where it shows, where the focus goes, and
// what it tells its owner.
#include "ControlsHost.h"
#include "controls/CInPlaceEdit.h"
#include <QApplication>
#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>

namespace {

class InPlaceTest : public testing::Test {
protected:
    void SetUp() override {
        m_dialog.resize(300, 200);
        m_pOwner = new QWidget(&m_dialog);
        m_pOwner->setGeometry(10, 10, 200, 150);
        m_pOwner->setFocusPolicy(Qt::StrongFocus);
        m_pEdit = new CInPlaceEdit(m_pOwner);
        m_pOk = new QPushButton("OK", &m_dialog);
        m_pOk->setGeometry(220, 160, 70, 28);
        m_pOk->setDefault(true);
        m_pOwner->setFocus();
        ASSERT_TRUE(ShowAndActivate(&m_dialog));
    }

    QDialog m_dialog;
    QWidget* m_pOwner;
    CInPlaceEdit* m_pEdit;
    QPushButton* m_pOk;
};

TEST_F(InPlaceTest, ShowAtAndHide) {
    QSignalSpy lost(m_pEdit, &CInPlaceEdit::FocusLost);
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

    m_pEdit->Hide();
    EXPECT_FALSE(m_pEdit->isVisible());
    EXPECT_EQ(QApplication::focusWidget(), m_pOwner);
    // Hiding tells of no focus loss.
    EXPECT_EQ(lost.count(), 0);

    // Hide on a hidden control does not move the focus.
    auto* pOther = new QLineEdit(&m_dialog);
    pOther->show();
    pOther->setFocus();
    m_pEdit->Hide();
    EXPECT_EQ(QApplication::focusWidget(), pOther);
}

TEST_F(InPlaceTest, EnterAndEscapeGoToTheOwnerOnly) {
    QSignalSpy enter(m_pEdit, &CInPlaceEdit::EnterPressed);
    QSignalSpy escape(m_pEdit, &CInPlaceEdit::EscapePressed);
    m_pEdit->ShowAt(QRect(5, 5, 100, 22));
    PressKey(m_pEdit, Qt::Key_Return);
    EXPECT_EQ(enter.count(), 1);
    EXPECT_EQ(escape.count(), 0);
    // The owner decides: the edit stays; no line break was typed, OK was
    // not pressed.
    EXPECT_TRUE(m_pEdit->isVisible());
    EXPECT_TRUE(m_pEdit->text().isEmpty());

    QObject::connect(m_pEdit, &CInPlaceEdit::EscapePressed, m_pEdit, &CInPlaceEdit::Hide);
    PressKey(m_pEdit, Qt::Key_Escape);
    EXPECT_EQ(escape.count(), 1);
    EXPECT_FALSE(m_pEdit->isVisible());
    EXPECT_TRUE(m_dialog.isVisible());
    EXPECT_FALSE(m_pOk->isDown());
}

TEST_F(InPlaceTest, FocusLossIsToldWhereverTheFocusGoes) {
    QSignalSpy lost(m_pEdit, &CInPlaceEdit::FocusLost);
    auto* pOther = new QLineEdit(&m_dialog);
    pOther->show();
    m_pEdit->ShowAt(QRect(5, 5, 100, 22));
    pOther->setFocus();
    EXPECT_EQ(lost.count(), 1);
    EXPECT_TRUE(m_pEdit->isVisible());

    // No window gains the focus: told all the same.
    m_pEdit->setFocus();
    m_pEdit->clearFocus();
    EXPECT_EQ(lost.count(), 2);
}

} // namespace
