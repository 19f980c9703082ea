// The three pages: what they show from the store and the list files, what
// they refuse, and what they write back.
#include "SheetHarness.h"

#include "controls/CInPlaceEdit.h"
#include "res/resource.h"

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QTabWidget>
#include <QTest>
#include <gtest/gtest.h>

namespace {

using Rows_t = std::vector<std::string>;

const char* const kRangeWarning = "100 から 10000 までの整数を入力してください。";
const char* const kNumberWarning = "正の整数を入力してください。";

void ClickCell(CListButtonBar& bar, int nCell) {
    QTest::mouseClick(&bar, Qt::LeftButton, Qt::NoModifier, bar.CellRect(nCell).center());
}

TEST(SettingPages, WithoutAnyFileThePagesShowTheDefaults) {
    CSheetHarness harness;
    ASSERT_TRUE(harness.Open());
    CSettingSheet& sheet = harness.Sheet();
    EXPECT_FALSE(harness.Check(sheet.m_pageTensou, IDC_CHECK_AUTOFORWARD)->isChecked());
    EXPECT_EQ(sheet.m_pageTensou.m_listAddress.GetCount(), 0);

    harness.ClickTab(kTabAccount);
    for (int nId :
         {IDC_EDIT_POP3, IDC_EDIT_SMTP, IDC_EDIT_ACCOUNT, IDC_EDIT_PASSWORD, IDC_EDIT_MAILADDRESS})
        EXPECT_EQ(harness.Edit(sheet.m_pageAccount, nId)->text(), QString()) << nId;

    harness.ClickTab(kTabRule);
    CPageRule& rule = sheet.m_pageRule;
    EXPECT_FALSE(harness.Check(rule, IDC_CHECK_FROMRULE)->isChecked());
    EXPECT_FALSE(harness.Check(rule, IDC_CHECK_SUBJECTRULE)->isChecked());
    EXPECT_TRUE(harness.Check(rule, IDC_CHECK_NOATTACHMENT)->isChecked());
    EXPECT_TRUE(harness.Check(rule, IDC_CHECK_SIZELIMIT)->isChecked());
    EXPECT_EQ(harness.LimitEdit()->text(), QStringLiteral("256"));
    EXPECT_EQ(rule.m_listFrom.GetCount(), 0);
    EXPECT_EQ(rule.m_listSubject.GetCount(), 0);
    harness.ClickCancel();
}

TEST(SettingPages, StoredValuesAreShownAndThePasswordMasked) {
    CSheetHarness harness;
    CProfile& profile = harness.m_profile;
    profile.WriteProfileString("RECV", "POP3", "pop.example.jp");
    profile.WriteProfileString("RECV", "SMTP", "smtp.example.jp");
    profile.WriteProfileString("RECV", "ACOUNT", Cp("太郎"));
    profile.WriteProfileString("RECV", "PASSWORD", "secret");
    profile.WriteProfileString("RECV", "MAILADDRESS", "taro@example.jp");
    profile.WriteProfileInt("SEND", "EXEC", 1);
    profile.WriteProfileInt("RULE", "FROM", 1);
    profile.WriteProfileInt("RULE", "SUBJECT", 1);
    profile.WriteProfileInt("RULE", "TEMP", 0);
    profile.WriteProfileInt("RULE", "SIZE", 0);
    profile.WriteProfileInt("RULE", "LIMIT_BYTE", 1234);
    ASSERT_TRUE(harness.Open());
    CSettingSheet& sheet = harness.Sheet();
    EXPECT_TRUE(harness.Check(sheet.m_pageTensou, IDC_CHECK_AUTOFORWARD)->isChecked());

    harness.ClickTab(kTabAccount);
    CPageAccount& account = sheet.m_pageAccount;
    EXPECT_EQ(harness.Edit(account, IDC_EDIT_POP3)->text(), "pop.example.jp");
    EXPECT_EQ(harness.Edit(account, IDC_EDIT_SMTP)->text(), "smtp.example.jp");
    EXPECT_EQ(harness.Edit(account, IDC_EDIT_ACCOUNT)->text(), QStringLiteral("太郎"));
    EXPECT_EQ(harness.Edit(account, IDC_EDIT_MAILADDRESS)->text(), "taro@example.jp");
    QLineEdit* pPassword = harness.Edit(account, IDC_EDIT_PASSWORD);
    EXPECT_EQ(pPassword->text(), "secret");
    EXPECT_EQ(pPassword->echoMode(), QLineEdit::Password);
    EXPECT_NE(pPassword->displayText(), "secret");

    harness.ClickTab(kTabRule);
    CPageRule& rule = sheet.m_pageRule;
    EXPECT_TRUE(harness.Check(rule, IDC_CHECK_FROMRULE)->isChecked());
    EXPECT_TRUE(harness.Check(rule, IDC_CHECK_SUBJECTRULE)->isChecked());
    EXPECT_FALSE(harness.Check(rule, IDC_CHECK_NOATTACHMENT)->isChecked());
    EXPECT_FALSE(harness.Check(rule, IDC_CHECK_SIZELIMIT)->isChecked());
    EXPECT_EQ(harness.LimitEdit()->text(), QStringLiteral("1234"));
    harness.ClickCancel();
}

TEST(SettingPages, AccountValuesAreWrittenAsTyped) {
    CSheetHarness harness;
    ASSERT_TRUE(harness.Open());
    harness.ClickTab(kTabAccount);
    CPageAccount& account = harness.Sheet().m_pageAccount;
    TypeInto(harness.Edit(account, IDC_EDIT_PASSWORD), QStringLiteral(" p@ss \"word\" 秘密 "));
    TypeInto(harness.Edit(account, IDC_EDIT_POP3), QStringLiteral("  pop.example.jp"));
    TypeInto(harness.Edit(account, IDC_EDIT_MAILADDRESS), QStringLiteral("太郎@example.jp"));
    {
        // An address SMTP cannot carry is named, and stored all the same.
        CMessageBoxCatcher catcher;
        harness.ClickOk();
        ASSERT_EQ(catcher.m_vTexts.size(), 1u);
        EXPECT_NE(catcher.m_vTexts[0].find("メールアドレス 「太郎@example.jp」"), std::string::npos)
            << catcher.m_vTexts[0];
    }
    ASSERT_FALSE(harness.IsOpen());
    CProfile& profile = harness.m_profile;
    EXPECT_EQ(profile.GetProfileString("RECV", "PASSWORD", "-"), Cp(" p@ss \"word\" 秘密 "));
    EXPECT_EQ(profile.GetProfileString("RECV", "POP3", "-"), "  pop.example.jp");
    EXPECT_EQ(profile.GetProfileString("RECV", "MAILADDRESS", "-"), Cp("太郎@example.jp"));
    EXPECT_EQ(profile.GetProfileString("RECV", "SMTP", "-"), "");
    // Plain text in the file, no scrambling.
    EXPECT_NE(harness.m_folder.Read("Quiben.ini").find(Cp("秘密")), std::string::npos);
}

TEST(SettingPages, OkWarnsAboutUnusableAccountValuesButStoresThem) {
    CSheetHarness harness;
    ASSERT_TRUE(harness.Open());
    harness.ClickTab(kTabAccount);
    CPageAccount& account = harness.Sheet().m_pageAccount;
    TypeInto(harness.Edit(account, IDC_EDIT_POP3), QStringLiteral("pop.example.jp:99999"));
    TypeInto(harness.Edit(account, IDC_EDIT_SMTP), QStringLiteral("smtp example jp"));
    TypeInto(harness.Edit(account, IDC_EDIT_MAILADDRESS), QStringLiteral("not an address"));
    CMessageBoxCatcher catcher;
    harness.ClickOk();
    ASSERT_FALSE(harness.IsOpen());
    ASSERT_EQ(catcher.m_vTexts.size(), 1u);
    const std::string& warning = catcher.m_vTexts[0];
    for (const char* pszExpected : {"受信サーバー名 (POP3) 「pop.example.jp:99999」 のポート番号",
                                    "送信サーバー名 (SMTP) 「smtp example jp」 はサーバー名として",
                                    "メールアドレス 「not an address」"})
        EXPECT_NE(warning.find(pszExpected), std::string::npos) << warning;
    EXPECT_EQ(harness.m_profile.GetProfileString("RECV", "POP3", "-"), "pop.example.jp:99999");

    // Usable values, and empty ones, pass without a word.
    ASSERT_TRUE(harness.Open());
    harness.ClickTab(kTabAccount);
    CPageAccount& again = harness.Sheet().m_pageAccount;
    TypeInto(harness.Edit(again, IDC_EDIT_POP3), QStringLiteral("pop3s://pop.example.jp"));
    TypeInto(harness.Edit(again, IDC_EDIT_SMTP), QString());
    TypeInto(harness.Edit(again, IDC_EDIT_MAILADDRESS), QStringLiteral(" taro@example.jp "));
    harness.ClickOk();
    EXPECT_EQ(catcher.m_vTexts.size(), 1u);
}

struct LimitCase {
    const char* pszText;
    bool bAccepted;
    const char* pszWarning; // for refused values
};

class SettingPagesLimit : public testing::TestWithParam<LimitCase> {};

TEST_P(SettingPagesLimit, IsCheckedOnTabChangeAndOkWhetherOrNotTheSizeRuleIsOn) {
    const LimitCase& test = GetParam();
    for (const bool bSizeRuleOn : {true, false}) {
        SCOPED_TRACE(bSizeRuleOn ? "size rule on" : "size rule off");
        CSheetHarness harness;
        ASSERT_TRUE(harness.Open());
        CSettingSheet& sheet = harness.Sheet();
        harness.ClickTab(kTabRule);
        QCheckBox* pSize = harness.Check(sheet.m_pageRule, IDC_CHECK_SIZELIMIT);
        if (pSize->isChecked() != bSizeRuleOn)
            pSize->click();
        QLineEdit* pEdit = harness.LimitEdit();
        TypeInto(pEdit, QString::fromUtf8(test.pszText));

        CMessageBoxCatcher catcher;
        harness.ClickTab(kTabAccount);
        if (test.bAccepted) {
            EXPECT_EQ(catcher.m_vTexts, Rows_t{});
            EXPECT_EQ(sheet.GetActiveIndex(), kTabAccount);
            harness.ClickOk();
            EXPECT_FALSE(harness.IsOpen());
            EXPECT_EQ(harness.m_profile.GetProfileInt("RULE", "LIMIT_BYTE", -1),
                      std::stoi(test.pszText));
            EXPECT_EQ(harness.m_profile.GetProfileInt("RULE", "SIZE", -1), bSizeRuleOn ? 1 : 0);
            continue;
        }
        // The tab change is refused: the page stays, warned once, with the
        // edit focused and its text selected.
        EXPECT_EQ(catcher.m_vTexts, Rows_t{test.pszWarning});
        ASSERT_TRUE(harness.WaitActive());
        EXPECT_EQ(sheet.GetActiveIndex(), kTabRule);
        EXPECT_EQ(sheet.GetTabControl()->currentIndex(), kTabRule);
        EXPECT_EQ(QApplication::focusWidget(), pEdit);
        EXPECT_EQ(pEdit->selectedText(), pEdit->text());
        EXPECT_FALSE(sheet.m_pageAccount.IsCreated());

        // So is OK.
        harness.ClickOk();
        EXPECT_TRUE(harness.IsOpen());
        EXPECT_EQ(catcher.m_vTexts, (Rows_t{test.pszWarning, test.pszWarning}));
        ASSERT_TRUE(harness.WaitActive());
        EXPECT_EQ(QApplication::focusWidget(), pEdit);
        EXPECT_FALSE(harness.m_folder.Exists("Quiben.ini"));

        // And the keyboard's way to the next tab.
        QTest::keyClick(pEdit, Qt::Key_Tab, Qt::ControlModifier);
        EXPECT_EQ(catcher.m_vTexts.size(), 3u);
        ASSERT_TRUE(harness.WaitActive());
        EXPECT_EQ(sheet.GetActiveIndex(), kTabRule);
        EXPECT_EQ(sheet.GetTabControl()->currentIndex(), kTabRule);
        EXPECT_EQ(QApplication::focusWidget(), pEdit);
        QTest::keyClick(pEdit, Qt::Key_Backtab, Qt::ControlModifier | Qt::ShiftModifier);
        EXPECT_EQ(catcher.m_vTexts.size(), 4u);
        ASSERT_TRUE(harness.WaitActive());
        EXPECT_EQ(sheet.GetActiveIndex(), kTabRule);
        EXPECT_EQ(QApplication::focusWidget(), pEdit);
        EXPECT_EQ(pEdit->selectedText(), pEdit->text());

        // Corrected, OK goes through.
        TypeInto(pEdit, QStringLiteral("300"));
        harness.ClickOk();
        EXPECT_FALSE(harness.IsOpen());
        EXPECT_EQ(harness.m_profile.GetProfileInt("RULE", "LIMIT_BYTE", -1), 300);
    }
}

INSTANTIATE_TEST_SUITE_P(Values, SettingPagesLimit,
                         testing::Values(LimitCase{"100", true, nullptr},
                                         LimitCase{"10000", true, nullptr},
                                         LimitCase{"99", false, kRangeWarning},
                                         LimitCase{"0", false, kRangeWarning},
                                         LimitCase{"10001", false, kRangeWarning},
                                         LimitCase{"99999999999", false, kNumberWarning},
                                         LimitCase{"", false, kNumberWarning}));

TEST(SettingPages, AHandEditedLimitOutOfRangeIsShownAndHoldsThePageUntilCorrected) {
    CSheetHarness harness;
    harness.m_profile.WriteProfileInt("RULE", "LIMIT_BYTE", 50);
    const FileSnapshot before = SnapshotSettings(harness.m_folder);
    ASSERT_TRUE(harness.Open());
    harness.ClickTab(kTabRule);
    EXPECT_EQ(harness.LimitEdit()->text(), QStringLiteral("50"));
    {
        CMessageBoxCatcher catcher;
        harness.ClickOk();
        harness.ClickTab(kTabTensou);
        EXPECT_EQ(catcher.m_vTexts, (Rows_t{kRangeWarning, kRangeWarning}));
    }
    ASSERT_TRUE(harness.WaitActive());
    EXPECT_TRUE(harness.IsOpen());
    EXPECT_EQ(harness.Sheet().GetActiveIndex(), kTabRule);
    // Cancel still closes, writing nothing.
    harness.ClickCancel();
    EXPECT_FALSE(harness.IsOpen());
    EXPECT_EQ(SnapshotSettings(harness.m_folder), before);

    ASSERT_TRUE(harness.Open());
    harness.ClickTab(kTabRule);
    TypeInto(harness.LimitEdit(), QStringLiteral("150"));
    harness.ClickOk();
    EXPECT_FALSE(harness.IsOpen());
    EXPECT_EQ(harness.m_profile.GetProfileInt("RULE", "LIMIT_BYTE", -1), 150);
}

TEST(SettingPages, ListFilesLoadEveryLineAndAreWrittenBackWithCrLf) {
    CSheetHarness harness;
    // A, an empty line and B without a final break; a long entry with blanks
    // and Japanese (more than the 64 bytes that can be typed); bare LF.
    const std::string strLong = "  " + std::string(70, 'x') + Cp("転送先") + " ";
    harness.m_folder.Write("to_adr.txt", "A\r\n\r\nB");
    harness.m_folder.Write("rule_f.txt", strLong + "\n");
    harness.m_folder.Write("rule_s.txt", "one\ntwo\n\nthree");
    ASSERT_TRUE(harness.Open());
    CSettingSheet& sheet = harness.Sheet();
    EXPECT_EQ(Rows(sheet.m_pageTensou.m_listAddress), (Rows_t{"A", "", "B"}));
    harness.ClickTab(kTabRule);
    EXPECT_EQ(Rows(sheet.m_pageRule.m_listFrom), Rows_t{strLong});
    EXPECT_EQ(Rows(sheet.m_pageRule.m_listSubject), (Rows_t{"one", "two", "", "three"}));
    harness.ClickOk();
    EXPECT_EQ(harness.m_folder.Read("to_adr.txt"), "A\r\n\r\nB\r\n");
    EXPECT_EQ(harness.m_folder.Read("rule_f.txt"), strLong + "\r\n");
    EXPECT_EQ(harness.m_folder.Read("rule_s.txt"), "one\r\ntwo\r\n\r\nthree\r\n");
}

TEST(SettingPages, ListEditsAreLimitedTo64BytesAndTheFirstRowMoves) {
    CSheetHarness harness;
    harness.m_folder.Write("to_adr.txt", "first@example.jp\r\nsecond@example.jp\r\n");
    ASSERT_TRUE(harness.Open());
    CPageTensou& page = harness.Sheet().m_pageTensou;
    CListBoxEx& list = page.m_listAddress;
    list.setFocus();

    ClickCell(page.m_btnAddress, CListButtonBar::CELL_ADD);
    ASSERT_EQ(list.EditItem(), 2);
    TypeText(QString(40, QChar(u'あ'))); // two bytes each
    QTest::keyClick(list.Edit(), Qt::Key_Return);
    EXPECT_EQ(list.GetText(2), Cp(QString(32, QChar(u'あ')).toUtf8().constData()));

    // Every row can move, the first one included.
    list.SetCurSel(1);
    ClickCell(page.m_btnAddress, CListButtonBar::CELL_UP);
    EXPECT_EQ(list.GetText(0), "second@example.jp");
    list.SetCurSel(0);
    ClickCell(page.m_btnAddress, CListButtonBar::CELL_DELETE);
    harness.ClickOk();
    EXPECT_EQ(harness.m_folder.Read("to_adr.txt"),
              "first@example.jp\r\n" + Cp(QString(32, QChar(u'あ')).toUtf8().constData()) + "\r\n");
}

TEST(SettingPages, EachRuleBarWorksOnItsOwnList) {
    CSheetHarness harness;
    ASSERT_TRUE(harness.Open());
    harness.ClickTab(kTabRule);
    CPageRule& rule = harness.Sheet().m_pageRule;

    ClickCell(rule.m_btnFrom, CListButtonBar::CELL_ADD);
    TypeText(QStringLiteral("boss@example.jp"));
    QTest::keyClick(rule.m_listFrom.Edit(), Qt::Key_Return);
    ClickCell(rule.m_btnSubject, CListButtonBar::CELL_ADD);
    TypeText(QStringLiteral("至急"));
    QTest::keyClick(rule.m_listSubject.Edit(), Qt::Key_Return);

    EXPECT_EQ(Rows(rule.m_listFrom), Rows_t{"boss@example.jp"});
    EXPECT_EQ(Rows(rule.m_listSubject), Rows_t{Cp("至急")});
    harness.ClickOk();
    EXPECT_EQ(harness.m_folder.Read("rule_f.txt"), "boss@example.jp\r\n");
    EXPECT_EQ(harness.m_folder.Read("rule_s.txt"), Cp("至急") + "\r\n");
}

TEST(SettingPages, EveryLabelAndCheckBoxHoldsItsTextOnOneLine) {
    CSheetHarness harness;
    ASSERT_TRUE(harness.Open());
    harness.ClickTab(kTabAccount);
    harness.ClickTab(kTabRule);
    for (int nPage = 0; nPage < harness.Sheet().GetPageCount(); ++nPage) {
        CPropertyPage* pPage = harness.Sheet().GetPage(nPage);
        for (QLabel* pLabel : pPage->findChildren<QLabel*>()) {
            const int nText = pLabel->fontMetrics().horizontalAdvance(pLabel->text());
            EXPECT_LE(nText, pLabel->width()) << pLabel->text().toStdString();
            EXPECT_LE(pLabel->geometry().right(), pPage->width()) << pLabel->text().toStdString();
        }
        for (QCheckBox* pCheck : pPage->findChildren<QCheckBox*>())
            EXPECT_LE(pCheck->sizeHint().width(), pCheck->width()) << pCheck->text().toStdString();
    }
    harness.ClickCancel();
}

} // namespace
