#include "settings/CPageTensou.h"

#include "config/CSettingsStore.h"
#include "config/schema.h"
#include "dialog/CDataExchange.h"
#include "res/templates.h"
#include "settings/listcontrol.h"

CPageTensou::CPageTensou(CSettingsStore& store)
    : CPropertyPage(kTensouPageTemplate), m_store(store) {}

// The bar goes before the list it points at.
CPageTensou::~CPageTensou() = default;

void CPageTensou::DoDataExchange(CDataExchange* pDX) {
    CPropertyPage::DoDataExchange(pDX);
    DDX_Control(pDX, IDC_LIST_ADDRESS, m_listAddress);
    DDX_Check(pDX, IDC_CHECK_AUTOFORWARD, m_forwarding.bAutoForward);
}

bool CPageTensou::OnInitDialog() {
    CPropertyPage::OnInitDialog();
    m_forwarding = m_store.Load<CForwardingSettings>();
    SubclassDlgItem(IDC_BAR_ADDRESS, m_btnAddress);
    m_btnAddress.m_pList = &m_listAddress;
    // Every row, the first included, can be edited, moved and deleted.
    m_listAddress.m_bFixedFirst = false;
    m_listAddress.SetEditLimit(schema::kListEntryEditLimit);
    LoadAddressFile();
    UpdateData(false);
    return true;
}

bool CPageTensou::OnApply() {
    m_store.Save(m_forwarding);
    SaveAddressFile();
    return CPropertyPage::OnApply();
}

void CPageTensou::LoadAddressFile() {
    LoadListControl(m_store.FilePath(schema::kAddressFile), m_listAddress);
}

void CPageTensou::SaveAddressFile() {
    SaveListControl(m_store.FilePath(schema::kAddressFile), m_listAddress);
}
