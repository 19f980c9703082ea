// The editable list driven the way a user drives it: real key and mouse
// events in a dialog, offscreen.
#include "ControlsHost.h"
#include "controls/CInPlaceEdit.h"
#include <QApplication>
#include <QInputMethodEvent>
#include <QTest>
#include <gtest/gtest.h>

using Strings = std::vector<std::string>;

namespace {

class ListBoxExTest : public testing::Test {
protected:
    void SetUp() override {
        Fill(*m_host.m_pList, {"alpha", "beta", "gamma"});
        ASSERT_TRUE(m_host.ShowActive());
    }
    CListBoxEx& List() { return *m_host.m_pList; }
    CInPlaceEdit* Edit() { return List().Edit(); }
    bool Editing() { return List().EditItem() != -1 && Edit()->isVisible(); }

    CControlsHost m_host;
};

TEST_F(ListBoxExTest, DoubleClickOpensTheEditorOverTheRowAndEnterCommits) {
    DoubleClickAt(List(), RowPoint(List(), 1));
    ASSERT_TRUE(Editing());
    EXPECT_EQ(List().EditItem(), 1);
    EXPECT_EQ(QApplication::focusWidget(), Edit());
    EXPECT_EQ(Edit()->text(), "beta");
    EXPECT_EQ(Edit()->selectedText(), "beta");
    // 5 pixels in from each side, 2 above and below the row.
    const QRect rcRow = List().GetItemRect(1);
    EXPECT_EQ(Edit()->geometry(), rcRow.adjusted(5, -2, -5, 2));

    PressKey(Edit(), Qt::Key_End);
    TypeText("2");
    PressKey(Edit(), Qt::Key_Return);
    EXPECT_FALSE(Edit()->isVisible());
    EXPECT_EQ(List().EditItem(), -1);
    EXPECT_EQ(Rows(List()), (Strings{"alpha", "beta2", "gamma"}));
    EXPECT_EQ(List().GetCurSel(), 1);
    EXPECT_EQ(QApplication::focusWidget(), &List());
    // Enter went no further: the dialog's default button was not pressed.
    EXPECT_EQ(m_host.m_nOkClicks, 0);
    EXPECT_TRUE(m_host.isVisible());
    EXPECT_EQ(m_host.TakeListChanged(), 1);
}

TEST_F(ListBoxExTest, EscapeCancelsWithoutClosingTheDialog) {
    ClickRow(List(), 2);
    PressKey(&List(), Qt::Key_F2);
    ASSERT_TRUE(Editing());
    TypeText("zzz");
    PressKey(Edit(), Qt::Key_Escape);
    EXPECT_FALSE(Editing());
    EXPECT_EQ(Rows(List()), (Strings{"alpha", "beta", "gamma"}));
    EXPECT_TRUE(m_host.isVisible());
    EXPECT_EQ(m_host.result(), 0);
    EXPECT_EQ(m_host.TakeListChanged(), 1);
}

TEST_F(ListBoxExTest, NewRowsThatEndEmptyOrCancelledAreRemoved) {
    // Escape on a fresh row that is still empty.
    List().AddNewItem();
    ASSERT_TRUE(Editing());
    EXPECT_EQ(List().GetCount(), 4);
    PressKey(Edit(), Qt::Key_Escape);
    EXPECT_EQ(Rows(List()), (Strings{"alpha", "beta", "gamma"}));
    EXPECT_EQ(List().GetCurSel(), 2);

    // Escape after typing into a fresh row: nothing was committed, so no
    // invisible empty row is left behind.
    List().AddNewItem();
    TypeText("delta");
    PressKey(Edit(), Qt::Key_Escape);
    EXPECT_EQ(Rows(List()), (Strings{"alpha", "beta", "gamma"}));

    // Only spaces commit as empty: the row goes.
    List().AddNewItem();
    TypeText("   ");
    PressKey(Edit(), Qt::Key_Return);
    EXPECT_EQ(Rows(List()), (Strings{"alpha", "beta", "gamma"}));
    EXPECT_EQ(m_host.TakeListChanged(), 3);

    // Surrounding blanks are stripped.
    List().AddNewItem();
    TypeText("  delta  ");
    PressKey(Edit(), Qt::Key_Return);
    EXPECT_EQ(Rows(List()), (Strings{"alpha", "beta", "gamma", "delta"}));
    EXPECT_EQ(List().GetCurSel(), 3);

    // Emptying an existing row removes it too, and the next row is selected.
    List().BeginEdit(1);
    PressKey(Edit(), Qt::Key_Delete);
    PressKey(Edit(), Qt::Key_Return);
    EXPECT_EQ(Rows(List()), (Strings{"alpha", "gamma", "delta"}));
    EXPECT_EQ(List().GetCurSel(), 1);
}

TEST_F(ListBoxExTest, DuplicatesAreRefusedWithoutRegardToCase) {
    List().SetItemData(1, 42);
    List().BeginEdit(1);
    TypeText("GAMMA");
    PressKey(Edit(), Qt::Key_Return);
    EXPECT_EQ(Rows(List()), (Strings{"alpha", "beta", "gamma"}));
    EXPECT_EQ(List().GetItemData(1), 42u);
    EXPECT_EQ(List().GetCurSel(), 1);

    // A new row with a duplicate text is removed.
    List().AddNewItem();
    TypeText("Alpha");
    PressKey(Edit(), Qt::Key_Return);
    EXPECT_EQ(Rows(List()), (Strings{"alpha", "beta", "gamma"}));
    EXPECT_EQ(m_host.TakeListChanged(), 2);

    // The row's own text in another case is not a duplicate of itself.
    List().BeginEdit(1);
    TypeText("BETA");
    PressKey(Edit(), Qt::Key_Return);
    EXPECT_EQ(List().GetText(1), "BETA");
    EXPECT_EQ(List().GetItemData(1), 42u);

    // Japanese text is compared character by character: a trail byte that
    // looks like a Latin letter is not folded.
    List().ResetContent();
    Fill(List(), {Cp("ア"), Cp("チ")}); // 83 41, 83 60: trail bytes 'A' and '`'
    List().AddNewItem();
    TypeText(QStringLiteral("ヂ")); // 83 61: trail byte 'a'
    PressKey(Edit(), Qt::Key_Return);
    EXPECT_EQ(List().GetCount(), 3);

    m_host.m_pList->m_bNoDuplicates = false;
    List().AddNewItem();
    TypeText(QStringLiteral("ア"));
    PressKey(Edit(), Qt::Key_Return);
    EXPECT_EQ(List().GetCount(), 4);
}

TEST_F(ListBoxExTest, AltArrowsMoveTheSelectedRowWithItsDataWord) {
    List().SetItemData(0, 10);
    List().SetItemData(2, 30);
    // No selection, the last row down, the first row up: nothing changes.
    List().SetCurSel(-1);
    PressKey(&List(), Qt::Key_Down, Qt::AltModifier);
    EXPECT_EQ(List().GetCurSel(), -1);
    ClickRow(List(), 2);
    PressKey(&List(), Qt::Key_Down, Qt::AltModifier);
    PressKey(&List(), Qt::Key_Right, Qt::AltModifier);
    EXPECT_EQ(Rows(List()), (Strings{"alpha", "beta", "gamma"}));
    EXPECT_EQ(List().GetCurSel(), 2);
    ClickRow(List(), 0);
    PressKey(&List(), Qt::Key_Up, Qt::AltModifier);
    EXPECT_EQ(Rows(List()), (Strings{"alpha", "beta", "gamma"}));

    PressKey(&List(), Qt::Key_Down, Qt::AltModifier);
    PressKey(&List(), Qt::Key_Right, Qt::AltModifier);
    EXPECT_EQ(Rows(List()), (Strings{"beta", "gamma", "alpha"}));
    EXPECT_EQ(List().GetCurSel(), 2);
    EXPECT_EQ(List().GetItemData(2), 10u);
    PressKey(&List(), Qt::Key_Left, Qt::AltModifier);
    EXPECT_EQ(Rows(List()), (Strings{"beta", "alpha", "gamma"}));
    EXPECT_EQ(List().GetItemData(2), 30u);
    EXPECT_EQ(m_host.TakeListChanged(), 0);

    List().m_bDragEnabled = false;
    PressKey(&List(), Qt::Key_Up, Qt::AltModifier);
    EXPECT_EQ(Rows(List()), (Strings{"beta", "alpha", "gamma"}));
}

// The row the user sees highlighted is the one the keys act on, however it
// was chosen; Delete can be pressed again on the row that moves up.
TEST_F(ListBoxExTest, DeleteKeyActsOnTheHighlightedRow) {
    List().ResetContent();
    Fill(List(), {"r0", "r1", "r2", "r3", "r4", "r5"});
    ClickRow(List(), 2);
    PressKey(&List(), Qt::Key_Down);
    PressKey(&List(), Qt::Key_Down);
    EXPECT_EQ(List().GetCurSel(), 4);
    EXPECT_EQ(List().CurItem(), 4);
    PressKey(&List(), Qt::Key_Delete);
    EXPECT_EQ(Rows(List()), (Strings{"r0", "r1", "r2", "r3", "r5"}));
    EXPECT_EQ(List().GetText(List().GetCurSel()), "r5");
    PressKey(&List(), Qt::Key_Delete);
    EXPECT_EQ(Rows(List()), (Strings{"r0", "r1", "r2", "r3"}));
    EXPECT_EQ(List().GetText(List().GetCurSel()), "r3");
    EXPECT_EQ(m_host.TakeListChanged(), 0);
}

TEST_F(ListBoxExTest, DeleteAfterAMoveRemovesTheMovedRow) {
    ClickRow(List(), 0);
    PressKey(&List(), Qt::Key_Down, Qt::AltModifier);
    EXPECT_EQ(Rows(List()), (Strings{"beta", "alpha", "gamma"}));
    PressKey(&List(), Qt::Key_Delete);
    EXPECT_EQ(Rows(List()), (Strings{"beta", "gamma"}));
}

TEST_F(ListBoxExTest, F2AfterTheBarDeletedOpensTheRowNowHighlighted) {
    ClickRow(List(), 2);
    QTest::mouseClick(m_host.m_pBar, Qt::LeftButton, Qt::NoModifier,
                      m_host.m_pBar->CellRect(CListButtonBar::CELL_DELETE).center());
    EXPECT_EQ(Rows(List()), (Strings{"alpha", "beta"}));
    EXPECT_EQ(List().CurItem(), 1);
    List().setFocus();
    PressKey(&List(), Qt::Key_F2);
    ASSERT_TRUE(Editing());
    EXPECT_EQ(List().EditItem(), 1);
    EXPECT_EQ(Edit()->text(), "beta");
}

// A list can be used from the keyboard alone: Tab into it gives a row to
// act on, and a ring shows where the keyboard is.
TEST_F(ListBoxExTest, TabIntoTheListHighlightsTheFirstRowAndRingsIt) {
    List().SetCurSel(-1);
    m_host.m_pOk->setFocus();
    const QImage unfocused = List().viewport()->grab().toImage();
    QTest::keyClick(m_host.m_pOk, Qt::Key_Tab);
    ASSERT_EQ(QApplication::focusWidget(), &List());
    EXPECT_EQ(List().GetCurSel(), 0);
    PressKey(&List(), Qt::Key_Delete);
    EXPECT_EQ(Rows(List()), (Strings{"beta", "gamma"}));
    // The ring: the last column of the viewport changes with the focus.
    const QImage focused = List().viewport()->grab().toImage();
    const int x = focused.width() - 2, y = focused.height() - 2;
    EXPECT_NE(focused.pixel(x, y), unfocused.pixel(x, y));
}

// "&" is a character in an address or a rule, not a mnemonic.
TEST_F(ListBoxExTest, EntriesAreDrawnLiterally) {
    List().ResetContent();
    Fill(List(), {"a&b", "a&&b"});
    const QImage image = List().viewport()->grab().toImage();
    const QRect rc0 = List().GetItemRect(0), rc1 = List().GetItemRect(1);
    auto inkWidth = [&](const QRect& rc) {
        int nRight = 0;
        const QRgb background = image.pixel(rc.right() - 20, rc.center().y());
        for (int y = rc.top() + 2; y < rc.bottom() - 1; ++y)
            for (int x = 0; x < rc.right() - 20; ++x)
                if (image.pixel(x, y) != background)
                    nRight = std::max(nRight, x);
        return nRight;
    };
    // One more '&' draws one more character.
    EXPECT_GT(inkWidth(rc1), inkWidth(rc0) + 3);
}

TEST_F(ListBoxExTest, DoubleClickRefusals) {
    // Below the last row.
    DoubleClickAt(List(), QPoint(20, List().GetItemRect(2).bottom() + 20));
    EXPECT_FALSE(Editing());
    EXPECT_EQ(List().GetCount(), 3);

    // A locked first row opens with F2 but not with a double-click.
    List().m_bFixedFirst = true;
    DoubleClickAt(List(), RowPoint(List(), 0));
    EXPECT_FALSE(Editing());
    PressKey(&List(), Qt::Key_F2);
    EXPECT_TRUE(Editing());
    PressKey(Edit(), Qt::Key_Escape);

    List().m_bEditable = false;
    DoubleClickAt(List(), RowPoint(List(), 1));
    PressKey(&List(), Qt::Key_F2);
    List().AddNewItem();
    EXPECT_FALSE(Editing());
    EXPECT_EQ(List().GetCount(), 3);
}

TEST_F(ListBoxExTest, FocusIntoAnotherControlCommitsAndStaysThere) {
    List().BeginEdit(0);
    TypeText("omega");
    QTest::mouseClick(m_host.m_pOther, Qt::LeftButton);
    EXPECT_FALSE(Editing());
    EXPECT_EQ(List().GetText(0), "omega");
    EXPECT_EQ(QApplication::focusWidget(), m_host.m_pOther);
    EXPECT_EQ(m_host.TakeListChanged(), 1);

    // A click on another row of the list commits too, and selects that row.
    List().BeginEdit(0);
    TypeText("psi");
    ClickRow(List(), 2);
    EXPECT_FALSE(Editing());
    EXPECT_EQ(Rows(List()), (Strings{"psi", "beta", "gamma"}));
    EXPECT_EQ(List().GetCurSel(), 2);
    EXPECT_EQ(QApplication::focusWidget(), &List());

    // Tab moves the focus on and commits.
    List().BeginEdit(1);
    TypeText("chi");
    PressKey(Edit(), Qt::Key_Tab);
    EXPECT_FALSE(Editing());
    EXPECT_EQ(List().GetText(1), "chi");
}

TEST_F(ListBoxExTest, TextIsLimitedInCodePage932Bytes) {
    List().SetEditLimit(6);
    List().AddNewItem();
    TypeText(QStringLiteral("あいうえ")); // two bytes each
    EXPECT_EQ(Edit()->text(), QStringLiteral("あいう"));
    TypeText("x");
    EXPECT_EQ(Edit()->text(), QStringLiteral("あいう"));
    // Room is made by deleting, and an insertion in the middle is cut to fit.
    PressKey(Edit(), Qt::Key_Backspace);
    PressKey(Edit(), Qt::Key_Backspace);
    PressKey(Edit(), Qt::Key_Home);
    QInputMethodEvent commit;
    commit.setCommitString(QStringLiteral("a転送")); // 5 bytes, room for 4
    QApplication::sendEvent(Edit(), &commit);
    EXPECT_EQ(Edit()->text(), QStringLiteral("a転あ"));
    EXPECT_EQ(Edit()->cursorPosition(), 2);
    PressKey(Edit(), Qt::Key_Return);
    EXPECT_EQ(List().GetText(3), Cp("a転あ"));
    EXPECT_EQ(List().GetText(3).size(), 5u);

    // A character that code page 932 cannot hold shows as '?' at once.
    List().SetEditLimit(64);
    List().AddNewItem();
    QKeyEvent emoji(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier,
                    QString::fromUtf8("\xF0\x9F\x98\x80"));
    QApplication::sendEvent(Edit(), &emoji);
    TypeText(QStringLiteral("髙"));
    EXPECT_EQ(Edit()->text(), QStringLiteral("?髙"));
    PressKey(Edit(), Qt::Key_Return);
    EXPECT_EQ(List().GetText(4), std::string("?\xFB\xFC"));
}

class CRecordingList : public CListBoxEx {
public:
    using CListBoxEx::CListBoxEx;
    bool m_bRefuseCommit = false;

protected:
    bool CanEditItem(int nItem) override { return nItem != 1; }
    bool OnEndEditItem(int nItem, bool bCancel) override {
        (void)nItem;
        return bCancel || !m_bRefuseCommit;
    }
};

// The extension points: a row may be kept from opening, a refused commit is
// a cancel.
TEST(ListBoxExExtensionTest, RowsCanBeLockedAndCommitsRefused) {
    QDialog dialog;
    dialog.resize(300, 200);
    auto* pList = new CRecordingList(&dialog);
    pList->setGeometry(10, 10, 200, 150);
    auto* pOther = new QLineEdit(&dialog);
    pOther->setGeometry(220, 10, 70, 24);
    Fill(*pList, {"one", "two", "three"});
    pList->setFocus();
    ASSERT_TRUE(ShowAndActivate(&dialog));

    pList->m_bFixedFirst = false;
    DoubleClickAt(*pList, RowPoint(*pList, 1));
    EXPECT_EQ(pList->EditItem(), -1);
    pList->m_bRefuseCommit = true;
    DoubleClickAt(*pList, RowPoint(*pList, 0));
    ASSERT_EQ(pList->EditItem(), 0);
    TypeText("uno");
    QTest::mouseClick(pOther, Qt::LeftButton);
    EXPECT_EQ(pList->EditItem(), -1);
    EXPECT_EQ(pList->GetText(0), "one");
}

// Dragging: press on a row, move, release.
class ListBoxExDragTest : public ListBoxExTest {
protected:
    void Press(int nRow) {
        QTest::mousePress(List().viewport(), Qt::LeftButton, Qt::NoModifier,
                          RowPoint(List(), nRow));
    }
    void MoveTo(const QPoint& pt) { QTest::mouseMove(List().viewport(), pt); }
    // Top edge of a row: the marker for a drop before it.
    QPoint Before(int nRow) { return List().GetItemRect(nRow).topLeft() + QPoint(30, 2); }
    void Release(const QPoint& pt) {
        QTest::mouseRelease(List().viewport(), Qt::LeftButton, Qt::NoModifier, pt);
    }
};

TEST_F(ListBoxExDragTest, DragMovesTheRowWithItsDataWord) {
    List().SetItemData(0, 7);
    Press(0);
    MoveTo(RowPoint(List(), 0) + QPoint(0, 10));
    EXPECT_TRUE(List().IsDragging());
    MoveTo(Before(2));
    EXPECT_EQ(List().InsertMarker(), 2);
    Release(Before(2));
    EXPECT_FALSE(List().IsDragging());
    EXPECT_EQ(List().InsertMarker(), -1);
    EXPECT_EQ(Rows(List()), (Strings{"beta", "alpha", "gamma"}));
    EXPECT_EQ(List().GetItemData(1), 7u);
    EXPECT_EQ(List().GetCurSel(), 1);
    EXPECT_EQ(List().CurItem(), 1); // the clicked row went with the drag

    // The empty space below the last row takes a row to the end.
    Press(0);
    const QPoint ptBelow(30, List().GetItemRect(2).bottom() + 15);
    MoveTo(ptBelow);
    EXPECT_EQ(List().InsertMarker(), 3);
    Release(ptBelow);
    EXPECT_EQ(Rows(List()), (Strings{"alpha", "gamma", "beta"}));

    // Escape cancels a drag; dropping a row onto itself moves nothing.
    Press(1);
    MoveTo(Before(0));
    PressKey(&List(), Qt::Key_Escape);
    EXPECT_FALSE(List().IsDragging());
    Release(Before(0));
    Press(1);
    MoveTo(Before(2) + QPoint(0, 4));
    Release(Before(2) + QPoint(0, 4));
    EXPECT_EQ(Rows(List()), (Strings{"alpha", "gamma", "beta"}));
    EXPECT_EQ(m_host.TakeListChanged(), 0);
}

TEST_F(ListBoxExDragTest, DragIsRefusedWhileEditing) {
    Press(1);
    PressKey(&List(), Qt::Key_F2); // the editor opens under the held button
    ASSERT_TRUE(Editing());
    MoveTo(Before(0));
    EXPECT_FALSE(List().IsDragging());
    EXPECT_EQ(List().InsertMarker(), -1);
    Release(Before(0));
    EXPECT_EQ(Rows(List()), (Strings{"alpha", "beta", "gamma"}));
    EXPECT_TRUE(Editing());
}

TEST_F(ListBoxExDragTest, ALockedFirstRowIsCancelledAtTheDrop) {
    List().m_bFixedFirst = true;
    // Dragging row 0: the marker shows as usual, the drop cancels.
    Press(0);
    MoveTo(Before(2));
    EXPECT_TRUE(List().IsDragging());
    EXPECT_EQ(List().InsertMarker(), 2);
    Release(Before(2));
    EXPECT_EQ(List().InsertMarker(), -1);
    EXPECT_EQ(Rows(List()), (Strings{"alpha", "beta", "gamma"}));

    // Dropping before row 0.
    Press(2);
    MoveTo(Before(0));
    EXPECT_EQ(List().InsertMarker(), 0);
    Release(Before(0));
    EXPECT_EQ(List().InsertMarker(), -1);
    EXPECT_EQ(Rows(List()), (Strings{"alpha", "beta", "gamma"}));

    // Other moves still work.
    Press(2);
    MoveTo(Before(1));
    Release(Before(1));
    EXPECT_EQ(Rows(List()), (Strings{"alpha", "gamma", "beta"}));
}

TEST_F(ListBoxExDragTest, DraggingBelowTheListScrollsIt) {
    List().ResetContent();
    for (int n = 0; n < 30; ++n)
        List().AddString("row" + std::to_string(n));
    Press(1);
    const QPoint ptBelow(30, List().viewport()->height() + 5);
    MoveTo(ptBelow);
    ASSERT_TRUE(List().IsDragging());
    EXPECT_EQ(List().InsertMarker(), -1);
    EXPECT_TRUE(QTest::qWaitFor([&] { return List().GetTopIndex() >= 2; }));
    // Back inside, the drop lands where the marker shows.
    const int nTop = List().GetTopIndex();
    MoveTo(Before(nTop + 1));
    EXPECT_EQ(List().InsertMarker(), nTop + 1);
    Release(Before(nTop + 1));
    EXPECT_EQ(List().GetText(nTop), "row1");
}

TEST_F(ListBoxExTest, AScrolledListKeepsTheEditorOverItsRow) {
    List().ResetContent();
    for (int n = 0; n < 30; ++n)
        List().AddString("row" + std::to_string(n));
    List().BeginEdit(29);
    ASSERT_TRUE(Editing());
    EXPECT_GT(List().GetTopIndex(), 0);
    EXPECT_EQ(Edit()->geometry(), List().GetItemRect(29).adjusted(5, -2, -5, 2));
    List().SetTopIndex(List().GetTopIndex() - 2);
    EXPECT_EQ(Edit()->geometry(), List().GetItemRect(29).adjusted(5, -2, -5, 2));
}

} // namespace
