#include "settings/CPageAccount.h"

#include "config/CSettingsStore.h"
#include "config/SettingCheck.h"
#include "dialog/CDataExchange.h"
#include "platform/codepage.h"
#include "res/templates.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QStringList>

namespace {

QString FromUtf8(const std::string& text) {
    return QString::fromStdString(text);
}

// "受信サーバー (POP3) host:port" and what was found, one line each.
QStringList DescribeCheck(const char* pszHeading, const std::string& strTyped,
                          const CConnectionCheck& check, const QString& strSuccess) {
    using namespace pagetext;
    QStringList lines{QString::fromUtf8(pszHeading)
                          .arg(FromUtf8(check.strServer.empty() ? strTyped : check.strServer))};
    if (check.IsOk()) {
        lines << strSuccess;
        if (!check.strReply.empty())
            lines << QString::fromUtf8(kTestServerReply).arg(FromUtf8(check.strReply));
        return lines;
    }
    lines << FromUtf8(check.strDescription);
    // The description usually quotes the server already.
    if (!check.strReply.empty() && check.strDescription.find(check.strReply) == std::string::npos)
        lines << QString::fromUtf8(kTestServerReply).arg(FromUtf8(check.strReply));
    return lines;
}

QString ServerProblem(const char* pszField, const std::string& strValue, EMailProtocol protocol) {
    using namespace pagetext;
    const std::string utf8 = Cp932ToUtf8(strValue);
    switch (CheckServerText(utf8, protocol)) {
    case EServerTextProblem::Unreadable:
        return QString::fromUtf8(kCheckUnreadable).arg(QString::fromUtf8(pszField), FromUtf8(utf8));
    case EServerTextProblem::PortOutOfRange:
        return QString::fromUtf8(kCheckPort).arg(QString::fromUtf8(pszField), FromUtf8(utf8));
    case EServerTextProblem::None:
        break;
    }
    return QString();
}

} // namespace

CPageAccount::CPageAccount(CSettingsStore& store, ConnectionTester tester)
    : CPropertyPage(kAccountPageTemplate), m_store(store), m_tester(std::move(tester)) {}

CPageAccount::~CPageAccount() = default;

void CPageAccount::DoDataExchange(CDataExchange* pDX) {
    CPropertyPage::DoDataExchange(pDX);
    DDX_Text(pDX, IDC_EDIT_MAILADDRESS, m_account.strMailAddress);
    DDX_Text(pDX, IDC_EDIT_ACCOUNT, m_account.strAccount);
    DDX_Text(pDX, IDC_EDIT_POP3, m_account.strPop3Server);
    DDX_Text(pDX, IDC_EDIT_SMTP, m_account.strSmtpServer);
    DDX_Text(pDX, IDC_EDIT_PASSWORD, m_account.strPassword);
}

bool CPageAccount::OnInitDialog() {
    CPropertyPage::OnInitDialog();
    m_account = m_store.Load<CAccountSettings>();
    UpdateData(false);
    // The sheet places the first focus.
    return true;
}

bool CPageAccount::OnApply() {
    // The members hold what the edits held when the page was last left or
    // when OK was pressed: the sheet ran the saving exchange before this.
    WarnAboutUnusableValues();
    m_store.Save(m_account);
    return CPropertyPage::OnApply();
}

// Values the mail calls cannot use are named before they are stored, so the
// user does not learn of them from the error log a cycle later. Empty
// values are the user's choice and pass.
void CPageAccount::WarnAboutUnusableValues() {
    using namespace pagetext;
    QStringList problems;
    problems << ServerProblem(kFieldPop3, m_account.strPop3Server, EMailProtocol::Pop3)
             << ServerProblem(kFieldSmtp, m_account.strSmtpServer, EMailProtocol::Smtp);
    const std::string address = Cp932ToUtf8(m_account.strMailAddress);
    if (!TrimWhite(address).empty() && !IsWellFormedMailAddress(address))
        problems << QString::fromUtf8(kCheckAddress)
                        .arg(QString::fromUtf8(kFieldMailAddress), FromUtf8(address));
    problems.removeAll(QString());
    if (problems.isEmpty())
        return;
    problems << QString() << QString::fromUtf8(kCheckStoredAnyway);
    QMessageBox box(QMessageBox::Warning, QString::fromUtf8(kCheckCaption), problems.join('\n'),
                    QMessageBox::Ok, this);
    box.exec();
}

void CPageAccount::OnCommand(int nId) {
    if (nId == IDC_BUTTON_CONNECTION_TEST)
        OnConnectionTest();
    else
        CPropertyPage::OnCommand(nId);
}

void CPageAccount::OnConnectionTest() {
    if (m_testJob.IsRunning() || !m_tester)
        return;
    // The values as they stand in the edits, not as stored.
    UpdateData(true);
    CConnectionTestInput input;
    input.strPop3Server = Cp932ToUtf8(m_account.strPop3Server);
    input.strAccount = Cp932ToUtf8(m_account.strAccount);
    input.strPassword = Cp932ToUtf8(m_account.strPassword);
    input.strSmtpServer = Cp932ToUtf8(m_account.strSmtpServer);
    input.strMailAddress = Cp932ToUtf8(m_account.strMailAddress);
    input.strForwardTo = m_forwardAddress ? m_forwardAddress() : std::string();
    input.strCaFile = m_store.Load<CAccountSettings>().strCaFile;

    auto* pButton = qobject_cast<QPushButton*>(GetDlgItem(IDC_BUTTON_CONNECTION_TEST));
    if (pButton != nullptr) {
        pButton->setEnabled(false);
        pButton->setText(QString::fromUtf8(pagetext::kTestRunning));
    }
    setCursor(Qt::BusyCursor);
    m_testJob.Start([this, tester = m_tester, input]() -> std::function<void()> {
        CConnectionTestResult result = tester(input);
        return [this, result] { ShowConnectionTestResult(result); };
    });
}

void CPageAccount::ShowConnectionTestResult(const CConnectionTestResult& result) {
    using namespace pagetext;
    unsetCursor();
    if (auto* pButton = qobject_cast<QPushButton*>(GetDlgItem(IDC_BUTTON_CONNECTION_TEST))) {
        pButton->setText(QString::fromUtf8(kConnectionTest));
        pButton->setEnabled(true);
    }
    const QString pop3Ok = QString::fromUtf8(kTestLoggedIn).arg(result.pop3.nMessages);
    const QString smtpOk =
        result.smtp.strRecipient.empty()
            ? QString::fromUtf8(kTestSmtpNoRecipient)
            : QString::fromUtf8(kTestSmtpAccepted).arg(FromUtf8(result.smtp.strRecipient));
    QStringList lines =
        DescribeCheck(kTestPop3, Cp932ToUtf8(m_account.strPop3Server), result.pop3, pop3Ok);
    lines << QString()
          << DescribeCheck(kTestSmtp, Cp932ToUtf8(m_account.strSmtpServer), result.smtp, smtpOk);
    lines << QString() << QString::fromUtf8(kTestNothingSent);
    const bool bAllOk = result.pop3.IsOk() && result.smtp.IsOk();
    QMessageBox box(bAllOk ? QMessageBox::Information : QMessageBox::Warning,
                    QString::fromUtf8(kTestCaption), lines.join('\n'), QMessageBox::Ok, this);
    box.exec();
    emit ConnectionTestShown();
}
