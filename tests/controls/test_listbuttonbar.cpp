// The list button bar: layout, image, hot and pressed cells, actions and
// refusals, tooltips; driven with real mouse events.
#include "ControlsHost.h"
#include "controls/CInPlaceEdit.h"
#include <QApplication>
#include <QHelpEvent>
#include <QTest>
#include <QToolTip>
#include <gtest/gtest.h>

using Strings = std::vector<std::string>;

namespace {

class ListButtonBarTest : public testing::Test {
protected:
    void SetUp() override {
        Fill(List(), {"a", "b", "c"});
        ASSERT_TRUE(m_host.ShowActive());
    }
    CListBoxEx& List() { return *m_host.m_pList; }
    CListButtonBar& Bar() { return *m_host.m_pBar; }
    QPoint Cell(int nCell) { return Bar().CellRect(nCell).center(); }
    void Click(int nCell) {
        QTest::mouseClick(&Bar(), Qt::LeftButton, Qt::NoModifier, Cell(nCell));
    }

    CControlsHost m_host;
};

TEST_F(ListButtonBarTest, CellsSitFlushRight) {
    ASSERT_EQ(Bar().size(), QSize(100, 21));
    EXPECT_EQ(Bar().CellRect(0), QRect(12, 0, 22, 20));
    EXPECT_EQ(Bar().CellRect(1), QRect(34, 0, 22, 20));
    EXPECT_EQ(Bar().CellRect(2), QRect(56, 0, 22, 20));
    EXPECT_EQ(Bar().CellRect(3), QRect(78, 0, 22, 20));
    EXPECT_EQ(Bar().HitTest(QPoint(11, 5)), CListButtonBar::CELL_NONE);
    EXPECT_EQ(Bar().HitTest(QPoint(12, 0)), CListButtonBar::CELL_ADD);
    EXPECT_EQ(Bar().HitTest(QPoint(34, 19)), CListButtonBar::CELL_DELETE);
    EXPECT_EQ(Bar().HitTest(QPoint(99, 20)), CListButtonBar::CELL_NONE);
    // Taller bars centre the cells.
    Bar().resize(120, 31);
    EXPECT_EQ(Bar().CellRect(0), QRect(32, 5, 22, 20));
}

TEST_F(ListButtonBarTest, TheStripBlendsWithTheButtonFace) {
    ASSERT_TRUE(Bar().HasStripImage());
    QPalette pal = Bar().palette();
    pal.setColor(QPalette::Button, QColor(230, 220, 200));
    Bar().setPalette(pal);
    const QImage img = Bar().grab().toImage();
    int nSilver = 0, nBlack = 0;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x) {
            nSilver += img.pixel(x, y) == qRgb(192, 192, 192);
            nBlack += img.pixel(x, y) == qRgb(0, 0, 0);
        }
    EXPECT_EQ(nSilver, 0);
    EXPECT_GT(nBlack, 50); // the signs are there
    EXPECT_EQ(img.pixel(Bar().CellRect(3).topLeft() + QPoint(1, 1)), qRgb(230, 220, 200));
    EXPECT_EQ(img.pixel(2, 2), qRgb(230, 220, 200));
}

TEST_F(ListButtonBarTest, WithoutASelectionNothingHappens) {
    List().SetCurSel(-1);
    for (int nCell :
         {CListButtonBar::CELL_DELETE, CListButtonBar::CELL_UP, CListButtonBar::CELL_DOWN})
        Click(nCell);
    EXPECT_EQ(Rows(List()), (Strings{"a", "b", "c"}));
    EXPECT_EQ(m_host.TakeListChanged(), 0);
}

TEST_F(ListButtonBarTest, DeleteSelectsTheRowThatTakesTheDeletedOnesPlace) {
    List().SetCurSel(1);
    Click(CListButtonBar::CELL_DELETE);
    EXPECT_EQ(Rows(List()), (Strings{"a", "c"}));
    EXPECT_EQ(List().GetCurSel(), 1);
    // The last of several: the new last row.
    Click(CListButtonBar::CELL_DELETE);
    EXPECT_EQ(Rows(List()), (Strings{"a"}));
    EXPECT_EQ(List().GetCurSel(), 0);
    // The only row: empty, no selection.
    Click(CListButtonBar::CELL_DELETE);
    EXPECT_EQ(List().GetCount(), 0);
    EXPECT_EQ(List().GetCurSel(), -1);
    EXPECT_EQ(m_host.TakeListChanged(), 3);
    Click(CListButtonBar::CELL_DELETE);
    EXPECT_EQ(m_host.TakeListChanged(), 0);
}

