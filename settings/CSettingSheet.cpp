#include "settings/CSettingSheet.h"

#include "config/CSettingsStore.h"
#include "config/ForwardAddresses.h"
#include "config/listfile.h"
#include "config/schema.h"
#include "res/strings.h"

#include <vector>

CSettingSheet::CSettingSheet(const char* pszCaption, QWidget* pParentWnd, int nSelectPage,
                             CSettingsStore& store, CPageAccount::ConnectionTester tester)
    : CPropertySheet(pszCaption, pParentWnd, nSelectPage), m_pageAccount(store, std::move(tester)),
      m_pageTensou(store), m_pageRule(store) {
    setObjectName(QStringLiteral("settingSheet"));
    AddPage(&m_pageTensou);
    AddPage(&m_pageAccount);
    AddPage(&m_pageRule);
    // The connection test tries the first address the forwarding cycle would
    // send to, from the list as the forward page shows it now, saved or not.
    m_pageAccount.SetForwardAddressSource([this, &store] {
        std::vector<std::string> entries;
        if (m_pageTensou.IsCreated())
            for (int n = 0; n < m_pageTensou.m_listAddress.GetCount(); ++n)
                entries.push_back(m_pageTensou.m_listAddress.GetText(n));
        else
            ReadListFile(store.FilePath(schema::kAddressFile), entries);
        const ForwardAddressList list = ParseForwardAddresses(entries);
        return list.addresses.empty() ? std::string() : list.addresses.front();
    });
}

// The pages take themselves out of the tabs as they go, rule page first.
CSettingSheet::~CSettingSheet() = default;

int RunSettingSheet(CSettingsStore& store, CPageAccount::ConnectionTester tester,
                    QWidget* pParent) {
    CSettingSheet sheet(restext::kSettingsCaption, pParent, 0, store, std::move(tester));
    return sheet.DoModal();
}
