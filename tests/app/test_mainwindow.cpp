// The main window offscreen: skin and outline, position, menu, timer rule,
// commands and the exit question.
#include "tests/common/modal.h"

#include "app/CQuibenApp.h"
#include "app/CQuibenDlg.h"
#include "config/schema.h"
#include "dialog/MenuTemplate.h"
#include "dialog/ShellOpen.h"
#include "platform/codepage.h"
#include "platform/profile.h"
#include "res/resource.h"
#include "res/strings.h"
#include "res/templates.h"
#include "tests/common/CTempFolder.h"

#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <atomic>
#include <filesystem>
#include <gtest/gtest.h>
#include <semaphore>
#include <stdexcept>

namespace {

using namespace schema;

class MainWindow : public ::testing::Test {
protected:
    void SetUp() override {
        g_bInCycle = false;
        std::filesystem::copy_file(QUIBEN_SOURCE_DIR "/res/zorvik.bmp", m_home.File(kSkinFile));
    }
    void TearDown() override { g_bInCycle = false; }

    // The runner runs on the cycle's worker thread.
    std::unique_ptr<CQuibenDlg> MakeWindow() {
        return std::make_unique<CQuibenDlg>(m_store, std::vector<std::string>{m_home.Path()},
                                            [this] {
                                                ++m_nCycles;
                                                if (m_onCycle)
                                                    m_onCycle();
                                                CycleReport report;
                                                report.tFinished = std::time(nullptr);
                                                report.bSucceeded = true;
                                                return report;
                                            });
    }

    static bool WaitForCycleEnd(const CQuibenDlg& dlg) {
        return QTest::qWaitFor([&] { return !dlg.IsCycleRunning(); }, 10000);
    }

    std::unique_ptr<CQuibenDlg> ShowWindow() {
        auto pDlg = MakeWindow();
        EXPECT_TRUE(pDlg->CreateAndInit());
        pDlg->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(pDlg.get()));
        return pDlg;
    }

    int Setting(const char* section, const char* key) {
        return m_profile.GetProfileInt(section, key, -12345);
    }

    CTempFolder m_home;
    CProfile m_profile{m_home.File(kIniFile)};
    CSettingsStore m_store{m_home.Path()};
    std::atomic<int> m_nCycles{0};
    std::function<void()> m_onCycle; // on the worker thread
};

TEST_F(MainWindow, TakesSizeAndOutlineFromSkin) {
    auto pDlg = ShowWindow();
    EXPECT_EQ(pDlg->size(), QSize(140, 190));
    EXPECT_TRUE(pDlg->windowFlags() & Qt::FramelessWindowHint);
    EXPECT_EQ(pDlg->windowFlags() & Qt::WindowType_Mask, Qt::Tool);
    ASSERT_TRUE(pDlg->GetSkinRegion().has_value());
    EXPECT_EQ(pDlg->mask(), *pDlg->GetSkinRegion());
    // The white corners are cut away, the figure's middle is kept.
    EXPECT_FALSE(pDlg->mask().contains(QPoint(0, 0)));
    EXPECT_FALSE(pDlg->mask().contains(QPoint(139, 189)));
    EXPECT_TRUE(pDlg->mask().contains(QPoint(70, 110)));
}

// Without its picture the program keeps forwarding in a plain square window
// and says what is missing and where it looked.
TEST_F(MainWindow, MissingSkinIsToldAndAPlainWindowStandsIn) {
    std::filesystem::remove(m_home.File(kSkinFile));
    QString told;
    OnNextModal<QMessageBox>([&](QMessageBox* pBox) {
        told = pBox->text();
        pBox->button(QMessageBox::Ok)->click();
    });
    auto pDlg = MakeWindow();
    ASSERT_TRUE(pDlg->CreateAndInit());
    EXPECT_TRUE(told.contains(kSkinFile)) << told.toStdString();
    EXPECT_TRUE(told.contains(QString::fromStdString(m_home.Path()))) << told.toStdString();
    EXPECT_EQ(pDlg->size(), QSize(96, 96));
    EXPECT_TRUE(pDlg->mask().isEmpty());
    EXPECT_TRUE(pDlg->GetForwardTimer().isActive());
}