TEST_F(ListButtonBarTest, UpAndDownAtTheEnds) {
    List().SetItemData(2, 5);
    List().SetCurSel(0);
    Click(CListButtonBar::CELL_UP);
    EXPECT_EQ(m_host.TakeListChanged(), 0);
    List().SetCurSel(2);
    Click(CListButtonBar::CELL_DOWN); // the last row: unchanged, but reported
    EXPECT_EQ(Rows(List()), (Strings{"a", "b", "c"}));
    EXPECT_EQ(m_host.TakeListChanged(), 1);
    Click(CListButtonBar::CELL_UP);
    Click(CListButtonBar::CELL_UP);
    EXPECT_EQ(Rows(List()), (Strings{"c", "a", "b"}));
    EXPECT_EQ(List().GetCurSel(), 0);
    EXPECT_EQ(List().GetItemData(0), 5u);
    Click(CListButtonBar::CELL_DOWN);
    EXPECT_EQ(Rows(List()), (Strings{"a", "c", "b"}));
    EXPECT_EQ(List().GetCurSel(), 1);
    EXPECT_EQ(m_host.TakeListChanged(), 3);
}

TEST_F(ListButtonBarTest, ALockedFirstRowIsNeitherDeletedNorMovedNorReplaced) {
    List().m_bFixedFirst = true;
    List().SetCurSel(0);
    Click(CListButtonBar::CELL_DELETE);
    Click(CListButtonBar::CELL_DOWN);
    List().SetCurSel(1);
    Click(CListButtonBar::CELL_UP);
    EXPECT_EQ(Rows(List()), (Strings{"a", "b", "c"}));
    EXPECT_EQ(m_host.TakeListChanged(), 0);
    List().SetCurSel(2);
    Click(CListButtonBar::CELL_UP);
    EXPECT_EQ(Rows(List()), (Strings{"a", "c", "b"}));
}

TEST_F(ListButtonBarTest, AddOpensANewRowAndEndsARunningEditFirst) {
    List().BeginEdit(0);
    TypeText("x");
    Click(CListButtonBar::CELL_ADD);
    EXPECT_EQ(List().GetText(0), "x");
    EXPECT_EQ(List().EditItem(), 3);
    EXPECT_EQ(QApplication::focusWidget(), List().Edit());
    EXPECT_EQ(m_host.TakeListChanged(), 1); // from the edit that ended
    TypeText("d");
    PressKey(List().Edit(), Qt::Key_Return);
    EXPECT_EQ(Rows(List()), (Strings{"x", "b", "c", "d"}));
    EXPECT_EQ(m_host.TakeListChanged(), 1);
}

// The bar works from the keyboard alone: Space or Enter runs the chosen
// cell, Left and Right choose it, and Enter does not press the dialog's
// default button.
TEST_F(ListButtonBarTest, SpaceAndEnterRunTheChosenCell) {
    Bar().setFocus(Qt::TabFocusReason);
    const QImage focused = Bar().grab().toImage();
    EXPECT_EQ(Bar().FocusCell(), CListButtonBar::CELL_ADD);
    PressKey(&Bar(), Qt::Key_Space);
    ASSERT_EQ(List().EditItem(), 3);
    EXPECT_EQ(QApplication::focusWidget(), List().Edit());
    TypeText("d");
    PressKey(List().Edit(), Qt::Key_Return);
    EXPECT_EQ(Rows(List()), (Strings{"a", "b", "c", "d"}));

    List().SetCurSel(0);
    Bar().setFocus(Qt::TabFocusReason);
    PressKey(&Bar(), Qt::Key_Right);
    EXPECT_EQ(Bar().FocusCell(), CListButtonBar::CELL_DELETE);
    PressKey(&Bar(), Qt::Key_Return);
    EXPECT_EQ(Rows(List()), (Strings{"b", "c", "d"}));
    EXPECT_EQ(m_host.m_nOkClicks, 0);
    PressKey(&Bar(), Qt::Key_Right);
    PressKey(&Bar(), Qt::Key_Right);
    PressKey(&Bar(), Qt::Key_Right); // stays on the last cell
    List().SetCurSel(0);
    PressKey(&Bar(), Qt::Key_Space);
    EXPECT_EQ(Rows(List()), (Strings{"c", "b", "d"}));

    // The chosen cell is framed only while the bar has the focus.
    m_host.m_pOther->setFocus();
    const QImage unfocused = Bar().grab().toImage();
    const QPoint corner = Bar().CellRect(CListButtonBar::CELL_ADD).topLeft() + QPoint(2, 2);
    EXPECT_NE(focused.pixel(corner), unfocused.pixel(corner));
}

