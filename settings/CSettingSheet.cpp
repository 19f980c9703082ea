#include "settings/CSettingSheet.h"

#include "res/strings.h"

CSettingSheet::CSettingSheet(const char* pszCaption, QWidget* pParentWnd, int nSelectPage,
                             CProfile& profile, const std::string& strAppDir)
    : CPropertySheet(pszCaption, pParentWnd, nSelectPage), m_pageAccount(profile),
      m_pageTensou(profile, strAppDir), m_pageRule(profile, strAppDir) {
    setObjectName(QStringLiteral("settingSheet"));
    AddPage(&m_pageTensou);
    AddPage(&m_pageAccount);
    AddPage(&m_pageRule);
}

// The pages take themselves out of the tabs as they go, rule page first.
CSettingSheet::~CSettingSheet() = default;

int RunSettingSheet(const std::string& strAppDir, CProfile& profile, QWidget* pParent) {
    CSettingSheet sheet(restext::kSettingsCaption, pParent, 0, profile, strAppDir);
    return sheet.DoModal();
}