TEST_F(MainWindow, ProgramWithoutSkinRunsWithPlainWindow) {
    CTempFolder emptyHome;
    std::string home = emptyHome.Path();
    char arg0[] = "quiben", arg1[] = "--home";
    char* argv[] = {arg0, arg1, home.data(), nullptr};
    int argc = 3;
    CQuibenApp app(argc, argv);
    app.SetDataFolders({emptyHome.Path()});
    bool bWindowShown = false;
    OnNextModal<QMessageBox>([&](QMessageBox* pBox) {
        pBox->button(QMessageBox::Ok)->click();
        OnNextModal<CQuibenDlg>([&](CQuibenDlg* pDlg) {
            bWindowShown = pDlg->isVisible();
            pDlg->EndDialog(0);
        });
    });
    EXPECT_FALSE(app.InitInstance());
    EXPECT_EQ(app.ExitInstance(), kExitOk);
    EXPECT_TRUE(bWindowShown);
}

TEST_F(MainWindow, FirstStartAtTemplatePlaceThenPositionStoredOnClose) {
    auto pDlg = ShowWindow();
    EXPECT_EQ(pDlg->pos(), QPoint(0, 0));
    pDlg->move(57, 31);
    pDlg->EndDialog(0);
    EXPECT_EQ(Setting("POSITION", "X"), 57);
    EXPECT_EQ(Setting("POSITION", "Y"), 31);
}

TEST_F(MainWindow, StoredPositionIsRestored) {
    m_profile.WriteProfileInt("POSITION", "X", 200);
    m_profile.WriteProfileInt("POSITION", "Y", 150);
    EXPECT_EQ(ShowWindow()->pos(), QPoint(200, 150));
}

TEST_F(MainWindow, XOf10000MeansNoStoredPosition) {
    m_profile.WriteProfileInt("POSITION", "X", 10000);
    m_profile.WriteProfileInt("POSITION", "Y", 150);
    EXPECT_EQ(ShowWindow()->pos(), QPoint(0, 0));
}

TEST_F(MainWindow, PositionOnNoScreenIsNotRestored) {
    m_profile.WriteProfileInt("POSITION", "X", 9000);
    m_profile.WriteProfileInt("POSITION", "Y", 9000);
    EXPECT_EQ(ShowWindow()->pos(), QPoint(0, 0));
}

TEST_F(MainWindow, DraggedWithLeftButton) {
    auto pDlg = ShowWindow();
    pDlg->move(100, 100);
    QTest::mousePress(pDlg.get(), Qt::LeftButton, {}, QPoint(70, 110));
    QTest::mouseMove(pDlg.get(), QPoint(100, 130));
    // The window has followed the mouse: the pointer is again over (70, 110).
    QTest::mouseRelease(pDlg.get(), Qt::LeftButton, {}, QPoint(70, 110));
    EXPECT_EQ(pDlg->pos(), QPoint(130, 120));
}

QStringList MenuTexts(const QMenu& menu) {
    QStringList texts;
    for (const QAction* pAction : menu.actions())
        texts << (pAction->isSeparator() ? QStringLiteral("-") : pAction->text());
    return texts;
}

TEST_F(MainWindow, MenuItemsInOrderWithCheckMarkFollowingSwitch) {
    auto pDlg = ShowWindow();
    const QStringList expected{
        "設定",        "自動転送", "-",          "Read Me",          "-",
        "ﾊﾞｰｼﾞｮﾝ情報", "-",        "今すぐ転送", "エラーログを表示", "ログイン時に起動",
        "-",           "終了"};
    auto pMenu = pDlg->CreateMainPopupMenu();
    EXPECT_EQ(MenuTexts(*pMenu), expected);
    EXPECT_FALSE(FindMenuCommand(*pMenu, ID_MENU_AUTO_FORWARD)->isChecked());

    m_profile.WriteProfileInt("SEND", "EXEC", 1);
    pMenu = pDlg->CreateMainPopupMenu();
    EXPECT_TRUE(FindMenuCommand(*pMenu, ID_MENU_AUTO_FORWARD)->isChecked());
    EXPECT_FALSE(FindMenuCommand(*pMenu, ID_MENU_SETTINGS)->isChecked());
}