TEST_F(ListButtonBarTest, TheActionIsTheCellUnderThePointerAtRelease) {
    List().SetCurSel(1);
    QTest::mousePress(&Bar(), Qt::LeftButton, Qt::NoModifier, Cell(CListButtonBar::CELL_ADD));
    EXPECT_TRUE(Bar().IsPressed());
    EXPECT_EQ(Bar().HotCell(), CListButtonBar::CELL_ADD);
    QTest::mouseMove(&Bar(), Cell(CListButtonBar::CELL_DELETE));
    EXPECT_EQ(Bar().HotCell(), CListButtonBar::CELL_DELETE);
    QTest::mouseRelease(&Bar(), Qt::LeftButton, Qt::NoModifier, Cell(CListButtonBar::CELL_DELETE));
    EXPECT_EQ(Rows(List()), (Strings{"a", "c"}));
    EXPECT_EQ(List().EditItem(), -1);
    EXPECT_FALSE(Bar().IsPressed());

    // Out of the bar and released there: nothing, and the cell comes up.
    const QPoint ptOutside(Cell(CListButtonBar::CELL_UP).x(), 40);
    QTest::mousePress(&Bar(), Qt::LeftButton, Qt::NoModifier, Cell(CListButtonBar::CELL_UP));
    QTest::mouseMove(&Bar(), ptOutside);
    EXPECT_EQ(Bar().HotCell(), CListButtonBar::CELL_NONE);
    QTest::mouseRelease(&Bar(), Qt::LeftButton, Qt::NoModifier, ptOutside);
    EXPECT_EQ(Rows(List()), (Strings{"a", "c"}));
    EXPECT_FALSE(Bar().IsPressed());
    EXPECT_EQ(m_host.TakeListChanged(), 1);
}

TEST_F(ListButtonBarTest, HotAndPressedCellsAreDrawnRaisedAndSunken) {
    const QRect rc = Bar().CellRect(CListButtonBar::CELL_UP);
    const QRgb rgbLight = Bar().palette().color(QPalette::Light).rgb();
    const QRgb rgbShadow = Bar().palette().color(QPalette::Dark).rgb();
    const QRgb rgbFace = Bar().palette().color(QPalette::Button).rgb();
    auto topLeft = [&] { return Bar().grab().toImage().pixel(rc.topLeft() + QPoint(3, 0)); };

    EXPECT_EQ(topLeft(), rgbFace);
    QTest::mouseMove(&Bar(), rc.center());
    EXPECT_EQ(Bar().HotCell(), CListButtonBar::CELL_UP);
    EXPECT_EQ(topLeft(), rgbLight);
    QTest::mousePress(&Bar(), Qt::LeftButton, Qt::NoModifier, rc.center());
    EXPECT_EQ(topLeft(), rgbShadow);
    QTest::mouseRelease(&Bar(), Qt::LeftButton, Qt::NoModifier, rc.center());
    EXPECT_EQ(topLeft(), rgbLight);

    // Leaving the bar clears the raised edge.
    QTest::mouseMove(m_host.m_pOther, QPoint(5, 5));
    EXPECT_EQ(Bar().HotCell(), CListButtonBar::CELL_NONE);
    EXPECT_EQ(topLeft(), rgbFace);
}

TEST_F(ListButtonBarTest, TooltipsNameTheCells) {
    EXPECT_EQ(Bar().ToolTipText(0), QStringLiteral("追加"));
    EXPECT_EQ(Bar().ToolTipText(1), QStringLiteral("削除"));
    EXPECT_EQ(Bar().ToolTipText(3), QStringLiteral("下へ"));
    const QPoint pt = Cell(CListButtonBar::CELL_UP);
    QHelpEvent help(QEvent::ToolTip, pt, Bar().mapToGlobal(pt));
    QApplication::sendEvent(&Bar(), &help);
    EXPECT_TRUE(QToolTip::isVisible());
    EXPECT_EQ(QToolTip::text(), QStringLiteral("上へ"));
    QHelpEvent outside(QEvent::ToolTip, QPoint(2, 2), Bar().mapToGlobal(QPoint(2, 2)));
    QApplication::sendEvent(&Bar(), &outside);
    // Outside the cells the tip goes away (after the tooltip's own delay).
    EXPECT_TRUE(QTest::qWaitFor([] { return !QToolTip::isVisible(); }));
}

} // namespace
