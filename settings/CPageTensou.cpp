#include "settings/CPageTensou.h"

#include "platform/dialog/CDataExchange.h"
#include "platform/paths.h"
#include "platform/profile.h"
#include "res/templates.h"
#include "settings/listcontrol.h"
#include "settings/schema.h"

CPageTensou::CPageTensou(CProfile& profile, std::string strAppDir)
    : CPropertyPage(kTensouPageTemplate), m_profile(profile), m_strAppDir(std::move(strAppDir)) {}

// The bar goes before the list it points at.
CPageTensou::~CPageTensou() = default;

void CPageTensou::DoDataExchange(CDataExchange* pDX) {
    CPropertyPage::DoDataExchange(pDX);
    DDX_Control(pDX, IDC_LIST_ADDRESS, m_listAddress);
    DDX_Check(pDX, IDC_CHECK_AUTOFORWARD, m_bAutoForward);
}

bool CPageTensou::OnInitDialog() {
    CPropertyPage::OnInitDialog();
    m_bAutoForward =
        m_profile.GetProfileInt(schema::kSectionSend, schema::kKeyExec, schema::kDefaultExec);
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
    m_profile.WriteProfileInt(schema::kSectionSend, schema::kKeyExec, m_bAutoForward);
    SaveAddressFile();
    return CPropertyPage::OnApply();
}

bool CPageTensou::LoadAddressFile() {
    LoadListControl(JoinPath(m_strAppDir, schema::kAddressFile), m_listAddress);
    return true;
}

bool CPageTensou::SaveAddressFile() {
    // A file that cannot be replaced stays as it was; nothing is shown.
    SaveListControl(JoinPath(m_strAppDir, schema::kAddressFile), m_listAddress);
    return true;
}
