#include "SheetHarness.h"

#include "config/schema.h"
#include "engine/maillib/CConnectionTest.h"
#include "platform/codepage.h"
#include "res/resource.h"

#include <QApplication>
#include <QCheckBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <stdexcept>
#include <sys/inotify.h>
#include <unistd.h>

CMessageBoxCatcher::CMessageBoxCatcher() {
    m_timer.setInterval(10);
    QObject::connect(&m_timer, &QTimer::timeout, [this] {
        auto* pBox = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (pBox == nullptr)
            return;
        m_vTexts.push_back(pBox->text().toStdString());
        pBox->done(QMessageBox::Ok);
    });
    m_timer.start();
}

CWriteRecorder::CWriteRecorder(const std::string& strFolder)
    : m_fd(inotify_init1(IN_NONBLOCK | IN_CLOEXEC)) {
    if (m_fd < 0 || inotify_add_watch(m_fd, strFolder.c_str(), IN_MOVED_TO | IN_CLOSE_WRITE) < 0)
        throw std::runtime_error("inotify");
}

CWriteRecorder::~CWriteRecorder() {
    close(m_fd);
}

std::vector<std::string> CWriteRecorder::Take() {
    std::vector<std::string> names;
    alignas(inotify_event) char buffer[64 * 1024];
    for (;;) {
        const ssize_t nRead = read(m_fd, buffer, sizeof buffer);
        if (nRead <= 0)
            break;
        for (ssize_t at = 0; at < nRead;) {
            const auto* pEvent = reinterpret_cast<const inotify_event*>(buffer + at);
            const std::string name = pEvent->len > 0 ? pEvent->name : "";
            if (!name.empty() && name[0] != '.')
                names.push_back(name);
            at += static_cast<ssize_t>(sizeof(inotify_event) + pEvent->len);
        }
    }
    return names;
}

FileSnapshot SnapshotSettings(const CTempFolder& folder) {
    FileSnapshot snapshot;
    for (const char* pszName : {schema::kIniFile, schema::kAddressFile, schema::kSenderRuleFile,
                                schema::kSubjectRuleFile}) {
        snapshot[pszName] =
            folder.Exists(pszName) ? std::optional(folder.Read(pszName)) : std::nullopt;
    }
    return snapshot;
}

CSheetHarness::CSheetHarness()
    : m_profile(m_folder.File(schema::kIniFile)), m_store(m_folder.Path()) {}

bool CSheetHarness::Open() {
    m_pSheet = std::make_unique<CSettingSheet>("設定", nullptr, 0, m_store, &CConnectionTest::Run);
    if (!m_pSheet->Create())
        return false;
    m_pSheet->show();
    if (!QTest::qWaitForWindowExposed(m_pSheet.get()))
        return false;
    m_pSheet->activateWindow();
    return QTest::qWaitForWindowActive(m_pSheet.get());
}

bool CSheetHarness::WaitActive() {
    // Closing a message box gives the activation back to the sheet on a
    // desktop; the offscreen platform needs to be told.
    m_pSheet->activateWindow();
    return QTest::qWaitForWindowActive(m_pSheet.get());
}

bool CSheetHarness::IsOpen() const {
    return m_pSheet->isVisible();
}

void CSheetHarness::ClickTab(int nTab) {
    QTabBar* pBar = m_pSheet->GetTabControl()->tabBar();
    QTest::mouseClick(pBar, Qt::LeftButton, Qt::NoModifier, pBar->tabRect(nTab).center());
}

void CSheetHarness::ClickOk() {
    QTest::mouseClick(m_pSheet->GetOkButton(), Qt::LeftButton);
}

void CSheetHarness::ClickCancel() {
    QTest::mouseClick(m_pSheet->GetCancelButton(), Qt::LeftButton);
}

QLineEdit* CSheetHarness::Edit(CPropertyPage& page, int nId) const {
    return qobject_cast<QLineEdit*>(page.GetDlgItem(nId));
}

QCheckBox* CSheetHarness::Check(CPropertyPage& page, int nId) const {
    return qobject_cast<QCheckBox*>(page.GetDlgItem(nId));
}

QLineEdit* CSheetHarness::LimitEdit() const {
    return qobject_cast<QLineEdit*>(m_pSheet->m_pageRule.GetDlgItem(IDC_EDIT_LIMITBYTE));
}

void TypeInto(QLineEdit* pEdit, const QString& strText) {
    pEdit->setFocus(Qt::MouseFocusReason);
    pEdit->selectAll();
    QTest::keyClick(pEdit, Qt::Key_Backspace);
    TypeText(strText);
}

void TypeText(const QString& strText) {
    QWidget* pFocus = QApplication::focusWidget();
    if (pFocus == nullptr) {
        ADD_FAILURE() << "no focus widget to type into";
        return;
    }
    for (const QChar ch : strText) {
        QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString(ch));
        QApplication::sendEvent(pFocus, &press);
    }
}

std::string Cp(const char* pszUtf8) {
    return Utf8ToCp932(pszUtf8);
}

std::vector<std::string> Rows(const CListBoxEx& list) {
    std::vector<std::string> rows;
    for (int n = 0; n < list.GetCount(); ++n)
        rows.push_back(list.GetText(n));
    return rows;
}
