#include "settings/CPageAccount.h"

#include "config/CAccountSecrets.h"
#include "config/CSettingsStore.h"
#include "config/SettingCheck.h"
#include "dialog/CDataExchange.h"
#include "platform/codepage.h"
#include "res/templates.h"

#include <QApplication>
#include <QDesktopServices>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QStringList>
#include <QUrl>

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

// The provider list's entries, in order.
constexpr const char* kProviderNames[] = {CSignInSettings::kProviderGoogle,
                                          CSignInSettings::kProviderMicrosoft,
                                          CSignInSettings::kProviderOther};

int ProviderIndex(const std::string& name) {
    for (int i = 0; i < 3; ++i)
        if (name == kProviderNames[i])
            return i;
    return 0;
}

// From any thread: the browser opens from the user-interface thread.
void OpenInBrowser(const std::string& url) {
    const QUrl target = QUrl::fromEncoded(QByteArray::fromStdString(url));
    QMetaObject::invokeMethod(
        qApp, [target] { QDesktopServices::openUrl(target); }, Qt::QueuedConnection);
}

} // namespace

CPageAccount::CPageAccount(CSettingsStore& store, ConnectionTester tester, SignInRunner signIn)
    : CPropertyPage(kAccountPageTemplate), m_store(store), m_tester(std::move(tester)),
      m_signInRunner(std::move(signIn)) {}

CPageAccount::~CPageAccount() = default;

void CPageAccount::DoDataExchange(CDataExchange* pDX) {
    CPropertyPage::DoDataExchange(pDX);
    DDX_Text(pDX, IDC_EDIT_MAILADDRESS, m_account.strMailAddress);
    DDX_Text(pDX, IDC_EDIT_ACCOUNT, m_account.strAccount);
    DDX_Text(pDX, IDC_EDIT_POP3, m_account.strPop3Server);
    DDX_Text(pDX, IDC_EDIT_SMTP, m_account.strSmtpServer);
    DDX_Text(pDX, IDC_EDIT_PASSWORD, m_account.strPassword);
    ExchangeSignIn(pDX);
}

void CPageAccount::ExchangeSignIn(CDataExchange* pDX) {
    int bOAuth2 = m_signIn.IsOAuth2() ? 1 : 0;
    int bPassword = 1 - bOAuth2;
    int nProvider = ProviderIndex(m_signIn.strProvider);
    DDX_Check(pDX, IDC_RADIO_PASSWORD, bPassword);
    DDX_Check(pDX, IDC_RADIO_OAUTH2, bOAuth2);
    DDX_Check(pDX, IDC_CHECK_PASSWORD_KEYRING, m_signIn.bPasswordInKeyring);
    DDX_CBIndex(pDX, IDC_COMBO_PROVIDER, nProvider);
    DDX_Text(pDX, IDC_EDIT_CLIENT_ID, m_signIn.strClientId);
    DDX_Text(pDX, IDC_EDIT_CLIENT_SECRET, m_signIn.strClientSecret);
    if (pDX->m_bSaveAndValidate) {
        m_signIn.strAuth = bOAuth2 ? CSignInSettings::kAuthOAuth2 : CSignInSettings::kAuthPassword;
        m_signIn.strProvider = kProviderNames[nProvider >= 0 && nProvider < 3 ? nProvider : 0];
    }
}

bool CPageAccount::OnInitDialog() {
    CPropertyPage::OnInitDialog();
    m_account = m_store.Load<CAccountSettings>();
    m_signIn = m_store.Load<CSignInSettings>();
    CAccountSecrets secrets(m_store);
    if (m_signIn.bPasswordInKeyring) {
        const std::string password = secrets.Password(m_account, m_signIn);
        m_bKeyringPasswordRead = secrets.KeyringProblem().empty();
        m_account.strPassword = Utf8ToCp932(password);
    }
    UpdateData(false);
    for (int nId : {IDC_RADIO_PASSWORD, IDC_RADIO_OAUTH2})
        if (auto* pRadio = qobject_cast<QRadioButton*>(GetDlgItem(nId)))
            connect(pRadio, &QRadioButton::toggled, this, [this] { UpdateAuthControls(); });
    std::string tokens;
    ShowSignInState(m_signIn.IsOAuth2() && secrets.ReadTokens(m_account, m_signIn, tokens));
    UpdateAuthControls();
    // The sheet places the first focus.
    return true;
}

bool CPageAccount::OnApply() {
    // The members hold what the edits held when the page was last left or
    // when OK was pressed: the sheet ran the saving exchange before this.
    WarnAboutUnusableValues();
    StorePassword();
    return CPropertyPage::OnApply();
}

