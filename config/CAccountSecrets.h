#pragma once
// Where the account's secrets live: the password and the OAuth2 tokens go
// into the desktop keyring when one is available and stay out of Quiben.ini;
// without a keyring they fall back to the INI, which only its owner can
// read. Secrets are UTF-8 here; the INI keeps the password in code page 932
// as it always did. Nothing here writes a secret anywhere else.

#include "config/Settings.h"

#include <memory>
#include <string>

class CSecretStore;
class CSettingsStore;

class CAccountSecrets {
public:
    explicit CAccountSecrets(CSettingsStore& store);
    ~CAccountSecrets();
    CAccountSecrets(const CAccountSecrets&) = delete;
    CAccountSecrets& operator=(const CAccountSecrets&) = delete;

    // The keyring's service name: `secret-tool search server org.quiben.Quiben`
    // lists the program's items.
    static constexpr const char* kKeyringService = "org.quiben.Quiben";

    // The password to log in with: from the keyring when the settings keep
    // it there and it holds one, else the INI's.
    std::string Password(const CAccountSettings& account, const CSignInSettings& signIn);
    // bInKeyring: the password goes into the keyring and its INI value is
    // emptied; when no keyring takes it, it is written to the INI instead and
    // the result is false. !bInKeyring: into the INI, and out of the keyring.
    bool StorePassword(const CAccountSettings& account, const std::string& password,
                       bool bInKeyring);

    // The tokens' one-line form (COAuthTokens::ToSecret) for this client and
    // account; false when none is stored. Tokens found in the INI while a
    // keyring works are moved into it.
    bool ReadTokens(const CAccountSettings& account, const CSignInSettings& signIn,
                    std::string& secret);
    // False when they went to the INI because no keyring took them (or the
    // INI could not be written either).
    bool StoreTokens(const CAccountSettings& account, const CSignInSettings& signIn,
                     const std::string& secret);
    void RemoveTokens(const CAccountSettings& account, const CSignInSettings& signIn);

    // Why the last call could not use the keyring (Japanese, never a secret);
    // empty when it could.
    const std::string& KeyringProblem() const { return m_strKeyringProblem; }
    // Whether the last write reached the INI instead of the keyring.
    bool FellBackToIni() const { return !m_strKeyringProblem.empty(); }

private:
    static std::string PasswordKey(const CAccountSettings& account);
    static std::string TokensKey(const CAccountSettings& account, const CSignInSettings& signIn);
    bool KeyringStore(const std::string& key, const std::string& secret, const std::string& label);
    bool SaveIniTokens(const std::string& secret);

    CSettingsStore& m_store;
    std::unique_ptr<CSecretStore> m_pKeyring;
    std::string m_strKeyringProblem;
};
