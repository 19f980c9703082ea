#pragma once
// The page "転送": the automatic-forwarding switch (SEND / EXEC) and the list
// of forward-to addresses ("to_adr.txt"), edited with an editable list and
// its button bar. Read when the page is first shown (it is the first page,
// so at every opening of the sheet), written on OK.

#include "controls/CListBoxEx.h"
#include "controls/CListButtonBar.h"
#include "platform/dialog/CPropertyPage.h"

#include <string>

class CProfile;

class CPageTensou : public CPropertyPage {
    Q_OBJECT
public:
    CPageTensou(CProfile& profile, std::string strAppDir);
    ~CPageTensou() override;

    CListBoxEx m_listAddress;
    int m_bAutoForward = 0;
    CListButtonBar m_btnAddress;

    // "to_adr.txt" into the list; a missing file leaves it empty. Always true.
    bool LoadAddressFile();
    // The list into "to_adr.txt", top to bottom. Always true.
    bool SaveAddressFile();

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    bool OnInitDialog() override;
    bool OnApply() override;

private:
    CProfile& m_profile;
    std::string m_strAppDir;
};
