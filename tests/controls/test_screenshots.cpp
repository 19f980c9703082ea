// Pictures of the list and the bar in their states, written to
// <build>/screenshots for a person to look at. The test checks only that
// they were written.
#include "ControlsHost.h"
#include <QDir>
#include <QTest>
#include <gtest/gtest.h>

namespace {

QString ShotPath(const char* pszName) {
    const QString strDir = QStringLiteral(QUIBEN_BINARY_DIR "/screenshots");
    QDir().mkpath(strDir);
    return strDir + "/" + pszName + ".png";
}

bool Save(QWidget& widget, const char* pszName) {
    return widget.grab().save(ShotPath(pszName));
}

TEST(ControlsScreenshots, ListAndBarStates) {
    CControlsHost host;
    Fill(*host.m_pList,
         {"user@example.jp", Cp("クイベンより転送"), Cp("A&B 商事"), "mobile@example.ne.jp"});
    ASSERT_TRUE(host.ShowActive());
    EXPECT_TRUE(Save(host, "list-normal"));

    ClickRow(*host.m_pList, 1);
    EXPECT_TRUE(Save(host, "list-selected"));

    host.m_pList->BeginEdit(2);
    EXPECT_TRUE(Save(host, "list-editing"));
    host.m_pList->EndEdit(true);

    // A drag on its way to land before row 3.
    QTest::mousePress(host.m_pList->viewport(), Qt::LeftButton, Qt::NoModifier,
                      RowPoint(*host.m_pList, 0));
    QTest::mouseMove(host.m_pList->viewport(),
                     host.m_pList->GetItemRect(3).topLeft() + QPoint(40, 1));
    EXPECT_TRUE(Save(host, "list-dragging"));
    PressKey(host.m_pList, Qt::Key_Escape);
    QTest::mouseRelease(host.m_pList->viewport(), Qt::LeftButton);

    CListButtonBar& bar = *host.m_pBar;
    QTest::mouseMove(&bar, bar.CellRect(CListButtonBar::CELL_UP).center());
    EXPECT_TRUE(Save(bar, "bar-hot"));
    QTest::mousePress(&bar, Qt::LeftButton, Qt::NoModifier,
                      bar.CellRect(CListButtonBar::CELL_DELETE).center());
    EXPECT_TRUE(Save(bar, "bar-pressed"));
    QTest::mouseMove(&bar, QPoint(2, 40));
    QTest::mouseRelease(&bar, Qt::LeftButton, Qt::NoModifier, QPoint(2, 40));
}

} // namespace
