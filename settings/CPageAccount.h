#pragma once
// The page "受信メール": the POP3 and SMTP servers, the account and its
// password, and the user's own address, from section RECV of the settings
// store. Read when the page is first shown, written on OK (with a warning,
// never a refusal, for values the mail calls cannot use). 接続テスト tries
// the values as they stand, without saving them.
//
// The account signs in with the password (kept in the INI, or in the
// desktop keyring when ticked) or with OAuth2: a provider, the client the
// user registered there, and サインイン, which signs in in the browser on a
// worker thread and keeps the tokens.

#include "config/ConnectionCheck.h"
#include "config/Settings.h"
#include "config/SignInOutcome.h"
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
    // Signs in with the values as typed, on a worker thread: opens the URL
    // it is given in the browser (any thread may call it) and keeps the
    // tokens; the application gives the OAuth2 sign-in.
    using UrlOpener = std::function<void(const std::string& url)>;
    using SignInRunner = std::function<CSignInOutcome(
        const CAccountSettings&, const CSignInSettings&, const UrlOpener& openUrl)>;

    CPageAccount(CSettingsStore& store, ConnectionTester tester, SignInRunner signIn = {});
    ~CPageAccount() override;

    void SetForwardAddressSource(AddressSource source) { m_forwardAddress = std::move(source); }
    bool IsConnectionTestRunning() const { return m_testJob.IsRunning(); }
    bool IsSignInRunning() const { return m_signInJob.IsRunning(); }

    // Exchanged with the edits as they stand: no trimming.
    CAccountSettings m_account;
    CSignInSettings m_signIn;

signals:
    // The answer of a connection test has been shown (and closed).
    void ConnectionTestShown();
    // A sign-in has ended and its outcome is on the page.
    void SignInShown();

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    bool OnInitDialog() override;
    bool OnApply() override;
    void OnCommand(int nId) override;

private:
    void OnConnectionTest();
    void ShowConnectionTestResult(const CConnectionTestResult& result);
    void WarnAboutUnusableValues();
    void ExchangeSignIn(CDataExchange* pDX);
    void StorePassword();
    void UpdateAuthControls();
    void ShowSignInState(bool bSignedIn);
    void OnSignIn();
    void ShowSignInOutcome(const CSignInOutcome& outcome);

    CSettingsStore& m_store;
    ConnectionTester m_tester;
    AddressSource m_forwardAddress;
    CBackgroundJob m_testJob;
    SignInRunner m_signInRunner;
    CBackgroundJob m_signInJob;
    bool m_bKeyringPasswordRead = false; // the edit shows the keyring's password
};