TEST_F(MainWindow, AutostartItemWritesAndRemovesTheEntryForThisFolder) {
    CTempFolder autostart;
    auto pDlg = ShowWindow();
    EXPECT_FALSE(FindMenuCommand(*pDlg->CreateMainPopupMenu(), ID_MENU_AUTOSTART)->isEnabled());

    const CAutostart entry(m_home.Path(), "/opt/q/quiben", autostart.Path());
    pDlg->SetAutostart(entry);
    EXPECT_FALSE(FindMenuCommand(*pDlg->CreateMainPopupMenu(), ID_MENU_AUTOSTART)->isChecked());
    pDlg->SendCommand(ID_MENU_AUTOSTART);
    EXPECT_TRUE(entry.IsEnabled());
    EXPECT_TRUE(FindMenuCommand(*pDlg->CreateMainPopupMenu(), ID_MENU_AUTOSTART)->isChecked());
    pDlg->SendCommand(ID_MENU_AUTOSTART);
    EXPECT_FALSE(std::filesystem::exists(entry.EntryPath()));
    EXPECT_FALSE(FindMenuCommand(*pDlg->CreateMainPopupMenu(), ID_MENU_AUTOSTART)->isChecked());
}

TEST_F(MainWindow, RightClickOpensMenuWhoseToggleWritesSwitch) {
    auto pDlg = ShowWindow();
    QStringList shown;
    OnNextModal<QMenu>(
        [&](QMenu* pMenu) {
            shown = MenuTexts(*pMenu);
            pMenu->setActiveAction(FindMenuCommand(*pMenu, ID_MENU_AUTO_FORWARD));
            QTest::keyClick(pMenu, Qt::Key_Return);
        },
        true);
    QTest::mouseClick(pDlg.get(), Qt::RightButton, {}, QPoint(70, 110));
    EXPECT_EQ(shown.size(), static_cast<qsizetype>(std::size(kMainPopupMenu)));
    EXPECT_EQ(Setting("SEND", "EXEC"), 1);
}

TEST_F(MainWindow, ToggleWritesOneThenZero) {
    auto pDlg = ShowWindow();
    pDlg->SendCommand(ID_MENU_AUTO_FORWARD);
    EXPECT_EQ(Setting("SEND", "EXEC"), 1);
    pDlg->SendCommand(ID_MENU_AUTO_FORWARD);
    EXPECT_EQ(Setting("SEND", "EXEC"), 0);
}

TEST_F(MainWindow, TimerIntervalComesFromTimeUpAndIsAtLeastAMinute) {
    EXPECT_EQ(ShowWindow()->GetForwardTimer().interval(), 600000);
    m_profile.WriteProfileInt("RECV", "TIMEUP", 900000);
    EXPECT_EQ(ShowWindow()->GetForwardTimer().interval(), 900000);
    EXPECT_FALSE(m_home.Exists(kErrorLogFile));

    // Shorter, or no number at all, would poll the mail server back to back:
    // a minute, noted once in the error log.
    m_profile.WriteProfileInt("RECV", "TIMEUP", 30000);
    auto pDlg = ShowWindow();
    EXPECT_TRUE(pDlg->GetForwardTimer().isActive());
    EXPECT_EQ(pDlg->GetForwardTimer().interval(), 60000);
    m_profile.WriteProfileString("RECV", "TIMEUP", "soon");
    EXPECT_EQ(ShowWindow()->GetForwardTimer().interval(), 60000);
    const std::string log = Cp932ToUtf8(m_home.Read(kErrorLogFile));
    EXPECT_NE(log.find("TIMEUP=30000"), std::string::npos) << log;
    EXPECT_NE(log.find("TIMEUP=soon"), std::string::npos) << log;
    EXPECT_EQ(ForwardTimerInterval(0), 60000);
    EXPECT_EQ(ForwardTimerInterval(-1), 60000);
}

