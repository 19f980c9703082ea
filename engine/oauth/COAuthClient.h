#pragma once
// The OAuth2 protocol with one provider, on libcurl: the authorization URL
// (code flow with PKCE), the code exchange, refreshing, and the device flow
// for a sign-in without a browser on this machine. Every call blocks; none
// needs an event loop.

#include "engine/oauth/COAuthError.h"
#include "engine/oauth/COAuthProvider.h"
#include "engine/oauth/COAuthTokens.h"

#include <functional>
#include <string>
#include <utility>
#include <vector>

// A device sign-in in progress (RFC 8628).
struct COAuthDeviceCode {
    std::string strDeviceCode;
    std::string strUserCode;                // what the user types at the URL
    std::string strVerificationUrl;         // where the user goes
    std::string strVerificationUrlComplete; // the same with the code filled in; may be empty
    int nExpiresIn = 0;                     // seconds the code stays valid
    int nInterval = 5;                      // seconds between polls

    // "ブラウザで URL を開き、コード CODE を入力してください。"
    std::string Instructions() const;
};

class COAuthClient {
public:
    explicit COAuthClient(COAuthProvider provider) : m_provider(std::move(provider)) {}

    // The page the browser opens; loginHint (the mail address) preselects
    // the account where the provider supports it.
    std::string AuthorizationUrl(const std::string& redirectUri, const std::string& state,
                                 const std::string& codeChallenge,
                                 const std::string& loginHint = {}) const;

    // The code from the redirect becomes tokens; the verifier proves this
    // process asked for it.
    bool ExchangeCode(const std::string& code, const std::string& verifier,
                      const std::string& redirectUri, COAuthTokens& tokens, COAuthError& error);

    // A new access token for tokens.strRefreshToken. A provider that sends no
    // new refresh token leaves the old one in place. On failure tokens are
    // unchanged; EOAuthFailure::SignInAgain means the refresh token is gone.
    bool Refresh(COAuthTokens& tokens, COAuthError& error);
    // Refresh only when the access token runs out within a minute of now;
    // bRefreshed tells whether tokens changed (and should be stored again).
    bool RefreshIfDue(COAuthTokens& tokens, long long now, bool& bRefreshed, COAuthError& error);

    bool RequestDeviceCode(COAuthDeviceCode& device, COAuthError& error);

    enum class EPoll { Granted, Pending, SlowDown, Failed };
    // One poll of the token endpoint for a device sign-in.
    EPoll PollDevice(const COAuthDeviceCode& device, COAuthTokens& tokens, COAuthError& error);

    // Polls until the user approves, refuses, or the code runs out. sleep
    // waits the given seconds and returns false to stop (Cancelled); it is
    // a parameter so a caller can stop the wait and tests need not sleep.
    using CSleep = std::function<bool(int nSeconds)>;
    bool WaitForDevice(const COAuthDeviceCode& device, COAuthTokens& tokens, COAuthError& error,
                       const CSleep& sleep = SleepSeconds);
    static bool SleepSeconds(int nSeconds);

private:
    struct CReply;
    using CForm = std::vector<std::pair<std::string, std::string>>;

    bool Post(const std::string& url, CForm form, CReply& reply, COAuthError& error) const;
    bool ReadTokens(const CReply& reply, COAuthTokens& tokens, COAuthError& error) const;

    COAuthProvider m_provider;
};
