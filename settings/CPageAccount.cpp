#include "settings/CPageAccount.h"

#include "platform/dialog/CDataExchange.h"
#include "platform/profile.h"
#include "res/templates.h"
#include "settings/schema.h"

CPageAccount::CPageAccount(CProfile& profile)
    : CPropertyPage(kAccountPageTemplate), m_profile(profile) {}

CPageAccount::~CPageAccount() = default;

void CPageAccount::DoDataExchange(CDataExchange* pDX) {
    CPropertyPage::DoDataExchange(pDX);
    DDX_Text(pDX, IDC_EDIT_MAILADDRESS, m_strMailAddress);
    DDX_Text(pDX, IDC_EDIT_ACCOUNT, m_strAccount);
    DDX_Text(pDX, IDC_EDIT_POP3, m_strPop3Server);
    DDX_Text(pDX, IDC_EDIT_SMTP, m_strSmtpServer);
    DDX_Text(pDX, IDC_EDIT_PASSWORD, m_strPassword);
}

bool CPageAccount::OnInitDialog() {
    CPropertyPage::OnInitDialog();
    using namespace schema;
    m_strPop3Server = m_profile.GetProfileString(kSectionRecv, kKeyPop3, "");
    m_strSmtpServer = m_profile.GetProfileString(kSectionRecv, kKeySmtp, "");
    m_strAccount = m_profile.GetProfileString(kSectionRecv, kKeyAccount, "");
    m_strMailAddress = m_profile.GetProfileString(kSectionRecv, kKeyMailAddress, "");
    m_strPassword = m_profile.GetProfileString(kSectionRecv, kKeyPassword, "");
    UpdateData(false);
    // The sheet places the first focus.
    return true;
}

bool CPageAccount::OnApply() {
    // The members hold what the edits held when the page was last left or
    // when OK was pressed: the sheet ran the saving exchange before this.
    using namespace schema;
    m_profile.WriteProfileString(kSectionRecv, kKeyPop3, m_strPop3Server);
    m_profile.WriteProfileString(kSectionRecv, kKeySmtp, m_strSmtpServer);
    m_profile.WriteProfileString(kSectionRecv, kKeyAccount, m_strAccount);
    m_profile.WriteProfileString(kSectionRecv, kKeyMailAddress, m_strMailAddress);
    m_profile.WriteProfileString(kSectionRecv, kKeyPassword, m_strPassword);
    return CPropertyPage::OnApply();
}
