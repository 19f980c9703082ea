#include "engine/CTokenKeeper.h"

#include "config/CServerAddress.h"

#include "engine/enginetexts.h"
#include "engine/oauth/CCodeFlowSignIn.h"
#include "engine/oauth/COAuthClient.h"
#include "platform/codepage.h"

#include <ctime>

namespace {

bool ReceivesByImap(const CAccountSettings& account) {
    CServerAddress server;
    return server.Parse(account.strPop3Server, EMailProtocol::Pop3) && server.IsImap();
}

} // namespace

COAuthProvider ProviderOfSettings(const CSignInSettings& signIn, const CAccountSettings& account) {
    const std::string clientId = Cp932ToUtf8(signIn.strClientId);
    const std::string secret = Cp932ToUtf8(signIn.strClientSecret);
    if (signIn.strProvider == CSignInSettings::kProviderMicrosoft)
        return OAuthPreset(EOAuthPreset::Microsoft, clientId, secret, ReceivesByImap(account));
    if (signIn.strProvider != CSignInSettings::kProviderOther)
        return OAuthPreset(EOAuthPreset::Google, clientId, secret);
    COAuthProvider provider = OAuthPreset(EOAuthPreset::Other, clientId, secret);
    provider.strAuthorizeUrl = Cp932ToUtf8(signIn.strAuthorizeUrl);
    provider.strTokenUrl = Cp932ToUtf8(signIn.strTokenUrl);
    provider.strDeviceUrl = Cp932ToUtf8(signIn.strDeviceUrl);
    provider.strScope = Cp932ToUtf8(signIn.strScope);
    return provider;
}

CTokenKeeper::CTokenKeeper(CSettingsStore& store) : m_store(store), m_secrets(store) {
    Reload();
}

void CTokenKeeper::Reload() {
    m_signIn = m_store.Load<CSignInSettings>();
    m_account = m_store.Load<CAccountSettings>();
}

void CTokenKeeper::Use(const CAccountSettings& account, const CSignInSettings& signIn) {
    m_account = account;
    m_signIn = signIn;
}

bool CTokenKeeper::SignInWithBrowser(const CUrlOpener& openUrl, int timeoutSeconds,
                                     COAuthError& error) {
    CCodeFlowSignIn signIn(ProviderOfSettings(m_signIn, m_account),
                           Cp932ToUtf8(m_account.strMailAddress));
    std::string url;
    COAuthTokens tokens;
    if (!signIn.Start(url, error))
        return false;
    openUrl(url);
    if (!signIn.Finish(timeoutSeconds, tokens, error))
        return false;
    Keep(tokens);
    return true;
}

bool CTokenKeeper::HasTokens() {
    COAuthTokens tokens;
    COAuthError error;
    return Load(tokens, error);
}

bool CTokenKeeper::Load(COAuthTokens& tokens, COAuthError& error) {
    std::string secret;
    if (m_secrets.ReadTokens(m_account, m_signIn, secret) &&
        COAuthTokens::FromSecret(secret, tokens) && tokens.IsSignedIn())
        return true;
    error = {EOAuthFailure::SignInAgain, std::string(enginetexts::kSignInNeeded)};
    return false;
}

bool CTokenKeeper::AccessToken(std::string& token, COAuthError& error) {
    COAuthTokens tokens;
    return Load(tokens, error) && Refresh(tokens, false, token, error);
}

bool CTokenKeeper::Renew(std::string& token, COAuthError& error) {
    COAuthTokens tokens;
    return Load(tokens, error) && Refresh(tokens, true, token, error);
}

bool CTokenKeeper::Refresh(COAuthTokens& tokens, bool bForce, std::string& token,
                           COAuthError& error) {
    COAuthClient client(ProviderOfSettings(m_signIn, m_account));
    bool bRefreshed = false;
    const bool bOk = bForce ? (bRefreshed = client.Refresh(tokens, error))
                            : client.RefreshIfDue(tokens, std::time(nullptr), bRefreshed, error);
    if (!bOk) {
        // A refresh token the provider no longer honours is worth nothing:
        // the next cycles ask for a sign-in instead of trying it again.
        if (error.eFailure == EOAuthFailure::SignInAgain) {
            m_secrets.RemoveTokens(m_account, m_signIn);
            error.strText = enginetexts::kSignInNeeded;
        }
        return false;
    }
    if (bRefreshed)
        m_secrets.StoreTokens(m_account, m_signIn, tokens.ToSecret());
    token = tokens.strAccessToken;
    return true;
}

bool CTokenKeeper::Keep(const COAuthTokens& tokens) {
    const bool bInKeyring = m_secrets.StoreTokens(m_account, m_signIn, tokens.ToSecret());
    CStoredSecrets stored = m_store.Load<CStoredSecrets>();
    stored.bSignInNeededLogged = 0;
    m_store.Save(stored);
    return bInKeyring;
}
