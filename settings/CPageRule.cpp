#include "settings/CPageRule.h"

#include "config/CSettingsStore.h"
#include "config/schema.h"
#include "dialog/CDataExchange.h"
#include "res/templates.h"
#include "settings/listcontrol.h"

CPageRule::CPageRule(CSettingsStore& store) : CPropertyPage(kRulePageTemplate), m_store(store) {}

// The bars go before the lists they point at.
CPageRule::~CPageRule() = default;

void CPageRule::DoDataExchange(CDataExchange* pDX) {
    CPropertyPage::DoDataExchange(pDX);
    DDX_Control(pDX, IDC_LIST_SUBJECT, m_listSubject);
    DDX_Control(pDX, IDC_LIST_FROM, m_listFrom);
    DDX_Check(pDX, IDC_CHECK_FROMRULE, m_rules.bFromRule);
    DDX_Check(pDX, IDC_CHECK_SUBJECTRULE, m_rules.bSubjectRule);
    DDX_Check(pDX, IDC_CHECK_NOATTACHMENT, m_rules.bNoAttachment);
    DDX_Check(pDX, IDC_CHECK_SIZELIMIT, m_rules.bSizeLimit);
    // Checked on leaving the page and on OK, with the size rule off too.
    DDX_Text(pDX, IDC_EDIT_LIMITBYTE, m_nLimitByte);
    DDV_MinMaxUInt(pDX, m_nLimitByte, schema::kMinLimitByte, schema::kMaxLimitByte);
}

bool CPageRule::OnInitDialog() {
    CPropertyPage::OnInitDialog();
    m_rules = m_store.Load<CRuleSettings>();
    m_nLimitByte = static_cast<unsigned>(m_rules.nLimitByte);
    AttachList(IDC_BAR_FROM, m_btnFrom, m_listFrom);
    AttachList(IDC_BAR_SUBJECT, m_btnSubject, m_listSubject);
    LoadRuleFiles();
    UpdateData(false);
    return true;
}

void CPageRule::AttachList(int nBarId, CListButtonBar& bar, CListBoxEx& list) {
    SubclassDlgItem(nBarId, bar);
    bar.m_pList = &list;
    list.m_bFixedFirst = false;
    list.SetEditLimit(schema::kListEntryEditLimit);
}

bool CPageRule::OnApply() {
    // Validated to kMinLimitByte..kMaxLimitByte before OK got here.
    m_rules.nLimitByte = static_cast<int>(m_nLimitByte);
    m_store.Save(m_rules);
    SaveRuleFiles();
    return CPropertyPage::OnApply();
}

void CPageRule::LoadRuleFiles() {
    LoadListControl(m_store.FilePath(schema::kSenderRuleFile), m_listFrom);
    LoadListControl(m_store.FilePath(schema::kSubjectRuleFile), m_listSubject);
}

void CPageRule::SaveRuleFiles() {
    // Each file on its own: one that cannot be replaced does not stop the other.
    SaveListControl(m_store.FilePath(schema::kSenderRuleFile), m_listFrom);
    SaveListControl(m_store.FilePath(schema::kSubjectRuleFile), m_listSubject);
}
