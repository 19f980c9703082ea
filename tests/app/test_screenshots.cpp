// Pictures of the health display, written to <build>/screenshots for a
// person to look at: the figure with its badge on a desktop, its tooltip,
// the error log window. The test checks only that they were written.
#include "app/CErrorLogWindow.h"
#include "app/CQuibenDlg.h"
#include "engine/errorlog.h"
#include "platform/codepage.h"
#include "platform/profile.h"
#include "res/resource.h"
#include "settings/schema.h"
#include "tests/common/CTempFolder.h"

#include <QApplication>
#include <QDir>
#include <QPainter>
#include <QTest>
#include <QToolTip>
#include <filesystem>
#include <gtest/gtest.h>

namespace {

QString ShotPath(const char* pszName) {
    const QString strDir = QStringLiteral(QUIBEN_BINARY_DIR "/screenshots");
    QDir().mkpath(strDir);
    return strDir + "/" + pszName + ".png";
}

const QColor kDesktop(0x3a, 0x6e, 0xa5);
const QPoint kWindowAt(40, 30);

// The window as the desktop shows it: only its shape, over the desktop.
QImage OnDesktop(CQuibenDlg& dlg, const QSize& size) {
    QImage image(size, QImage::Format_RGB32);
    image.fill(kDesktop);
    QPainter painter(&image);
    painter.setClipRegion(dlg.mask().translated(kWindowAt));
    painter.drawPixmap(kWindowAt, dlg.grab());
    return image;
}

TEST(HealthScreenshots, BadgeTooltipAndErrorLog) {
    CTempFolder home;
    std::filesystem::copy_file(QUIBEN_SOURCE_DIR "/res/zorvik.bmp", home.File(schema::kSkinFile));
    CProfile profile(home.File(schema::kIniFile));
    const std::string error =
        "送信エラー:宛先を拒否されました: 550 5.1.1 <old-phone@example.net>: user unknown";
    WriteErrorLog(home.Path(),
                  Utf8ToCp932("受信エラー:サーバに接続できません: pop.example.jp:110"));
    WriteErrorLog(home.Path(), Utf8ToCp932(error));
    CQuibenDlg dlg(profile, {home.Path()}, [error] {
        CycleReport report;
        report.tFinished = std::time(nullptr);
        report.bSucceeded = true;
        report.nForwarded = 2;
        report.strErrors = error;
        return report;
    });
    ASSERT_TRUE(dlg.CreateAndInit());
    dlg.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dlg));
    dlg.SendCommand(ID_RUN_CYCLE_NOW);
    ASSERT_TRUE(QTest::qWaitFor([&] { return dlg.IsBadgeShown(); }, 10000));
    EXPECT_TRUE(OnDesktop(dlg, QSize(220, 250)).save(ShotPath("mascot-badge")));

    // The tooltip where the desktop puts it: below and right of the pointer.
    QToolTip::showText(dlg.mapToGlobal(QPoint(70, 110)), dlg.toolTip(), &dlg);
    QWidget* pTip = nullptr;
    ASSERT_TRUE(QTest::qWaitFor([&] {
        for (QWidget* pWidget : QApplication::topLevelWidgets())
            if (pWidget->inherits("QTipLabel") && pWidget->isVisible())
                pTip = pWidget;
        return pTip != nullptr;
    }));
    const QPoint tipAt = kWindowAt + QPoint(70 + 12, 110 + 20);
    QImage withTip = OnDesktop(
        dlg, QSize(tipAt.x() + pTip->width() + 20, std::max(250, tipAt.y() + pTip->height() + 20)));
    QPainter(&withTip).drawPixmap(tipAt, pTip->grab());
    EXPECT_TRUE(withTip.save(ShotPath("mascot-tooltip")));
    QToolTip::hideText();

    dlg.SendCommand(ID_MENU_ERROR_LOG);
    ASSERT_NE(dlg.GetErrorLogWindow(), nullptr);
    EXPECT_TRUE(dlg.GetErrorLogWindow()->grab().save(ShotPath("error-log")));
}

} // namespace
