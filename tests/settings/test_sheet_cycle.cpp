// Settings changed through the sheet are what the next forwarding cycle
// uses: the sheet writes, a real cycle against the test servers reads.
#include "SheetHarness.h"

#include "controls/CInPlaceEdit.h"
#include "engine/CForwardEngine.h"
#include "engine/maillib/maillib.h"
#include "res/resource.h"
#include "tests/common/CTestMailServers.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QTest>
#include <fstream>
#include <gtest/gtest.h>
#include <sys/stat.h>

namespace {

const char* const kUser = "hanako";
const char* const kPassword = "pw hanako";

std::string Message(const std::string& strSubject, const std::string& strFrom) {
    return "From: " + strFrom + "\r\nTo: hanako@example.jp\r\nSubject: " + strSubject +
           "\r\nDate: Mon, 2 Dec 2024 09:00:00 +0900\r\nMessage-ID: <" + strSubject.substr(0, 4) +
           "@example.com>\r\nMIME-Version: 1.0\r\nContent-Type: text/plain; charset=UTF-8\r\n"
           "\r\nbody of " +
           strSubject + "\r\n";
}

// The body of a mail as the SMTP server received it.
std::string ForwardedBody(const CReceivedMail& mail, const std::string& strTempDir) {
    const std::string strPath = strTempDir + "/forwarded.eml";
    std::ofstream(strPath, std::ios::binary) << mail.strContent;
    CDecodedMessage decoded;
    CMailError error;
    DecodeMessage({"", strPath, 0}, strTempDir, decoded, error);
    return decoded.strBody;
}

void AddRow(CListButtonBar& bar, CListBoxEx& list, const QString& strText) {
    QTest::mouseClick(&bar, Qt::LeftButton, Qt::NoModifier,
                      bar.CellRect(CListButtonBar::CELL_ADD).center());
    TypeText(strText);
    QTest::keyClick(list.Edit(), Qt::Key_Return);
}

TEST(SettingSheetCycle, WhatTheSheetStoresDrivesTheNextCycles) {
    CTestMailServers servers;
    ASSERT_TRUE(servers.IsRunning()) << servers.StartError();
    servers.AddPop3User(kUser, kPassword);
    servers.AddMessage(kUser, Message("Meeting moved", "Boss <boss@example.jp>"));
    servers.AddMessage(kUser, Message("Newsletter", "news@example.com"));
    SetMailTimeouts(5, 10);

    CSheetHarness harness;
    // The servers' certificate is not something the pages edit.
    harness.m_profile.WriteProfileString("RECV", "CAFILE", servers.CaFile());
    ASSERT_TRUE(harness.Open());
    CSettingSheet& sheet = harness.Sheet();
    CPageTensou& tensou = sheet.m_pageTensou;
    harness.Check(tensou, IDC_CHECK_AUTOFORWARD)->click();
    tensou.m_listAddress.setFocus();
    AddRow(tensou.m_btnAddress, tensou.m_listAddress, "phone@example.jp");
    AddRow(tensou.m_btnAddress, tensou.m_listAddress, "tablet@example.jp");

    harness.ClickTab(kTabAccount);
    CPageAccount& account = sheet.m_pageAccount;
    TypeInto(harness.Edit(account, IDC_EDIT_POP3), QString::fromStdString(servers.Pop3Server()));
    TypeInto(harness.Edit(account, IDC_EDIT_SMTP), QString::fromStdString(servers.SmtpServer()));
    TypeInto(harness.Edit(account, IDC_EDIT_ACCOUNT), kUser);
    TypeInto(harness.Edit(account, IDC_EDIT_PASSWORD), kPassword);
    TypeInto(harness.Edit(account, IDC_EDIT_MAILADDRESS), "hanako@example.jp");

    // Only the boss, only about meetings (Latin letters in any case).
    harness.ClickTab(kTabRule);
    CPageRule& rule = sheet.m_pageRule;
    harness.Check(rule, IDC_CHECK_FROMRULE)->click();
    AddRow(rule.m_btnFrom, rule.m_listFrom, "BOSS@example.jp");
    harness.Check(rule, IDC_CHECK_SUBJECTRULE)->click();
    AddRow(rule.m_btnSubject, rule.m_listSubject, "meeting");
    harness.ClickOk();
    ASSERT_FALSE(harness.IsOpen());
    EXPECT_EQ(harness.m_profile.GetProfileInt("SEND", "EXEC", 0), 1);
    struct stat info {};
    ASSERT_EQ(stat(harness.m_folder.File("Quiben.ini").c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u) << "the sheet stored the password owner-only";

    CTempFolder temp;
    CForwardEngine engine(harness.m_folder.Path(), temp.Path());
    ASSERT_TRUE(engine.RunForwardCycle());
    std::vector<CReceivedMail> mails = servers.ReceivedMails();
    ASSERT_EQ(mails.size(), 2u);
    EXPECT_EQ(mails[0].rcptTos, std::vector<std::string>{"phone@example.jp"});
    EXPECT_EQ(mails[1].rcptTos, std::vector<std::string>{"tablet@example.jp"});
    EXPECT_EQ(mails[0].strMailFrom, "hanako@example.jp");
    EXPECT_NE(ForwardedBody(mails[0], temp.Path()).find("Title:Meeting moved"), std::string::npos);
    EXPECT_FALSE(harness.m_folder.Exists("ErrorLog.txt"));

    // The subject rule off and the tablet gone: the next cycle forwards the
    // boss's later mail to the phone alone (mail that the rules held back
    // stays handled).
    servers.AddMessage(kUser, Message("Lunch", "Boss <boss@example.jp>"));
    ASSERT_TRUE(harness.Open());
    CPageTensou& tensou2 = harness.Sheet().m_pageTensou;
    tensou2.m_listAddress.SetCurSel(1);
    QTest::mouseClick(&tensou2.m_btnAddress, Qt::LeftButton, Qt::NoModifier,
                      tensou2.m_btnAddress.CellRect(CListButtonBar::CELL_DELETE).center());
    harness.ClickTab(kTabRule);
    harness.Check(harness.Sheet().m_pageRule, IDC_CHECK_SUBJECTRULE)->click();
    harness.ClickOk();
    ASSERT_FALSE(harness.IsOpen());

    ASSERT_TRUE(engine.RunForwardCycle());
    mails = servers.ReceivedMails();
    ASSERT_EQ(mails.size(), 3u);
    EXPECT_EQ(mails[2].rcptTos, std::vector<std::string>{"phone@example.jp"});
    EXPECT_NE(ForwardedBody(mails[2], temp.Path()).find("Title:Lunch"), std::string::npos);
    EXPECT_FALSE(harness.m_folder.Exists("ErrorLog.txt"));
    SetMailTimeouts(30, 30);
}

} // namespace
