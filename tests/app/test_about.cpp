// The version-information box: four link lines made in the box's
// initialisation, the other texts left alone, the same result every time.
#include "tests/common/modal.h"

#include "app/CAboutDlg.h"
#include "app/CQuibenApp.h"
#include "app/CQuibenDlg.h"
#include "dialog/ShellOpen.h"
#include "platform/profile.h"
#include "res/resource.h"
#include "res/strings.h"
#include "tests/common/CTempFolder.h"

#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

namespace {

struct LinkLook {
    QString text;
    QColor color;
    bool bUnderline;
    QString family;
    bool bHandCursor;
    bool operator==(const LinkLook&) const = default;
};

std::vector<LinkLook> LookOfLinks(CAboutDlg& dlg) {
    std::vector<LinkLook> looks;
    for (int i = 0; i < CAboutDlg::kLinkCount; ++i) {
        CLinkLabel& link = dlg.GetLink(i);
        const bool bHand = link.testAttribute(Qt::WA_SetCursor) &&
                           link.cursor().shape() == Qt::BitmapCursor &&
                           link.cursor().hotSpot() == QPoint(0, 0) &&
                           link.cursor().pixmap().size() == QSize(32, 32);
        looks.push_back({link.text(), link.GetLabelColor(), link.GetLabelFont().underline(),
                         link.GetLabelFont().family(), bHand});
    }
    return looks;
}

TEST(AboutBox, AddressLinesAreBlueUnderlinedLinksWithHandCursor) {
    CAboutDlg dlg;
    ASSERT_TRUE(dlg.CreateAndInit());
    const int ids[] = {IDC_LINK_HOME, IDC_LINK_SUPPORT, IDC_LINK_DOWNLOAD, IDC_LINK_MAIL};
    const char* texts[] = {restext::kLinkHome, restext::kLinkSupport, restext::kLinkDownload,
                           restext::kLinkMail};
    for (int i = 0; i < CAboutDlg::kLinkCount; ++i) {
        CLinkLabel& link = dlg.GetLink(i);
        EXPECT_EQ(dlg.GetDlgItem(ids[i]), &link);
        EXPECT_EQ(link.text(), QString::fromUtf8(texts[i]));
        EXPECT_TRUE(link.IsLinkEnabled());
        EXPECT_EQ(link.GetLabelColor(), QColor(0, 0, 255));
        EXPECT_TRUE(link.GetLabelFont().underline());
        EXPECT_EQ(link.GetLabelFont().family(), QApplication::font().family());
        // The whole address is on show, since the whole address is what opens.
        EXPECT_GE(link.width(), QFontMetrics(link.GetLabelFont()).horizontalAdvance(link.text()));
        EXPECT_LE(link.geometry().right(), dlg.width());
    }
    for (const LinkLook& look : LookOfLinks(dlg))
        EXPECT_TRUE(look.bHandCursor) << look.text.toStdString();
    EXPECT_TRUE(QUrl(dlg.GetLink(3).text()).scheme() == "mailto");

    // The other texts keep the dialog's font and colour and are no links.
    int nPlain = 0;
    for (QLabel* pLabel : dlg.findChildren<QLabel*>()) {
        if (qobject_cast<CLinkLabel*>(pLabel) || pLabel->text().isEmpty())
            continue;
        ++nPlain;
        EXPECT_EQ(pLabel->font(), dlg.font()) << pLabel->text().toStdString();
        EXPECT_FALSE(pLabel->font().underline());
    }
    EXPECT_EQ(nPlain, 6); // version, maker, four captions
}

TEST(AboutBox, ClickOnContactLineHandsWholeMailtoText) {
    std::vector<QString> opened;
    ShellOpenHandler previous = SetShellOpenHandler([&](const QUrl& url) {
        opened.push_back(url.toString());
        return true;
    });
    CAboutDlg dlg;
    QTimer::singleShot(0, [&] {
        QTest::mouseClick(&dlg.GetLink(3), Qt::LeftButton, {}, QPoint(3, 3));
        QTest::mouseClick(&dlg.GetLink(0), Qt::LeftButton, {}, QPoint(3, 3));
        dlg.SendCommand(IDOK);
    });
    dlg.DoModal();
    SetShellOpenHandler(previous);
    EXPECT_EQ(opened, (std::vector<QString>{restext::kLinkMail, restext::kLinkHome}));
}

TEST(AboutBox, OpenedTwiceLooksTheSame) {
    std::vector<LinkLook> looks[2];
    QSize sizes[2];
    for (int run = 0; run < 2; ++run) {
        CAboutDlg dlg;
        QTimer::singleShot(0, [&] {
            looks[run] = LookOfLinks(dlg);
            sizes[run] = dlg.size();
            EXPECT_TRUE(QTest::qWaitForWindowActive(&dlg));
            EXPECT_EQ(QApplication::focusWidget(), dlg.GetDlgItem(IDOK));
            QTest::keyClick(&dlg, Qt::Key_Escape);
        });
        EXPECT_EQ(dlg.DoModal(), IDCANCEL);
    }
    EXPECT_EQ(looks[0].size(), 4u);
    EXPECT_EQ(looks[0], looks[1]);
    EXPECT_EQ(sizes[0], sizes[1]);
}

TEST(AboutBox, OpenedFromVersionMenuItem) {
    CTempFolder home;
    CSettingsStore store(home.Path());
    CQuibenDlg main(store, {}, [] { return CycleReport{}; });
    main.SetAboutRunner(RunAboutBox);
    int nShown = 0;
    auto closeAbout = [&](CAboutDlg* pAbout) {
        ++nShown;
        EXPECT_EQ(pAbout->parentWidget(), nullptr);
        EXPECT_EQ(pAbout->windowTitle(), QString::fromUtf8(restext::kAboutCaption));
        qobject_cast<QPushButton*>(pAbout->GetDlgItem(IDOK))->click();
    };
    OnNextModal<CAboutDlg>(closeAbout);
    main.SendCommand(ID_MENU_VERSION);
    EXPECT_EQ(nShown, 1);
}

} // namespace
