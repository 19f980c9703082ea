// Pictures of the three settings pages, written to <build>/screenshots for a
// person to look at. The test checks only that they were written.
#include "SheetHarness.h"

#include <QApplication>
#include <QDir>
#include <QLineEdit>
#include <QMessageBox>
#include <QPainter>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

namespace {

QString ShotPath(const char* pszName) {
    const QString strDir = QStringLiteral(QUIBEN_BINARY_DIR "/screenshots");
    QDir().mkpath(strDir);
    return strDir + "/" + pszName + ".png";
}

TEST(SettingsScreenshots, ThreePages) {
    CSheetHarness harness;
    harness.m_folder.Write("to_adr.txt", "taro@example.jp\r\nmobile@example.ne.jp\r\n");
    harness.m_folder.Write("rule_f.txt", "boss@example.jp\r\n");
    harness.m_folder.Write("rule_s.txt", Cp("至急") + "\r\n" + Cp("会議") + "\r\n");
    harness.m_profile.WriteProfileString("RECV", "POP3", "pop.example.jp");
    harness.m_profile.WriteProfileString("RECV", "PASSWORD", "secret");
    ASSERT_TRUE(harness.Open());
    EXPECT_TRUE(harness.Sheet().grab().save(ShotPath("settings-tensou")));
    CListBoxEx& list = harness.Sheet().m_pageTensou.m_listAddress;
    list.setFocus();
    list.BeginEdit(1);
    EXPECT_TRUE(harness.Sheet().grab().save(ShotPath("settings-tensou-editing")));
    list.EndEdit(true);
    // From the keyboard: the check box, the list and the bar show where the
    // focus is.
    QWidget* pTabs = harness.Sheet().GetTabControl()->tabBar();
    pTabs->setFocus(Qt::TabFocusReason);
    QImage keyboard(harness.Sheet().width() * 3, harness.Sheet().height(), QImage::Format_RGB32);
    QPainter painter(&keyboard);
    for (int n = 0; n < 3; ++n) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        painter.drawPixmap(n * harness.Sheet().width(), 0, harness.Sheet().grab());
    }
    painter.end();
    EXPECT_TRUE(keyboard.save(ShotPath("settings-keyboard")));
    harness.ClickTab(kTabAccount);
    EXPECT_TRUE(harness.Sheet().grab().save(ShotPath("settings-account")));
    harness.ClickTab(kTabRule);
    EXPECT_TRUE(harness.Sheet().grab().save(ShotPath("settings-rule")));

    // The range warning over the refused page.
    TypeInto(harness.LimitEdit(), QStringLiteral("50"));
    bool bSaved = false;
    QTimer::singleShot(50, [&] {
        auto* pBox = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (pBox == nullptr)
            return;
        bSaved = pBox->grab().save(ShotPath("settings-rule-warning"));
        pBox->done(QMessageBox::Ok);
    });
    harness.ClickOk();
    EXPECT_TRUE(bSaved);
    harness.ClickCancel();
}

} // namespace
