// The forwarding's health as the user sees it: the window stays responsive
// while a cycle waits on a silent server, the badge and tooltip tell the last
// cycle's outcome, the error log window, notifications, and the platform
// chosen on Wayland. (A second start's request travels over the running
// copy's channel in the process test below and in test_instance.)
#include "tests/common/modal.h"

#include "app/CErrorLogWindow.h"
#include "app/CHealthDisplay.h"
#include "app/CInstanceChannel.h"
#include "app/CQuibenDlg.h"
#include "app/OnceCycle.h"
#include "app/QtPlatformChoice.h"
#include "config/CSettingsStore.h"
#include "config/schema.h"
#include "dialog/CBackgroundJob.h"
#include "dialog/MenuTemplate.h"
#include "engine/CForwardEngine.h"
#include "engine/errorlog.h"
#include "engine/maillib/maillib.h"
#include "platform/codepage.h"
#include "platform/profile.h"
#include "res/resource.h"
#include "res/strings.h"
#include "tests/common/CSilentServer.h"
#include "tests/common/CTempFolder.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QElapsedTimer>
#include <QFile>
#include <QMenu>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>
#include <QTest>
#include <filesystem>
#include <gtest/gtest.h>
#include <sys/stat.h>

namespace {

using namespace schema;

CycleReport Report(int nForwarded, const std::string& strErrors) {
    CycleReport report;
    report.tFinished = 1767225600; // 2026-01-01 00:00:00 UTC
    report.bSucceeded = strErrors.empty();
    report.nForwarded = nForwarded;
    report.strErrors = strErrors;
    return report;
}

// A program folder with the skin, and a window whose cycle hands out a
// prepared report (set before the cycle's thread starts).
class HealthTest : public ::testing::Test {
protected:
    void SetUp() override {
        g_bInCycle = false;
        std::filesystem::copy_file(QUIBEN_SOURCE_DIR "/res/zorvik.bmp", m_home.File(kSkinFile));
    }
    void TearDown() override {
        EXPECT_TRUE(QTest::qWaitFor([] { return CBackgroundJob::RunningThreads() == 0; }, 30000));
        g_bInCycle = false;
    }

    std::unique_ptr<CQuibenDlg> ShowWindow() {
        auto pDlg = std::make_unique<CQuibenDlg>(m_store, std::vector<std::string>{m_home.Path()},
                                                 [this] { return m_next; });
        EXPECT_TRUE(pDlg->CreateAndInit());
        pDlg->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(pDlg.get()));
        return pDlg;
    }

    void RunCycle(CQuibenDlg& dlg, const CycleReport& report) {
        m_next = report;
        dlg.SendCommand(ID_RUN_CYCLE_NOW);
        ASSERT_TRUE(QTest::qWaitFor([&] { return !dlg.IsCycleRunning(); }, 10000));
    }

    CTempFolder m_home;
    CProfile m_profile{m_home.File(kIniFile)};
    CSettingsStore m_store{m_home.Path()};
    CycleReport m_next;
};

TEST_F(HealthTest, BadgeAndTooltipTellTheLastCycle) {
    auto pDlg = ShowWindow();
    EXPECT_FALSE(pDlg->IsBadgeShown());
    EXPECT_TRUE(pDlg->toolTip().contains(QString::fromUtf8(healthtext::kNoCycleYet)));

    const std::string error =
        "送信エラー:宛先を拒否されました: 550 5.1.1 <gone@example.net> unknown";
    RunCycle(*pDlg, Report(2, error));
    ASSERT_TRUE(pDlg->IsBadgeShown());
    // The whole badge lies inside the figure, and is painted there.
    const QPoint centre = pDlg->GetBadgeCentre();
    const int r = CHealthDisplay::kBadgeDiameter / 2;
    for (const QPoint& edge : {QPoint(-r, 0), QPoint(r - 1, 0), QPoint(0, -r), QPoint(0, r - 1)})
        EXPECT_TRUE(pDlg->mask().contains(centre + edge)) << edge.x() << "," << edge.y();
    const QPoint redPoint = centre + QPoint(r / 2 + 1, 0);
    EXPECT_EQ(pDlg->grab().toImage().pixel(redPoint), qRgb(204, 0, 0));
    const QString tip = pDlg->toolTip();
    const QString when = QDateTime::fromSecsSinceEpoch(1767225600).toString("yyyy/MM/dd HH:mm:ss");
    EXPECT_TRUE(tip.contains(when)) << tip.toStdString();
    EXPECT_TRUE(tip.contains("2 通")) << tip.toStdString();
    // The error in full, the address literally (not taken for markup).
    EXPECT_TRUE(tip.contains("550 5.1.1 &lt;gone@example.net&gt; unknown")) << tip.toStdString();

    RunCycle(*pDlg, Report(0, ""));
    EXPECT_FALSE(pDlg->IsBadgeShown());
    EXPECT_NE(pDlg->grab().toImage().pixel(redPoint), qRgb(204, 0, 0));
    EXPECT_TRUE(pDlg->toolTip().contains(QString::fromUtf8(healthtext::kNoError)));
}

