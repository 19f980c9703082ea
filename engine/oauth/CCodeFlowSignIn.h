#pragma once
// A sign-in in the user's browser (authorization code with PKCE): Start
// listens for the redirect and gives the URL to open; Finish waits for the
// browser to come back and turns the code into tokens. Finish blocks, so a
// window runs it on a worker and may Cancel it from its own thread.

#include "engine/oauth/COAuthClient.h"
#include "engine/oauth/CPkce.h"
#include "engine/oauth/CRedirectListener.h"

#include <string>

class CCodeFlowSignIn {
public:
    // loginHint: the mail address, so the provider offers that account.
    CCodeFlowSignIn(const COAuthProvider& provider, std::string loginHint = {});

    // The authorization URL to open in the browser.
    bool Start(std::string& authorizationUrl, COAuthError& error);
    bool Finish(int timeoutSeconds, COAuthTokens& tokens, COAuthError& error);
    void Cancel() { m_listener.Cancel(); }
    // Instead of Finish: the redirect URL the user pasted from a browser
    // that could not reach this machine's listener.
    bool FinishWithPastedRedirect(const std::string& url, COAuthTokens& tokens, COAuthError& error);

private:
    COAuthProvider m_provider;
    COAuthClient m_client;
    std::string m_strLoginHint;
    CRedirectListener m_listener;
    CPkce m_pkce;
    std::string m_strState;
    std::string m_strRedirectUri; // the listener's address, as the provider sees it
};
