#pragma once
// The OAuth2 tokens of the program folder's account: where they are kept
// (CAccountSecrets: the keyring, else the INI), the provider the settings
// name, an access token for the next login (refreshed when it runs out or a
// server refused it, and stored again), and the tokens a new sign-in brings.

#include "config/CAccountSecrets.h"
#include "config/CSettingsStore.h"
#include "engine/oauth/COAuthError.h"
#include "engine/oauth/COAuthProvider.h"
#include "engine/oauth/COAuthTokens.h"

#include <functional>
#include <string>

// The provider of the sign-in settings (text in code page 932 as stored):
// a preset with the user's client, or "other" with the endpoints by hand.
// The account's receive server picks the mailbox scope where a provider
// grants POP3 and IMAP separately.
COAuthProvider ProviderOfSettings(const CSignInSettings& signIn, const CAccountSettings& account);

class CTokenKeeper {
public:
    explicit CTokenKeeper(CSettingsStore& store);

    // Reads the settings again (a cycle's start, after the page saved).
    void Reload();
    // Works with these settings instead of the stored ones (a sign-in with
    // the values the account page shows, saved or not).
    void Use(const CAccountSettings& account, const CSignInSettings& signIn);
    const CSignInSettings& SignIn() const { return m_signIn; }
    const CAccountSettings& Account() const { return m_account; }
    bool HasTokens();

    // A current access token. EOAuthFailure::SignInAgain: there are no
    // tokens, or the provider no longer honours them (they are removed).
    bool AccessToken(std::string& token, COAuthError& error);
    // A fresh access token after a server refused the one it was given.
    bool Renew(std::string& token, COAuthError& error);

    // Signs in in the browser: openUrl gets the authorization URL, and the
    // loopback listener waits up to timeoutSeconds for the redirect. The
    // tokens are kept (Keep).
    using CUrlOpener = std::function<void(const std::string&)>;
    bool SignInWithBrowser(const CUrlOpener& openUrl, int timeoutSeconds, COAuthError& error);

    // Keeps the tokens of a sign-in; clears the memory of having told the
    // user to sign in. False when they went to the INI (no keyring).
    bool Keep(const COAuthTokens& tokens);

    // Why the last call could not use the keyring (the tokens are in the
    // INI); empty when it could.
    const std::string& KeyringProblem() const { return m_secrets.KeyringProblem(); }
    CAccountSecrets& Secrets() { return m_secrets; }

private:
    bool Load(COAuthTokens& tokens, COAuthError& error);
    bool Refresh(COAuthTokens& tokens, bool bForce, std::string& token, COAuthError& error);

    CSettingsStore& m_store;
    CAccountSecrets m_secrets;
    CSignInSettings m_signIn;
    CAccountSettings m_account;
};
