// What a person sees of the list and the bar, probed in pictures of them:
// the colour of the selected row, the editor over its row, the drop marker,
// and the bar's four signs flush right with a raised or sunken edge.
#include "ControlsHost.h"
#include "controls/CInPlaceEdit.h"
#include <QTest>
#include <gtest/gtest.h>

namespace {

// Selected rows take this colour rather than the palette's highlight.
const QColor kSelectedRow(10, 36, 106);

QImage Picture(QWidget& widget) {
    return widget.grab().toImage();
}

bool IsDark(QRgb rgb) {
    return qGray(rgb) < 64;
}

TEST(ControlsAppearance, SelectedRowEditorAndDropMarker) {
    CControlsHost host;
    CListBoxEx& list = *host.m_pList;
    Fill(list, {"user@example.jp", Cp("クイベンより転送"), "mobile@example.ne.jp", "x@example.jp"});
    ASSERT_TRUE(host.ShowActive());
    ClickRow(list, 1);
    QImage image = Picture(*list.viewport());
    const QRect rcSelected = list.GetItemRect(1), rcOther = list.GetItemRect(2);
    // Inside the row, clear of the dotted frame on its edge and of the text.
    const QPoint ptFill(rcSelected.left() + 3, rcSelected.center().y());
    EXPECT_EQ(image.pixel(ptFill), kSelectedRow.rgb());
    EXPECT_EQ(image.pixel(rcOther.left() + 3, rcOther.center().y()),
              list.palette().color(QPalette::Base).rgb());

    // The editor covers its row, inset 5 pixels, with a frame of its own.
    list.BeginEdit(1);
    image = Picture(*list.viewport());
    const QRect rcEdit = list.EditRect();
    EXPECT_EQ(image.pixel(rcEdit.left(), rcEdit.center().y()),
              list.Edit()->palette().color(QPalette::WindowText).rgb());
    EXPECT_NE(image.pixel(ptFill + QPoint(6, 0)), kSelectedRow.rgb());
    EXPECT_EQ(image.pixel(ptFill), kSelectedRow.rgb()); // left of the editor
    list.EndEdit(true);

    // A drag on its way to land before row 3 marks the top edge of row 3.
    const QImage before = Picture(*list.viewport());
    QTest::mousePress(list.viewport(), Qt::LeftButton, Qt::NoModifier, RowPoint(list, 0));
    QTest::mouseMove(list.viewport(), list.GetItemRect(3).topLeft() + QPoint(40, 3));
    ASSERT_EQ(list.InsertMarker(), 3);
    const QImage dragging = Picture(*list.viewport());
    const QPoint ptMarker(list.GetItemRect(3).center().x(), list.GetItemRect(3).top());
    EXPECT_NE(dragging.pixel(ptMarker), before.pixel(ptMarker));
    const QPoint ptElsewhere = list.GetItemRect(2).center();
    EXPECT_EQ(dragging.pixel(ptElsewhere), before.pixel(ptElsewhere));
    PressKey(&list, Qt::Key_Escape);
    QTest::mouseRelease(list.viewport(), Qt::LeftButton);
}

TEST(ControlsAppearance, BarShowsFourSignsFlushRightWithRaisedAndSunkenEdges) {
    CControlsHost host;
    ASSERT_TRUE(host.ShowActive());
    CListButtonBar& bar = *host.m_pBar;
    ASSERT_TRUE(bar.HasStripImage());
    QImage image = Picture(bar);
    for (int nCell = CListButtonBar::CELL_ADD; nCell <= CListButtonBar::CELL_DOWN; ++nCell) {
        const QRect rc = bar.CellRect(nCell);
        EXPECT_EQ(rc.left(), bar.width() - 88 + 22 * nCell);
        EXPECT_EQ(rc.size(), QSize(22, 20));
        int nDark = 0;
        for (int y = rc.top(); y <= rc.bottom(); ++y)
            for (int x = rc.left(); x <= rc.right(); ++x)
                nDark += IsDark(image.pixel(x, y)) ? 1 : 0;
        EXPECT_GT(nDark, 10) << "cell " << nCell << " has no sign";
    }
    // Left of the strip the bar is plain button face.
    EXPECT_EQ(image.pixel(2, bar.height() / 2), bar.palette().color(QPalette::Button).rgb());

    const QRect rcUp = bar.CellRect(CListButtonBar::CELL_UP);
    QTest::mouseMove(&bar, rcUp.center());
    image = Picture(bar);
    EXPECT_EQ(image.pixel(rcUp.topLeft() + QPoint(5, 0)),
              bar.palette().color(QPalette::Light).rgb());
    EXPECT_EQ(image.pixel(rcUp.bottomRight() - QPoint(5, 0)),
              bar.palette().color(QPalette::Dark).rgb());
    QTest::mousePress(&bar, Qt::LeftButton, Qt::NoModifier, rcUp.center());
    image = Picture(bar);
    EXPECT_EQ(image.pixel(rcUp.topLeft() + QPoint(5, 0)),
              bar.palette().color(QPalette::Dark).rgb());
    QTest::mouseMove(&bar, QPoint(2, 40));
    QTest::mouseRelease(&bar, Qt::LeftButton, Qt::NoModifier, QPoint(2, 40));
}

} // namespace
