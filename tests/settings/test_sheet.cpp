// The settings sheet as a whole: which pages exist when, what OK writes and
// in which order, and that every way of cancelling writes nothing.
#include "SheetHarness.h"

#include "config/schema.h"
#include "controls/CInPlaceEdit.h"
#include "engine/maillib/CConnectionTest.h"
#include "res/resource.h"

#include <QApplication>
#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>
#include <gtest/gtest.h>

namespace {

using Names = std::vector<std::string>;

// A folder in which every settings file already holds something.
void FillSettings(CSheetHarness& harness) {
    CProfile& profile = harness.m_profile;
    profile.WriteProfileString("RECV", "POP3", "pop.example.jp");
    profile.WriteProfileString("RECV", "SMTP", "smtp.example.jp");
    profile.WriteProfileString("RECV", "ACOUNT", "taro");
    profile.WriteProfileString("RECV", "PASSWORD", "secret");
    profile.WriteProfileString("RECV", "MAILADDRESS", "taro@example.jp");
    profile.WriteProfileInt("SEND", "EXEC", 1);
    profile.WriteProfileInt("RULE", "FROM", 1);
    profile.WriteProfileInt("RULE", "LIMIT_BYTE", 500);
    harness.m_folder.Write("to_adr.txt", "a@example.jp\nb@example.jp");
    harness.m_folder.Write("rule_f.txt", "boss\r\n");
    harness.m_folder.Write("rule_s.txt", Cp("至急") + "\r\n");
}

TEST(SettingSheet, TabsReadForwardAccountRuleAndOnlyTheFirstPageExistsAtOpening) {
    CSheetHarness harness;
    ASSERT_TRUE(harness.Open());
    CSettingSheet& sheet = harness.Sheet();
    EXPECT_EQ(sheet.windowTitle(), QStringLiteral("設定"));
    QTabWidget* pTabs = sheet.GetTabControl();
    ASSERT_EQ(pTabs->count(), 3);
    EXPECT_EQ(pTabs->tabText(0), QStringLiteral("転送"));
    EXPECT_EQ(pTabs->tabText(1), QStringLiteral("受信メール"));
    EXPECT_EQ(pTabs->tabText(2), QStringLiteral("転送ﾙｰﾙ"));
    EXPECT_EQ(sheet.GetPage(0), &sheet.m_pageTensou);
    EXPECT_EQ(sheet.GetActiveIndex(), 0);
    EXPECT_TRUE(sheet.m_pageTensou.IsCreated());
    EXPECT_FALSE(sheet.m_pageAccount.IsCreated());
    EXPECT_FALSE(sheet.m_pageRule.IsCreated());

    // Two buttons, no Apply.
    EXPECT_EQ(sheet.findChildren<QPushButton*>(QString(), Qt::FindDirectChildrenOnly).size(), 2);

    harness.ClickTab(kTabRule);
    EXPECT_EQ(sheet.GetActiveIndex(), kTabRule);
    EXPECT_TRUE(sheet.m_pageRule.IsCreated());
    EXPECT_FALSE(sheet.m_pageAccount.IsCreated());
    // The focus left the forward page with it.
    EXPECT_TRUE(sheet.m_pageRule.isAncestorOf(QApplication::focusWidget()));
    harness.ClickCancel();
}

// Names of the widgets the tab key visits from the tabs round to the tabs.
std::vector<QString> TabCycle(CSettingSheet& sheet) {
    QWidget* pTabBar = sheet.GetTabControl()->tabBar();
    pTabBar->setFocus(Qt::TabFocusReason);
    std::vector<QString> names;
    for (int n = 0; n < 12; ++n) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        if (QApplication::focusWidget() == pTabBar)
            break;
        names.push_back(QApplication::focusWidget()->objectName());
    }
    return names;
}

TEST(SettingSheet, TheTabKeyGoesThroughThePageThenOkAndCancel) {
    CSheetHarness harness;
    ASSERT_TRUE(harness.Open());
    CSettingSheet& sheet = harness.Sheet();
    harness.ClickTab(kTabRule);
    harness.ClickTab(kTabAccount);
    EXPECT_EQ(TabCycle(sheet),
              (std::vector<QString>{"item1002", "item1003", "item1005", "item1006", "item1007",
                                    "item1008", "sheetOk", "sheetCancel"}));
    harness.ClickTab(kTabTensou);
    EXPECT_EQ(TabCycle(sheet),
              (std::vector<QString>{"item1001", "item1008", "item1009", "sheetOk", "sheetCancel"}));
    harness.ClickTab(kTabRule);
    EXPECT_EQ(TabCycle(sheet), (std::vector<QString>{"item1003", "item1004", "item1005", "item1006",
                                                     "item1007", "item1008", "item1009", "item1010",
                                                     "item1011", "sheetOk", "sheetCancel"}));
    harness.ClickCancel();
}