TEST_F(MainWindow, TickRunsCycleOnlyWhileSwitchIsOn) {
    auto pDlg = ShowWindow();
    pDlg->OnTimerTick();
    EXPECT_FALSE(pDlg->IsCycleRunning());
    EXPECT_EQ(m_nCycles, 0);
    m_profile.WriteProfileInt("SEND", "EXEC", 1);
    pDlg->OnTimerTick();
    ASSERT_TRUE(WaitForCycleEnd(*pDlg));
    EXPECT_EQ(m_nCycles, 1);
    EXPECT_FALSE(g_bInCycle);
    ASSERT_TRUE(pDlg->GetLastReport().has_value());
}

TEST_F(MainWindow, GuardFlagKeepsSecondCycleFromStarting) {
    m_profile.WriteProfileInt("SEND", "EXEC", 1);
    auto pDlg = ShowWindow();
    std::binary_semaphore release(0);
    m_onCycle = [&] { release.acquire(); };
    pDlg->OnTimerTick();
    EXPECT_TRUE(g_bInCycle);
    // While it waits on the worker, neither a tick nor 今すぐ転送 starts
    // another, and the menu offers no second one.
    pDlg->OnTimerTick();
    pDlg->SendCommand(ID_RUN_CYCLE_NOW);
    EXPECT_FALSE(FindMenuCommand(*pDlg->CreateMainPopupMenu(), ID_RUN_CYCLE_NOW)->isEnabled());
    release.release();
    ASSERT_TRUE(WaitForCycleEnd(*pDlg));
    EXPECT_EQ(m_nCycles, 1);
    EXPECT_FALSE(g_bInCycle);
    EXPECT_TRUE(FindMenuCommand(*pDlg->CreateMainPopupMenu(), ID_RUN_CYCLE_NOW)->isEnabled());
}

TEST_F(MainWindow, GuardFlagClearedWhenCycleFails) {
    m_profile.WriteProfileInt("SEND", "EXEC", 1);
    auto pDlg = ShowWindow();
    m_onCycle = [] { throw std::runtime_error("cycle broke"); };
    pDlg->OnTimerTick();
    ASSERT_TRUE(WaitForCycleEnd(*pDlg));
    EXPECT_FALSE(g_bInCycle);
    ASSERT_TRUE(pDlg->GetLastReport().has_value());
    EXPECT_EQ(pDlg->GetLastReport()->strErrors, "cycle broke");
    EXPECT_TRUE(pDlg->IsBadgeShown());
}

TEST_F(MainWindow, Command1002RunsCycleRegardlessOfSwitch) {
    auto pDlg = ShowWindow();
    pDlg->SendCommand(ID_RUN_CYCLE_NOW);
    ASSERT_TRUE(WaitForCycleEnd(*pDlg));
    EXPECT_EQ(m_nCycles, 1);
}

struct BoxSeen {
    QString text;
    QMessageBox::StandardButtons buttons;
    QMessageBox::StandardButton defaultButton = QMessageBox::NoButton;
    QMessageBox::Icon icon = QMessageBox::Information;
    QString yesText;
};

void AnswerExitQuestion(QMessageBox::StandardButton answer, BoxSeen& seen) {
    OnNextModal<QMessageBox>([answer, &seen](QMessageBox* pBox) {
        seen.text = pBox->text();
        seen.buttons = pBox->standardButtons();
        seen.defaultButton = pBox->standardButton(pBox->defaultButton());
        seen.icon = pBox->icon();
        seen.yesText = pBox->button(QMessageBox::Yes)->text();
        pBox->button(answer)->click();
    });
}

