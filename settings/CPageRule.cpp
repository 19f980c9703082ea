#include "settings/CPageRule.h"

#include "platform/dialog/CDataExchange.h"
#include "platform/paths.h"
#include "platform/profile.h"
#include "res/templates.h"
#include "settings/listcontrol.h"
#include "settings/schema.h"

CPageRule::CPageRule(CProfile& profile, std::string strAppDir)
    : CPropertyPage(kRulePageTemplate), m_profile(profile), m_strAppDir(std::move(strAppDir)) {}

// The bars go before the lists they point at.
CPageRule::~CPageRule() = default;

void CPageRule::DoDataExchange(CDataExchange* pDX) {
    CPropertyPage::DoDataExchange(pDX);
    DDX_Control(pDX, IDC_LIST_SUBJECT, m_listSubject);
    DDX_Control(pDX, IDC_LIST_FROM, m_listFrom);
    DDX_Check(pDX, IDC_CHECK_FROMRULE, m_bFromRule);
    DDX_Check(pDX, IDC_CHECK_SUBJECTRULE, m_bSubjectRule);
    DDX_Check(pDX, IDC_CHECK_NOATTACHMENT, m_bNoAttachment);
    DDX_Check(pDX, IDC_CHECK_SIZELIMIT, m_bSizeLimit);
    // Checked on leaving the page and on OK, with the size rule off too.
    DDX_Text(pDX, IDC_EDIT_LIMITBYTE, m_nLimitByte);
    DDV_MinMaxUInt(pDX, m_nLimitByte, schema::kMinLimitByte, schema::kMaxLimitByte);
}

bool CPageRule::OnInitDialog() {
    CPropertyPage::OnInitDialog();
    using namespace schema;
    m_bFromRule = m_profile.GetProfileInt(kSectionRule, kKeyRuleFrom, kDefaultRuleFrom);
    m_bSubjectRule = m_profile.GetProfileInt(kSectionRule, kKeyRuleSubject, kDefaultRuleSubject);
    m_bNoAttachment = m_profile.GetProfileInt(kSectionRule, kKeyRuleTemp, kDefaultRuleTemp);
    m_bSizeLimit = m_profile.GetProfileInt(kSectionRule, kKeyRuleSize, kDefaultRuleSize);
    m_nLimitByte = static_cast<unsigned>(
        m_profile.GetProfileInt(kSectionRule, kKeyLimitByte, kDefaultLimitByte));

    SubclassDlgItem(IDC_BAR_FROM, m_btnFrom);
    m_btnFrom.m_pList = &m_listFrom;
    m_listFrom.m_bFixedFirst = false;
    m_listFrom.SetEditLimit(kListEntryEditLimit);

    SubclassDlgItem(IDC_BAR_SUBJECT, m_btnSubject);
    m_btnSubject.m_pList = &m_listSubject;
    m_listSubject.m_bFixedFirst = false;
    m_listSubject.SetEditLimit(kListEntryEditLimit);

    LoadRuleFiles();
    UpdateData(false);
    return true;
}

bool CPageRule::OnApply() {
    using namespace schema;
    m_profile.WriteProfileInt(kSectionRule, kKeyRuleFrom, m_bFromRule);
    m_profile.WriteProfileInt(kSectionRule, kKeyRuleSubject, m_bSubjectRule);
    m_profile.WriteProfileInt(kSectionRule, kKeyRuleTemp, m_bNoAttachment);
    m_profile.WriteProfileInt(kSectionRule, kKeyRuleSize, m_bSizeLimit);
    // Validated to 100..10000 before OK got here.
    m_profile.WriteProfileInt(kSectionRule, kKeyLimitByte, static_cast<int>(m_nLimitByte));
    SaveRuleFiles();
    return CPropertyPage::OnApply();
}

bool CPageRule::LoadRuleFiles() {
    LoadListControl(JoinPath(m_strAppDir, schema::kSenderRuleFile), m_listFrom);
    LoadListControl(JoinPath(m_strAppDir, schema::kSubjectRuleFile), m_listSubject);
    return true;
}

bool CPageRule::SaveRuleFiles() {
    // Each file on its own: one that cannot be replaced does not stop the other.
    SaveListControl(JoinPath(m_strAppDir, schema::kSenderRuleFile), m_listFrom);
    SaveListControl(JoinPath(m_strAppDir, schema::kSubjectRuleFile), m_listSubject);
    return true;
}
