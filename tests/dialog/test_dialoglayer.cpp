// The dialog layer: templates in dialog units, the create / init / exchange
// life cycle, validation that refuses OK, controls taking over items.
#include "tests/common/modal.h"

#include "dialog/CDataExchange.h"
#include "dialog/CDialog.h"
#include "platform/codepage.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QTest>
#include <gtest/gtest.h>

namespace {

constexpr int kIdName = 1001, kIdNumber = 1002, kIdCheck = 1003, kIdLabel = 1004;

constexpr DlgItemTemplate kItems[] = {
    {kIdLabel, DlgItemKind::Static, kItemDefault, 7, 7, 60, 8, "名前(&N):"},
    {kIdName, DlgItemKind::Edit, kItemTabStop, 70, 5, 100, 12, ""},
    {kIdNumber, DlgItemKind::Edit, kItemTabStop | kItemNumber, 70, 21, 40, 12, ""},
    {kIdCheck, DlgItemKind::CheckBox, kItemTabStop, 7, 37, 100, 10, "転送する"},
    {IDOK, DlgItemKind::PushButton, kItemDefPushButton | kItemTabStop, 70, 55, 50, 14, "OK"},
    {IDCANCEL, DlgItemKind::PushButton, kItemTabStop, 125, 55, 50, 14, "キャンセル"},
};
constexpr DialogTemplate kTemplate{900, "テスト", kDlgCaption | kDlgSysMenu, 0, 0,
                                   180, 75,       "ＭＳ Ｐゴシック",         9, kItems};

class CTestDlg : public CDialog {
public:
    CTestDlg() : CDialog(kTemplate) {}
    std::string m_strName;
    unsigned m_nNumber = 0;
    int m_bCheck = 0;
    QLabel m_customLabel;
    bool m_bBindLabel = false;

protected:
    void DoDataExchange(CDataExchange* pDX) override {
        if (m_bBindLabel)
            DDX_Control(pDX, kIdLabel, m_customLabel);
        DDX_Text(pDX, kIdName, m_strName);
        DDX_Text(pDX, kIdNumber, m_nNumber);
        DDV_MinMaxUInt(pDX, m_nNumber, 100, 10000);
        DDX_Check(pDX, kIdCheck, m_bCheck);
    }
};

QLineEdit* Edit(CDialog& dlg, int nId) {
    return qobject_cast<QLineEdit*>(dlg.GetDlgItem(nId));
}

TEST(DialogLayer, DialogUnitsScaleWithTheFont) {
    CDialogBuilder builder(kTemplate);
    const QSize base = builder.GetBaseUnits();
    EXPECT_GT(base.width(), 0);
    EXPECT_GT(base.height(), base.width());
    EXPECT_EQ(builder.MapDialogRect(4, 8, 40, 80),
              QRect(base.width(), base.height(), 10 * base.width(), 10 * base.height()));

    // Items that touch in dialog units touch in pixels, whatever the rounding.
    for (int y = 0; y < 40; ++y)
        for (int cy = 1; cy < 24; ++cy)
            ASSERT_EQ(builder.MapDialogRect(0, y, 1, cy).bottom() + 1,
                      builder.MapDialogRect(0, y + cy, 1, 1).top())
                << y << " + " << cy;

    DialogTemplate bigger = kTemplate;
    bigger.nPointSize = 18;
    CDialogBuilder big(bigger);
    EXPECT_GT(big.GetDialogSize().width(), builder.GetDialogSize().width() * 3 / 2);

    CTestDlg dlg;
    ASSERT_TRUE(dlg.Create());
    EXPECT_EQ(dlg.size(), builder.GetDialogSize());
    EXPECT_EQ(dlg.GetDlgItem(kIdName)->geometry(), builder.MapDialogRect(70, 5, 100, 12));
    // A label's mnemonic marker is not shown.
    EXPECT_EQ(qobject_cast<QLabel*>(dlg.GetDlgItem(kIdLabel))->text(), "名前(N):");
}

TEST(DialogLayer, InitFillsItemsAndOkSavesThem) {
    CTestDlg dlg;
    dlg.m_strName = Utf8ToCp932("転送先");
    dlg.m_nNumber = 256;
    dlg.m_bCheck = 1;
    QTimer::singleShot(0, [&] {
        EXPECT_TRUE(QTest::qWaitForWindowActive(&dlg));
        EXPECT_EQ(Edit(dlg, kIdName)->text(), "転送先");
        EXPECT_EQ(Edit(dlg, kIdNumber)->text(), "256");
        EXPECT_TRUE(qobject_cast<QCheckBox*>(dlg.GetDlgItem(kIdCheck))->isChecked());
        EXPECT_EQ(QApplication::focusWidget(), dlg.GetDlgItem(kIdName));
        Edit(dlg, kIdName)->setText("クイベン");
        Edit(dlg, kIdNumber)->setText(" 300 ");
        QTest::mouseClick(qobject_cast<QWidget*>(dlg.GetDlgItem(IDOK)), Qt::LeftButton);
    });
    EXPECT_EQ(dlg.DoModal(), IDOK);
    EXPECT_EQ(dlg.m_strName, Utf8ToCp932("クイベン"));
    EXPECT_EQ(dlg.m_nNumber, 300u);
}

TEST(DialogLayer, FailedValidationWarnsAndKeepsDialogOpen) {
    CTestDlg dlg;
    dlg.m_nNumber = 256;
    QStringList warnings;
    auto answer = [&](QMessageBox* pBox) {
        warnings << pBox->text();
        pBox->accept();
    };
    QTimer::singleShot(0, [&] {
        EXPECT_TRUE(QTest::qWaitForWindowActive(&dlg));
        Edit(dlg, kIdNumber)->setText("12a");
        OnNextModal<QMessageBox>(answer);
        dlg.SendCommand(IDOK);
        EXPECT_TRUE(dlg.isVisible());
        EXPECT_EQ(dlg.focusWidget(), dlg.GetDlgItem(kIdNumber));

        Edit(dlg, kIdNumber)->setText("99");
        OnNextModal<QMessageBox>(answer);
        dlg.SendCommand(IDOK);
        EXPECT_TRUE(dlg.isVisible());
        dlg.SendCommand(IDCANCEL);
    });
    EXPECT_EQ(dlg.DoModal(), IDCANCEL);
    EXPECT_EQ(warnings, (QStringList{"正の整数を入力してください。",
                                     "100 から 10000 までの整数を入力してください。"}));
}

TEST(DialogLayer, ControlTakesOverTemplateItem) {
    CTestDlg dlg;
    dlg.m_bBindLabel = true;
    ASSERT_TRUE(dlg.CreateAndInit());
    EXPECT_EQ(dlg.GetDlgItem(kIdLabel), &dlg.m_customLabel);
    EXPECT_EQ(dlg.m_customLabel.parentWidget(), &dlg);
    EXPECT_EQ(dlg.m_customLabel.text(), "名前(N):");
    EXPECT_EQ(dlg.m_customLabel.geometry(), dlg.GetBuilder().MapDialogRect(7, 7, 60, 8));
    EXPECT_EQ(dlg.findChildren<QLabel*>().size(), 1);
    dlg.UpdateData(false); // bound once: a second exchange changes nothing
    EXPECT_EQ(dlg.GetDlgItem(kIdLabel), &dlg.m_customLabel);
}

} // namespace
