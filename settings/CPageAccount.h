#pragma once
// The page "受信メール": the POP3 and SMTP servers, the account and its
// password, and the user's own address, from section RECV of the settings
// store. Read when the page is first shown, written on OK (with a warning,
// never a refusal, for values the mail calls cannot use). 接続テスト tries
// the values as they stand, without saving them.

#include "config/ConnectionCheck.h"
#include "config/Settings.h"
#include "dialog/CBackgroundJob.h"
#include "dialog/CPropertyPage.h"

#include <functional>
#include <string>

class CSettingsStore;

class CPageAccount : public CPropertyPage {
    Q_OBJECT
public:
    // Gives the first forward-to address (UTF-8), as the sheet holds it now.
    using AddressSource = std::function<std::string()>;
    // Tries the values against the servers, on a worker thread; the
    // application gives the mail library's test.
    using ConnectionTester = std::function<CConnectionTestResult(const CConnectionTestInput&)>;

    CPageAccount(CSettingsStore& store, ConnectionTester tester);
    ~CPageAccount() override;

    void SetForwardAddressSource(AddressSource source) { m_forwardAddress = std::move(source); }
    bool IsConnectionTestRunning() const { return m_testJob.IsRunning(); }

    // Exchanged with the edits as they stand: no trimming.
    CAccountSettings m_account;

signals:
    // The answer of a connection test has been shown (and closed).
    void ConnectionTestShown();

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    bool OnInitDialog() override;
    bool OnApply() override;
    void OnCommand(int nId) override;

private:
    void OnConnectionTest();
    void ShowConnectionTestResult(const CConnectionTestResult& result);
    void WarnAboutUnusableValues();

    CSettingsStore& m_store;
    ConnectionTester m_tester;
    AddressSource m_forwardAddress;
    CBackgroundJob m_testJob;
};