TEST_F(HealthTest, ErrorLogWindowShowsTheLogNewestFirstAndReadOnly) {
    WriteErrorLog(m_home.Path(), Utf8ToCp932("受信エラー:最初"));
    WriteErrorLog(m_home.Path(), Utf8ToCp932("送信エラー:二番目"));
    auto pDlg = ShowWindow();
    pDlg->SendCommand(ID_MENU_ERROR_LOG);
    CErrorLogWindow* pLog = pDlg->GetErrorLogWindow();
    ASSERT_NE(pLog, nullptr);
    EXPECT_TRUE(pLog->isVisible());
    const QString text = pLog->Text();
    EXPECT_LT(text.indexOf("送信エラー:二番目"), text.indexOf("受信エラー:最初"))
        << text.toStdString();
    EXPECT_TRUE(pLog->findChild<QPlainTextEdit*>()->isReadOnly());

    // A new entry shows when a cycle ends while the window is open.
    WriteErrorLog(m_home.Path(), Utf8ToCp932("受信エラー:三番目"));
    RunCycle(*pDlg, Report(0, "受信エラー:三番目"));
    EXPECT_EQ(pLog->Text().indexOf("受信エラー:三番目"), pLog->Text().indexOf('\n') + 1);
}

TEST(ErrorLogText, EntriesReverseAndACutEntryIsKept) {
    const std::string dashes(40, '-');
    const std::string log =
        "t1\r\none\r\n" + dashes + "\r\nt2\r\ntwo\r\nlines\r\n" + dashes + "\r\nt3\r\ncut sh";
    EXPECT_EQ(NewestEntriesFirst(log),
              "t3\ncut sh\nt2\ntwo\nlines\n" + dashes + "\nt1\none\n" + dashes + "\n");
    EXPECT_EQ(NewestEntriesFirst(""), "");
}

TEST_F(HealthTest, ALogThatIsNoFileDoesNotHangTheWindow) {
    ASSERT_EQ(mkfifo(m_home.File(kErrorLogFile).c_str(), 0600), 0);
    auto pDlg = ShowWindow();
    pDlg->SendCommand(ID_MENU_ERROR_LOG);
    ASSERT_NE(pDlg->GetErrorLogWindow(), nullptr);
    EXPECT_EQ(pDlg->GetErrorLogWindow()->Text(), QString::fromUtf8(healthtext::kLogEmpty));
}

// Run by ctest under a private session bus with a listener that owns the
// notification service and records each call in QUIBEN_NOTIFY_LOG
// (tests/app/notification_listener.py).
TEST_F(HealthTest, TwoFailedCyclesAndOneGoodOneNotifyTwice) {
    const char* pszLog = std::getenv("QUIBEN_NOTIFY_LOG");
    if (pszLog == nullptr)
        GTEST_SKIP() << "needs the notification listener (ctest -R app_notifications)";
    auto pDlg = ShowWindow();
    RunCycle(*pDlg, Report(0, "受信エラー:ログインできません: -ERR [AUTH] failed"));
    RunCycle(*pDlg, Report(0, "受信エラー:ログインできません: -ERR [AUTH] failed"));
    RunCycle(*pDlg, Report(1, ""));
    // The listener has handled every earlier call once it answers this one.
    QDBusMessage sync = QDBusMessage::createMethodCall(
        "org.freedesktop.Notifications", "/org/freedesktop/Notifications",
        "org.freedesktop.Notifications", "GetServerInformation");
    ASSERT_EQ(QDBusConnection::sessionBus().call(sync, QDBus::Block, 5000).type(),
              QDBusMessage::ReplyMessage);
    QFile file(QString::fromLocal8Bit(pszLog));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QList<QByteArray> calls = file.readAll().trimmed().split('\n');
    ASSERT_EQ(calls.size(), 2) << file.fileName().toStdString();
    EXPECT_TRUE(calls[0].contains(healthtext::kFailingSummary)) << calls[0].toStdString();
    EXPECT_TRUE(calls[0].contains("-ERR [AUTH] failed")) << calls[0].toStdString();
    EXPECT_TRUE(calls[1].contains(healthtext::kRecoveredSummary)) << calls[1].toStdString();
}

// A POP3 server that accepts and never answers keeps a real cycle waiting
// for its time-outs; the window must not wait with it.
class StalledCycle : public HealthTest {
protected:
    void SetUp() override {
        HealthTest::SetUp();
        m_home.Write(kAddressFile, "phone@example.net\r\n");
        m_profile.WriteProfileString("RECV", "POP3",
                                     "127.0.0.1:" + std::to_string(m_silent.Port()));
        m_profile.WriteProfileString("RECV", "PASSWORD", " secret ");
        SetMailTimeouts(20, 20);
    }
    void TearDown() override {
        m_pSilent.reset(); // the waiting cycle sees the connection go and ends
        HealthTest::TearDown();
        SetMailTimeouts(30, 30);
    }

    std::unique_ptr<CSilentServer> m_pSilent = std::make_unique<CSilentServer>();
    CSilentServer& m_silent = *m_pSilent;
};

