#pragma once
// The page "受信メール": the POP3 and SMTP servers, the account and its
// password, and the user's own address, from section RECV of the settings
// store. Read when the page is first shown, written on OK.

#include "platform/dialog/CPropertyPage.h"

#include <string>

class CProfile;

class CPageAccount : public CPropertyPage {
    Q_OBJECT
public:
    explicit CPageAccount(CProfile& profile);
    ~CPageAccount() override;

    // Code page 932, exchanged with the edits as they stand: no trimming.
    std::string m_strMailAddress;
    std::string m_strAccount;
    std::string m_strPop3Server;
    std::string m_strSmtpServer;
    std::string m_strPassword;

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    bool OnInitDialog() override;
    bool OnApply() override;

private:
    CProfile& m_profile;
};
