#pragma once
// The page "転送": the automatic-forwarding switch (SEND / EXEC) and the list
// of forward-to addresses ("to_adr.txt"), edited with an editable list and
// its button bar. Read when the page is first shown (it is the first page,
// so at every opening of the sheet), written on OK.

#include "config/Settings.h"
#include "controls/CListBoxEx.h"
#include "controls/CListButtonBar.h"
#include "dialog/CPropertyPage.h"

class CSettingsStore;

class CPageTensou : public CPropertyPage {
    Q_OBJECT
public:
    explicit CPageTensou(CSettingsStore& store);
    ~CPageTensou() override;

    CListBoxEx m_listAddress;
    CForwardingSettings m_forwarding;
    CListButtonBar m_btnAddress;

    // "to_adr.txt" into the list; a missing file leaves it empty.
    void LoadAddressFile();
    // The list into "to_adr.txt", top to bottom; a file that cannot be
    // replaced stays as it was, and nothing is shown.
    void SaveAddressFile();

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    bool OnInitDialog() override;
    bool OnApply() override;

private:
    CSettingsStore& m_store;
};