// A password kept in the keyring never reaches the INI: the account is
// stored without it, then the keyring takes it (or, without one, the INI
// after all, and the user is told).
void CPageAccount::StorePassword() {
    const bool bWasInKeyring = m_store.Load<CSignInSettings>().bPasswordInKeyring != 0;
    const bool bInKeyring = m_signIn.bPasswordInKeyring != 0;
    CAccountSettings account = m_account;
    if (bInKeyring)
        account.strPassword.clear();
    m_store.Save(account);
    // An INI without the sign-in keys keeps without them while they hold
    // what a missing key reads as.
    if (!(m_store.Load<CSignInSettings>() == m_signIn))
        m_store.Save(m_signIn);
    // An empty edit over a keyring that could not be read is no new password.
    const bool bUnread = bWasInKeyring && !m_bKeyringPasswordRead && m_account.strPassword.empty();
    if ((!bInKeyring && !bWasInKeyring) || (bInKeyring && bUnread))
        return;
    CAccountSecrets secrets(m_store);
    if (secrets.StorePassword(m_account, Cp932ToUtf8(m_account.strPassword), bInKeyring) ||
        !bInKeyring)
        return;
    QMessageBox box(QMessageBox::Warning, QString::fromUtf8(pagetext::kCheckCaption),
                    QString::fromUtf8(pagetext::kPasswordKeptInIni) + "\n" +
                        FromUtf8(secrets.KeyringProblem()),
                    QMessageBox::Ok, this);
    box.exec();
}

// Only what the chosen way of signing in uses can be changed.
void CPageAccount::UpdateAuthControls() {
    auto* pOAuth2 = qobject_cast<QRadioButton*>(GetDlgItem(IDC_RADIO_OAUTH2));
    const bool bOAuth2 = pOAuth2 != nullptr && pOAuth2->isChecked();
    for (int nId : {IDC_EDIT_PASSWORD, IDC_CHECK_PASSWORD_KEYRING, IDC_BUTTON_CONNECTION_TEST})
        if (QWidget* pItem = GetDlgItem(nId))
            pItem->setEnabled(!bOAuth2);
    for (int nId : {IDC_COMBO_PROVIDER, IDC_EDIT_CLIENT_ID, IDC_EDIT_CLIENT_SECRET,
                    IDC_BUTTON_SIGN_IN, IDC_STATIC_SIGN_IN_STATE})
        if (QWidget* pItem = GetDlgItem(nId))
            pItem->setEnabled(bOAuth2 && (nId != IDC_BUTTON_SIGN_IN || !m_signInJob.IsRunning()));
}

void CPageAccount::ShowSignInState(bool bSignedIn) {
    if (QWidget* pState = GetDlgItem(IDC_STATIC_SIGN_IN_STATE))
        pState->setProperty(
            "text", QString::fromUtf8(bSignedIn ? pagetext::kSignedIn : pagetext::kNotSignedIn));
}

void CPageAccount::OnSignIn() {
    if (m_signInJob.IsRunning() || !m_signInRunner)
        return;
    UpdateData(true);
    if (QWidget* pState = GetDlgItem(IDC_STATIC_SIGN_IN_STATE))
        pState->setProperty("text", QString::fromUtf8(pagetext::kSignInRunning));
    m_signInJob.Start([this, runner = m_signInRunner, account = m_account,
                       signIn = m_signIn]() -> std::function<void()> {
        CSignInOutcome outcome = runner(account, signIn, &OpenInBrowser);
        return [this, outcome] { ShowSignInOutcome(outcome); };
    });
    UpdateAuthControls();
}

void CPageAccount::ShowSignInOutcome(const CSignInOutcome& outcome) {
    using namespace pagetext;
    UpdateAuthControls();
    ShowSignInState(outcome.bSignedIn);
    if (!outcome.bSignedIn || outcome.bKeptInIni) {
        const QString text =
            outcome.bSignedIn
                ? QString::fromUtf8(kSignInKeptInIni) + "\n" + FromUtf8(outcome.strText)
                : QString::fromUtf8(kSignInFailed) + "\n" + FromUtf8(outcome.strText);
        QMessageBox box(outcome.bSignedIn ? QMessageBox::Information : QMessageBox::Warning,
                        QString::fromUtf8(kSignInCaption), text, QMessageBox::Ok, this);
        box.exec();
    }
    emit SignInShown();
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
    else if (nId == IDC_BUTTON_SIGN_IN)
        OnSignIn();
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