TEST_F(MainWindow, ExitQuestionNoKeepsRunningYesEndsAndStoresPosition) {
    auto pDlg = MakeWindow();
    BoxSeen first, second;
    bool bVisibleAfterNo = false;
    QTimer::singleShot(0, [&] {
        pDlg->move(44, 55);
        AnswerExitQuestion(QMessageBox::No, first);
        pDlg->SendCommand(ID_MENU_EXIT);
        bVisibleAfterNo = pDlg->isVisible();
        AnswerExitQuestion(QMessageBox::Yes, second);
        pDlg->SendCommand(ID_MENU_EXIT);
    });
    EXPECT_EQ(pDlg->DoModal(), 0);
    EXPECT_TRUE(bVisibleAfterNo);
    EXPECT_EQ(first.text, QString::fromUtf8(restext::kExitQuestion));
    EXPECT_EQ(first.buttons, QMessageBox::Yes | QMessageBox::No);
    EXPECT_EQ(first.defaultButton, QMessageBox::No);
    EXPECT_EQ(first.icon, QMessageBox::NoIcon);
    EXPECT_EQ(first.yesText, "はい(&Y)");
    EXPECT_EQ(second.text, first.text);
    EXPECT_EQ(Setting("POSITION", "X"), 44);
    EXPECT_EQ(Setting("POSITION", "Y"), 55);
}

TEST_F(MainWindow, EscapeAndEnterDoNotEndTheProgramButACloseRequestDoes) {
    // After the menu closes the window has the keyboard: a stray Escape must
    // not end the forwarding without the exit question.
    auto pDlg = MakeWindow();
    bool bVisibleAfterKeys = false;
    QTimer::singleShot(0, [&] {
        pDlg->move(12, 34);
        pDlg->activateWindow();
        QTest::keyClick(pDlg.get(), Qt::Key_Escape);
        QTest::keyClick(pDlg.get(), Qt::Key_Return);
        QTest::keyClick(pDlg.get(), Qt::Key_Enter, Qt::KeypadModifier);
        bVisibleAfterKeys = pDlg->isVisible();
        pDlg->close(); // the desktop's close request: no question
    });
    EXPECT_EQ(pDlg->DoModal(), IDCANCEL);
    EXPECT_TRUE(bVisibleAfterKeys);
    EXPECT_EQ(Setting("POSITION", "X"), 12);
}

TEST_F(MainWindow, ReadMeOpensFileFromProgramFolder) {
    std::vector<QUrl> opened;
    ShellOpenHandler previous = SetShellOpenHandler([&](const QUrl& url) {
        opened.push_back(url);
        return true;
    });
    auto pDlg = ShowWindow();
    // No read-me yet: the user is told where it was looked for.
    QString told;
    OnNextModal<QMessageBox>([&](QMessageBox* pBox) {
        told = pBox->text();
        pBox->button(QMessageBox::Ok)->click();
    });
    pDlg->SendCommand(ID_MENU_README);
    EXPECT_TRUE(told.contains(kReadMeFile)) << told.toStdString();
    m_home.Write(kReadMeFile, "readme");
    pDlg->SendCommand(ID_MENU_README);
    SetShellOpenHandler(previous);
    ASSERT_EQ(opened.size(), 1u);
    EXPECT_EQ(opened[0], QUrl::fromLocalFile(QString::fromStdString(m_home.File(kReadMeFile))));
}

TEST_F(MainWindow, SettingsAndVersionCommandsRunTheirDialogs) {
    auto pDlg = ShowWindow();
    std::vector<std::string> runs;
    pDlg->SetSettingsRunner([&](QWidget* pOwner) {
        runs.push_back("settings");
        EXPECT_EQ(pOwner, pDlg.get());
    });
    pDlg->SetAboutRunner([&](QWidget*) { runs.push_back("about"); });
    pDlg->SendCommand(ID_MENU_SETTINGS);
    pDlg->SendCommand(ID_MENU_VERSION);
    EXPECT_EQ(runs, (std::vector<std::string>{"settings", "about"}));
}

} // namespace