TEST(SettingSheet, CtrlTabTurnsThePagesFromAnywhereInTheSheet) {
    CSheetHarness harness;
    ASSERT_TRUE(harness.Open());
    CSettingSheet& sheet = harness.Sheet();
    // From inside a page the focus goes along to the new page.
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab, Qt::ControlModifier);
    EXPECT_EQ(sheet.GetActiveIndex(), kTabAccount);
    EXPECT_TRUE(sheet.m_pageAccount.isAncestorOf(QApplication::focusWidget()));
    // From the buttons and the tabs too, backwards round the end.
    QTest::keyClick(sheet.GetOkButton(), Qt::Key_Tab, Qt::ControlModifier);
    EXPECT_EQ(sheet.GetActiveIndex(), kTabRule);
    EXPECT_EQ(sheet.GetTabControl()->currentIndex(), kTabRule);
    QTest::keyClick(sheet.GetTabControl()->tabBar(), Qt::Key_Backtab,
                    Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(sheet.GetActiveIndex(), kTabAccount);
    QTest::keyClick(sheet.GetCancelButton(), Qt::Key_Backtab,
                    Qt::ControlModifier | Qt::ShiftModifier);
    QTest::keyClick(sheet.GetCancelButton(), Qt::Key_Backtab,
                    Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(sheet.GetActiveIndex(), kTabRule);
    EXPECT_EQ(sheet.GetTabControl()->currentIndex(), kTabRule);
    harness.ClickCancel();
}

enum class CancelWay { Button, EscapeKey, CloseBox };

class SettingSheetCancel : public testing::TestWithParam<CancelWay> {};

TEST_P(SettingSheetCancel, WritesNothingAfterEditsOnEveryPage) {
    CSheetHarness harness;
    FillSettings(harness);
    const FileSnapshot before = SnapshotSettings(harness.m_folder);
    CWriteRecorder recorder(harness.m_folder.Path());
    ASSERT_TRUE(harness.Open());
    CSettingSheet& sheet = harness.Sheet();

    // Change something on every page: a removed row, an unticked switch,
    // a typed password, a new limit.
    sheet.m_pageTensou.m_listAddress.DeleteString(0);
    harness.Check(sheet.m_pageTensou, IDC_CHECK_AUTOFORWARD)->click();
    harness.ClickTab(kTabAccount);
    TypeInto(harness.Edit(sheet.m_pageAccount, IDC_EDIT_PASSWORD), QStringLiteral("other"));
    harness.ClickTab(kTabRule);
    TypeInto(harness.LimitEdit(), QStringLiteral("1000"));
    sheet.m_pageRule.m_listFrom.DeleteString(0);

    switch (GetParam()) {
    case CancelWay::Button:
        harness.ClickCancel();
        break;
    case CancelWay::EscapeKey:
        QTest::keyClick(harness.LimitEdit(), Qt::Key_Escape);
        break;
    case CancelWay::CloseBox:
        sheet.close();
        break;
    }
    EXPECT_FALSE(harness.IsOpen());
    EXPECT_EQ(sheet.result(), IDCANCEL);
    EXPECT_EQ(SnapshotSettings(harness.m_folder), before);
    EXPECT_EQ(recorder.Take(), Names{});
}

INSTANTIATE_TEST_SUITE_P(AllWays, SettingSheetCancel,
                         testing::Values(CancelWay::Button, CancelWay::EscapeKey,
                                         CancelWay::CloseBox));

TEST(SettingSheet, OkAtOnceWritesOnlyTheForwardPagesList) {
    CSheetHarness harness;
    FillSettings(harness);
    const FileSnapshot before = SnapshotSettings(harness.m_folder);
    CWriteRecorder recorder(harness.m_folder.Path());
    ASSERT_TRUE(harness.Open());
    harness.ClickOk();
    EXPECT_FALSE(harness.IsOpen());
    EXPECT_EQ(harness.Sheet().result(), IDOK);

    // The switch is stored as it was, so the INI is left alone; the address
    // file is written whole, with CR LF.
    EXPECT_EQ(recorder.Take(), (Names{"to_adr.txt"}));
    const FileSnapshot after = SnapshotSettings(harness.m_folder);
    EXPECT_EQ(after.at("Quiben.ini"), before.at("Quiben.ini"));
    EXPECT_EQ(after.at("to_adr.txt"), "a@example.jp\r\nb@example.jp\r\n");
    EXPECT_EQ(after.at("rule_f.txt"), before.at("rule_f.txt"));
    EXPECT_EQ(after.at("rule_s.txt"), before.at("rule_s.txt"));
}

TEST(SettingSheet, AllThreeTabsThenOkWritesEveryKeyAndFileInOrder) {
    CSheetHarness harness;
    CWriteRecorder recorder(harness.m_folder.Path());
    ASSERT_TRUE(harness.Open());
    harness.ClickTab(kTabAccount);
    harness.ClickTab(kTabRule);
    harness.ClickOk();
    EXPECT_FALSE(harness.IsOpen());

    // One INI write per page's section, in tab order, each page's list files
    // after its keys.
    EXPECT_EQ(recorder.Take(), (Names{"Quiben.ini", "to_adr.txt", "Quiben.ini", "Quiben.ini",
                                      "rule_f.txt", "rule_s.txt"}));

    // Written into an empty store, the keys stand in the order of writing,
    // each with the default it was shown with.
    EXPECT_EQ(harness.m_folder.Read("Quiben.ini"),
              "[SEND]\r\nEXEC=0\r\n"
              "[RECV]\r\nPOP3=\r\nSMTP=\r\nACOUNT=\r\nMAILADDRESS=\r\nPASSWORD=\r\n"
              "[RULE]\r\nFROM=0\r\nSUBJECT=0\r\nTEMP=1\r\nSIZE=1\r\nLIMIT_BYTE=256\r\n");
    for (const char* pszList : {"to_adr.txt", "rule_f.txt", "rule_s.txt"}) {
        ASSERT_TRUE(harness.m_folder.Exists(pszList)) << pszList;
        EXPECT_EQ(harness.m_folder.Read(pszList), "") << pszList;
    }
}

TEST(SettingSheet, OkAppliesOnlyThePagesShownInThisRun) {
    CSheetHarness harness;
    FillSettings(harness);
    CWriteRecorder recorder(harness.m_folder.Path());
    ASSERT_TRUE(harness.Open());
    harness.ClickTab(kTabRule);
    harness.ClickOk();
    // The switch reads as stored, so SEND is left alone; RULE gets the keys
    // it lacked, once.
    EXPECT_EQ(recorder.Take(), (Names{"to_adr.txt", "Quiben.ini", "rule_f.txt", "rule_s.txt"}));
    // The account keys were not touched: the store reads as before.
    EXPECT_EQ(harness.m_profile.GetProfileString("RECV", "PASSWORD", ""), "secret");
    EXPECT_EQ(harness.m_profile.GetProfileInt("RULE", "TEMP", -1), 1);
    EXPECT_EQ(harness.m_profile.GetProfileInt("RULE", "LIMIT_BYTE", -1), 500);
}

// A page writes its section in one replacement of the INI, and only when a
// value would read differently; keys set by hand stay as they are.
TEST(SettingSheet, OkWritesTheIniOncePerSectionItChanged) {
    CSheetHarness harness;
    FillSettings(harness);
    harness.m_profile.WriteProfileString("RECV", "CAFILE", "/etc/ca.pem");
    harness.m_profile.WriteProfileInt("RECV", "TIMEUP", 900000);
    harness.m_profile.WriteProfileStrings("RULE", {{"SUBJECT", "0"}, {"TEMP", "1"}, {"SIZE", "1"}});
    CWriteRecorder recorder(harness.m_folder.Path());
    ASSERT_TRUE(harness.Open());
    CSettingSheet& sheet = harness.Sheet();
    harness.Check(sheet.m_pageTensou, IDC_CHECK_AUTOFORWARD)->click();
    harness.ClickTab(kTabAccount);
    TypeInto(harness.Edit(sheet.m_pageAccount, IDC_EDIT_SMTP), QStringLiteral("mx.example.jp"));
    TypeInto(harness.Edit(sheet.m_pageAccount, IDC_EDIT_PASSWORD), QStringLiteral("other"));
    harness.ClickTab(kTabRule);
    harness.ClickOk();
    EXPECT_EQ(recorder.Take(),
              (Names{"Quiben.ini", "to_adr.txt", "Quiben.ini", "rule_f.txt", "rule_s.txt"}));
    EXPECT_EQ(harness.m_folder.Read("Quiben.ini"),
              "[RECV]\r\nPOP3=pop.example.jp\r\nSMTP=mx.example.jp\r\nACOUNT=taro\r\n"
              "PASSWORD=other\r\nMAILADDRESS=taro@example.jp\r\nCAFILE=/etc/ca.pem\r\n"
              "TIMEUP=900000\r\n[SEND]\r\nEXEC=0\r\n[RULE]\r\nFROM=1\r\nLIMIT_BYTE=500\r\n"
              "SUBJECT=0\r\nTEMP=1\r\nSIZE=1\r\n");
}

TEST(SettingSheet, EditsSurviveATabRoundTripAndAreWrittenOnOk) {
    CSheetHarness harness;
    ASSERT_TRUE(harness.Open());
    CSettingSheet& sheet = harness.Sheet();
    harness.ClickTab(kTabAccount);
    TypeInto(harness.Edit(sheet.m_pageAccount, IDC_EDIT_ACCOUNT), QStringLiteral("hanako"));
    harness.ClickTab(kTabTensou);
    harness.Check(sheet.m_pageTensou, IDC_CHECK_AUTOFORWARD)->click();
    harness.ClickTab(kTabAccount);
    EXPECT_EQ(harness.Edit(sheet.m_pageAccount, IDC_EDIT_ACCOUNT)->text(), "hanako");
    harness.ClickTab(kTabRule);
    harness.ClickOk();
    EXPECT_EQ(harness.m_profile.GetProfileString("RECV", "ACOUNT", ""), "hanako");
    EXPECT_EQ(harness.m_profile.GetProfileInt("SEND", "EXEC", -1), 1);
}

TEST(SettingSheet, EnterAndEscapeInAListEditorEndTheEditNotTheSheet) {
    CSheetHarness harness;
    ASSERT_TRUE(harness.Open());
    CListBoxEx& list = harness.Sheet().m_pageTensou.m_listAddress;
    list.setFocus();
    list.AddNewItem();
    TypeText(QStringLiteral("x@example.jp"));
    QTest::keyClick(list.Edit(), Qt::Key_Return);
    EXPECT_TRUE(harness.IsOpen());
    EXPECT_EQ(Rows(list), (std::vector<std::string>{"x@example.jp"}));

    list.BeginEdit(0);
    TypeText(QStringLiteral("changed"));
    QTest::keyClick(list.Edit(), Qt::Key_Escape);
    EXPECT_TRUE(harness.IsOpen());
    EXPECT_EQ(Rows(list), (std::vector<std::string>{"x@example.jp"}));

    // Enter outside the editor is the sheet's OK.
    QTest::keyClick(&list, Qt::Key_Return);
    EXPECT_FALSE(harness.IsOpen());
    EXPECT_EQ(harness.Sheet().result(), IDOK);
    EXPECT_EQ(harness.m_folder.Read("to_adr.txt"), "x@example.jp\r\n");
}

TEST(SettingSheet, TextStillInAnOpenListEditorIsKeptOnOk) {
    CSheetHarness harness;
    ASSERT_TRUE(harness.Open());
    CSettingSheet& sheet = harness.Sheet();
    harness.ClickTab(kTabRule);
    CListBoxEx& list = sheet.m_pageRule.m_listSubject;
    list.setFocus();
    list.AddNewItem();
    TypeText(QStringLiteral("会議"));
    ASSERT_EQ(list.EditItem(), 0);
    // OK pressed without taking the focus from the editor (as a shortcut does).
    sheet.GetOkButton()->click();
    EXPECT_FALSE(harness.IsOpen());
    EXPECT_EQ(harness.m_folder.Read("rule_s.txt"), Cp("会議") + "\r\n");
}

TEST(SettingSheet, RunSettingSheetRunsModallyOverItsOwner) {
    CTempFolder folder;
    CProfile profile(folder.File("Quiben.ini"));
    CSettingsStore store(folder.Path());
    QWidget owner;
    int nResult = 0;
    bool bSawSheet = false;
    QTimer::singleShot(0, [&] {
        auto* pSheet = qobject_cast<CSettingSheet*>(QApplication::activeModalWidget());
        bSawSheet = pSheet != nullptr && pSheet->parentWidget() == &owner &&
                    pSheet->windowTitle() == QStringLiteral("設定");
        if (pSheet != nullptr)
            pSheet->GetOkButton()->click();
    });
    nResult = RunSettingSheet(store, &CConnectionTest::Run, &owner);
    EXPECT_TRUE(bSawSheet);
    EXPECT_EQ(nResult, IDOK);
    EXPECT_EQ(profile.GetProfileInt("SEND", "EXEC", -1), 0);
    EXPECT_TRUE(folder.Exists("to_adr.txt"));
}

} // namespace
