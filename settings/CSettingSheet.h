#pragma once
// The settings window "設定": the forward page, the account page and the rule
// page, in that tab order. Each page reads its settings when it is first
// shown and writes them on OK; the sheet itself reads and writes nothing.

#include "dialog/CPropertySheet.h"
#include "settings/CPageAccount.h"
#include "settings/CPageRule.h"
#include "settings/CPageTensou.h"

class CSettingsStore;

class CSettingSheet : public CPropertySheet {
    Q_OBJECT
public:
    // store: the program folder's settings, which must outlive the sheet;
    // tester: what 接続テスト runs.
    CSettingSheet(const char* pszCaption, QWidget* pParentWnd, int nSelectPage,
                  CSettingsStore& store, CPageAccount::ConnectionTester tester);
    ~CSettingSheet() override;

    CPageAccount m_pageAccount;
    CPageTensou m_pageTensou;
    CPageRule m_pageRule;
};

// The main window's "設定" command: the sheet with its caption, the forward
// page first, run modally over pParent. IDOK or IDCANCEL (nobody needs it).
int RunSettingSheet(CSettingsStore& store, CPageAccount::ConnectionTester tester, QWidget* pParent);