TEST_F(StalledCycle, MenuOpensAtOnceNoSecondCycleAndExitDoesNotWait) {
    auto pEngine = std::make_shared<CForwardEngine>(m_home.Path(), m_home.Path());
    auto pDlg =
        std::make_unique<CQuibenDlg>(m_store, std::vector<std::string>{m_home.Path()}, [pEngine] {
            pEngine->RunForwardCycle();
            return pEngine->GetLastReport();
        });
    pEngine.reset();
    ASSERT_TRUE(pDlg->CreateAndInit());
    pDlg->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(pDlg.get()));
    pDlg->SendCommand(ID_RUN_CYCLE_NOW);
    ASSERT_TRUE(QTest::qWaitFor([&] { return m_silent.ConnectionCount() == 1; }, 10000));
    ASSERT_TRUE(pDlg->IsCycleRunning());

    // Right-click: the menu opens while the cycle waits; its 今すぐ転送 is
    // greyed and, chosen anyway, starts nothing.
    QElapsedTimer clock;
    qint64 nMenuAfterMs = -1;
    bool bRunNowEnabled = true;
    OnNextModal<QMenu>(
        [&](QMenu* pMenu) {
            nMenuAfterMs = clock.elapsed();
            QAction* pRunNow = FindMenuCommand(*pMenu, ID_RUN_CYCLE_NOW);
            bRunNowEnabled = pRunNow->isEnabled();
            pMenu->setActiveAction(pRunNow);
            QTest::keyClick(pMenu, Qt::Key_Return);
            pMenu->close();
        },
        true);
    clock.start();
    QTest::mouseClick(pDlg.get(), Qt::RightButton, {}, QPoint(70, 110));
    EXPECT_GE(nMenuAfterMs, 0);
    EXPECT_LT(nMenuAfterMs, 1000);
    EXPECT_FALSE(bRunNowEnabled);
    pDlg->SendCommand(ID_RUN_CYCLE_NOW);
    QTest::qWait(300);
    EXPECT_EQ(m_silent.ConnectionCount(), 1);
    EXPECT_TRUE(pDlg->IsCycleRunning());

    // 終了 during the cycle: the window ends and goes without waiting for it.
    clock.restart();
    OnNextModal<QMessageBox>([](QMessageBox* pBox) { pBox->button(QMessageBox::Yes)->click(); });
    pDlg->SendCommand(ID_MENU_EXIT);
    pDlg.reset();
    EXPECT_LT(clock.elapsed(), 2000);
    EXPECT_EQ(CBackgroundJob::RunningThreads(), 1);
    // The settings are whole: the position went in beside the account.
    EXPECT_EQ(m_profile.GetProfileString("RECV", "PASSWORD", ""), " secret ");
    EXPECT_NE(m_profile.GetProfileInt("POSITION", "X", 10000), 10000);
}

// The same as a process: 終了 (or the session's end) during the waiting
// cycle ends the program at once with its settings whole.
TEST_F(StalledCycle, TheProgramEndsWithinTwoSecondsWhileACycleWaits) {
    QProcess program;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    if (!env.contains("DISPLAY"))
        env.insert("QT_QPA_PLATFORM", "offscreen");
    program.setProcessEnvironment(env);
    program.start(QUIBEN_BINARY_DIR "/quiben", {"--home", QString::fromStdString(m_home.Path())});
    const QString channel = CInstanceChannel::NameFor(m_home.Path());
    // ID_RUN_CYCLE_NOW through the channel of a running copy: a cycle at once.
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return CInstanceChannel::Send(channel, CInstanceChannel::ERequest::RunCycle, 100); },
        30000));
    ASSERT_TRUE(QTest::qWaitFor([&] { return m_silent.ConnectionCount() == 1; }, 10000));

    QElapsedTimer clock;
    clock.start();
    program.terminate();
    ASSERT_TRUE(program.waitForFinished(20000));
    EXPECT_LT(clock.elapsed(), 2000);
    EXPECT_EQ(program.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(program.exitCode(), kExitOk);
    EXPECT_EQ(m_profile.GetProfileString("RECV", "PASSWORD", ""), " secret ");
    EXPECT_EQ(m_profile.GetProfileInt("POSITION", "X", -1), 0);
    for (const auto& entry : std::filesystem::directory_iterator(m_home.Path()))
        EXPECT_NE(entry.path().filename().string().rfind(".Quiben.ini", 0), 0u)
            << "a half-written settings file was left: " << entry.path();
}

TEST(QtPlatformChoice, XcbOnWaylandWithXWaylandUnlessThePlatformWasChosen) {
    EXPECT_TRUE(ShouldPreferXcb(nullptr, "wayland-0", nullptr, ":0"));
    EXPECT_TRUE(ShouldPreferXcb("", nullptr, "wayland", ":1"));
    EXPECT_FALSE(ShouldPreferXcb("wayland", "wayland-0", "wayland", ":0"));
    EXPECT_FALSE(ShouldPreferXcb(nullptr, "wayland-0", "wayland", nullptr)); // no XWayland
    EXPECT_FALSE(ShouldPreferXcb(nullptr, nullptr, "x11", ":0"));
}

} // namespace
