#pragma once
// The settings window "設定": the forward page, the account page and the rule
// page, in that tab order. Each page reads its settings when it is first
// shown and writes them on OK; the sheet itself reads and writes nothing.

#include "platform/dialog/CPropertySheet.h"
#include "settings/CPageAccount.h"
#include "settings/CPageRule.h"
#include "settings/CPageTensou.h"

#include <string>

class CProfile;

class CSettingSheet : public CPropertySheet {
    Q_OBJECT
public:
    // profile: the settings store; strAppDir: the program folder, where the
    // list files lie. Both must outlive the sheet.
    CSettingSheet(const char* pszCaption, QWidget* pParentWnd, int nSelectPage, CProfile& profile,
                  const std::string& strAppDir);
    ~CSettingSheet() override;

    CPageAccount m_pageAccount;
    CPageTensou m_pageTensou;
    CPageRule m_pageRule;
};

// The main window's "設定" command: the sheet with its caption, the forward
// page first, run modally over pParent. IDOK or IDCANCEL (nobody needs it).
int RunSettingSheet(const std::string& strAppDir, CProfile& profile, QWidget* pParent);
