#include "engine/oauth/CCodeFlowSignIn.h"

#include "engine/oauth/OAuthTexts.h"

#include <utility>

CCodeFlowSignIn::CCodeFlowSignIn(const COAuthProvider& provider, std::string loginHint)
    : m_provider(provider), m_client(provider), m_strLoginHint(std::move(loginHint)),
      m_pkce(CPkce::Generate()), m_strState(RandomUrlSafeText(16)) {}

bool CCodeFlowSignIn::Start(std::string& authorizationUrl, COAuthError& error) {
    error = COAuthError{};
    if (!IsAllowedEndpoint(m_provider.strAuthorizeUrl)) {
        error = {EOAuthFailure::Settings, oauthtext::kBadEndpoint};
        return false;
    }
    if (m_provider.strClientId.empty()) {
        error = {EOAuthFailure::Settings, oauthtext::kNoClientId};
        return false;
    }
    if (!m_listener.Listen(error))
        return false;
    m_strRedirectUri = m_listener.RedirectUri();
    const std::string listenHost = "127.0.0.1";
    if (!m_provider.strRedirectHost.empty() && m_provider.strRedirectHost != listenHost)
        m_strRedirectUri.replace(m_strRedirectUri.find(listenHost), listenHost.size(),
                                 m_provider.strRedirectHost);
    authorizationUrl = m_client.AuthorizationUrl(m_strRedirectUri, m_strState, m_pkce.strChallenge,
                                                 m_strLoginHint);
    return true;
}

bool CCodeFlowSignIn::Finish(int timeoutSeconds, COAuthTokens& tokens, COAuthError& error) {
    std::string code;
    return m_listener.WaitForCode(m_strState, timeoutSeconds, code, error) &&
           m_client.ExchangeCode(code, m_pkce.strVerifier, m_strRedirectUri, tokens, error);
}

bool CCodeFlowSignIn::FinishWithPastedRedirect(const std::string& url, COAuthTokens& tokens,
                                               COAuthError& error) {
    std::string code;
    return CRedirectListener::CodeOfPastedRedirect(url, m_strState, code, error) &&
           m_client.ExchangeCode(code, m_pkce.strVerifier, m_strRedirectUri, tokens, error);
}
