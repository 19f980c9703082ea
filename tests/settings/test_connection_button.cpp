// 接続テスト on the account page against the real servers: it tries the
// values as typed, on a worker while the sheet stays usable, says what each
// server answered, and stores nothing.
#include "SheetHarness.h"

#include "engine/maillib/maillib.h"
#include "res/resource.h"
#include "tests/common/CTestMailServers.h"

#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

namespace {

const char* const kUser = "taro";
const char* const kPassword = "pw-Taro-77";

// Presses 接続テスト and returns the text of the answer.
std::string RunConnectionTest(CSheetHarness& harness) {
    CPageAccount& account = harness.Sheet().m_pageAccount;
    auto* pButton = qobject_cast<QPushButton*>(account.GetDlgItem(IDC_BUTTON_CONNECTION_TEST));
    CMessageBoxCatcher catcher;
    QTest::mouseClick(pButton, Qt::LeftButton);
    EXPECT_FALSE(pButton->isEnabled()); // one test at a time
    EXPECT_TRUE(QTest::qWaitFor([&] { return !catcher.m_vTexts.empty(); }, 60000));
    EXPECT_TRUE(QTest::qWaitFor([&] { return pButton->isEnabled(); }, 5000));
    EXPECT_TRUE(harness.WaitActive());
    return catcher.m_vTexts.empty() ? std::string() : catcher.m_vTexts.front();
}

TEST(ConnectionButton, RightWrongAndDeadServersAreToldApartWithoutSaving) {
    CTestMailServers servers;
    ASSERT_TRUE(servers.IsRunning()) << servers.StartError();
    servers.AddPop3User(kUser, kPassword);
    servers.AddMessage(kUser, "Subject: one\r\n\r\nbody\r\n");
    SetMailTimeouts(5, 5);

    CSheetHarness harness;
    harness.m_profile.WriteProfileString("RECV", "CAFILE", servers.CaFile());
    harness.m_folder.Write("to_adr.txt", "Phone <phone@example.net>\r\n");
    const std::string iniBefore = harness.m_folder.Read("Quiben.ini");
    ASSERT_TRUE(harness.Open());
    harness.ClickTab(kTabAccount);
    CPageAccount& account = harness.Sheet().m_pageAccount;
    TypeInto(harness.Edit(account, IDC_EDIT_POP3), QString::fromStdString(servers.Pop3Server()));
    TypeInto(harness.Edit(account, IDC_EDIT_SMTP), QString::fromStdString(servers.SmtpServer()));
    TypeInto(harness.Edit(account, IDC_EDIT_ACCOUNT), kUser);
    TypeInto(harness.Edit(account, IDC_EDIT_PASSWORD), kPassword);
    TypeInto(harness.Edit(account, IDC_EDIT_MAILADDRESS), "taro@example.jp");

    std::string answer = RunConnectionTest(harness);
    EXPECT_NE(answer.find("ログインできました。メールは 1 通あります。"), std::string::npos)
        << answer;
    EXPECT_NE(answer.find("転送先 phone@example.net は受け付けられました"), std::string::npos)
        << answer;

    TypeInto(harness.Edit(account, IDC_EDIT_PASSWORD), "not-the-Password");
    answer = RunConnectionTest(harness);
    EXPECT_NE(answer.find("ログインできません: -ERR"), std::string::npos) << answer;
    EXPECT_EQ(answer.find("not-the-Password"), std::string::npos) << answer;

    const std::string dead = "127.0.0.1:" + std::to_string(UnusedLoopbackPort());
    TypeInto(harness.Edit(account, IDC_EDIT_POP3), QString::fromStdString(dead));
    answer = RunConnectionTest(harness);
    EXPECT_NE(answer.find("サーバに接続できません: " + dead), std::string::npos) << answer;

    EXPECT_TRUE(servers.ReceivedMails().empty());
    EXPECT_EQ(harness.m_folder.Read("Quiben.ini"), iniBefore);
    harness.ClickCancel();
    SetMailTimeouts(30, 30);
}

} // namespace
