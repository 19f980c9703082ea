#include "settings/CSettingSheet.h"

#include "config/CSettingsStore.h"
#include "config/listfile.h"
#include "config/schema.h"
#include "platform/codepage.h"
#include "res/strings.h"

#include <vector>

namespace {

// The address in a forward-to entry as people write it: "Name <addr>" or
// the first of several separated by commas.
std::string AddressOfEntry(const std::string& entryUtf8) {
    std::string text = TrimWhite(entryUtf8);
    const std::size_t open = text.find('<');
    const std::size_t close = text.find('>', open == std::string::npos ? 0 : open);
    if (open != std::string::npos && close != std::string::npos)
        text = text.substr(open + 1, close - open - 1);
    return TrimWhite(text.substr(0, text.find(',')));
}

} // namespace

CSettingSheet::CSettingSheet(const char* pszCaption, QWidget* pParentWnd, int nSelectPage,
                             CSettingsStore& store, CPageAccount::ConnectionTester tester)
    : CPropertySheet(pszCaption, pParentWnd, nSelectPage), m_pageAccount(store, std::move(tester)),
      m_pageTensou(store), m_pageRule(store) {
    setObjectName(QStringLiteral("settingSheet"));
    AddPage(&m_pageTensou);
    AddPage(&m_pageAccount);
    AddPage(&m_pageRule);
    // The connection test tries the addresses as the forward page shows them
    // now, saved or not.
    m_pageAccount.SetForwardAddressSource([this, &store] {
        std::vector<std::string> entries;
        if (m_pageTensou.IsCreated())
            for (int n = 0; n < m_pageTensou.m_listAddress.GetCount(); ++n)
                entries.push_back(m_pageTensou.m_listAddress.GetText(n));
        else
            ReadListFile(store.FilePath(schema::kAddressFile), entries);
        for (const std::string& entry : entries) {
            std::string address = AddressOfEntry(Cp932ToUtf8(entry));
            if (!address.empty())
                return address;
        }
        return std::string();
    });
}

// The pages take themselves out of the tabs as they go, rule page first.
CSettingSheet::~CSettingSheet() = default;

int RunSettingSheet(CSettingsStore& store, CPageAccount::ConnectionTester tester,
                    QWidget* pParent) {
    CSettingSheet sheet(restext::kSettingsCaption, pParent, 0, store, std::move(tester));
    return sheet.DoModal();
}
