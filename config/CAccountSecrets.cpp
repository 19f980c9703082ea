#include "config/CAccountSecrets.h"

#include "config/CSettingsStore.h"
#include "platform/codepage.h"
#include "platform/keyring/CSecretStore.h"

CAccountSecrets::CAccountSecrets(CSettingsStore& store)
    : m_store(store), m_pKeyring(std::make_unique<CSecretStore>(kKeyringService)) {}

CAccountSecrets::~CAccountSecrets() = default;

// Keyed by what the secret opens, so two program folders for the same
// mailbox share one item and another mailbox never reads it.
std::string CAccountSecrets::PasswordKey(const CAccountSettings& account) {
    return "password:" + Cp932ToUtf8(account.strAccount) + "@" + Cp932ToUtf8(account.strPop3Server);
}

// A refresh token belongs to the client that asked for it: another client
// ID starts without one.
std::string CAccountSecrets::TokensKey(const CAccountSettings& account,
                                       const CSignInSettings& signIn) {
    return "oauth2:" + signIn.strProvider + ":" + Cp932ToUtf8(signIn.strClientId) + ":" +
           Cp932ToUtf8(account.strAccount);
}

bool CAccountSecrets::KeyringStore(const std::string& key, const std::string& secret,
                                   const std::string& label) {
    m_strKeyringProblem.clear();
    if (m_pKeyring->Store(key, secret, label) == ESecretStatus::Ok)
        return true;
    m_strKeyringProblem = m_pKeyring->UnavailableReason();
    if (m_strKeyringProblem.empty())
        m_strKeyringProblem = "キーリングに保存できません";
    return false;
}

std::string CAccountSecrets::Password(const CAccountSettings& account,
                                      const CSignInSettings& signIn) {
    m_strKeyringProblem.clear();
    std::string password;
    if (signIn.bPasswordInKeyring) {
        const ESecretStatus status = m_pKeyring->Read(PasswordKey(account), password);
        if (status == ESecretStatus::Ok)
            return password;
        m_strKeyringProblem = m_pKeyring->UnavailableReason();
    }
    return Cp932ToUtf8(account.strPassword);
}

bool CAccountSecrets::StorePassword(const CAccountSettings& account, const std::string& password,
                                    bool bInKeyring) {
    CAccountSettings stored = m_store.Load<CAccountSettings>();
    CSignInSettings signIn = m_store.Load<CSignInSettings>();
    const bool bKept = bInKeyring && KeyringStore(PasswordKey(account), password,
                                                  "Quiben: " + Cp932ToUtf8(account.strAccount));
    if (!bInKeyring) {
        m_strKeyringProblem.clear();
        m_pKeyring->Remove(PasswordKey(account));
    }
    stored.strPassword = bKept ? std::string() : Utf8ToCp932(password);
    signIn.bPasswordInKeyring = bInKeyring ? 1 : 0;
    return m_store.Save(stored) && m_store.Save(signIn) && bKept == bInKeyring;
}

bool CAccountSecrets::ReadTokens(const CAccountSettings& account, const CSignInSettings& signIn,
                                 std::string& secret) {
    m_strKeyringProblem.clear();
    const std::string key = TokensKey(account, signIn);
    const ESecretStatus status = m_pKeyring->Read(key, secret);
    if (status == ESecretStatus::Ok)
        return true;
    if (status == ESecretStatus::Unavailable)
        m_strKeyringProblem = m_pKeyring->UnavailableReason();
    secret = m_store.Load<CStoredSecrets>().strTokens;
    if (secret.empty())
        return false;
    if (status == ESecretStatus::NotFound && StoreTokens(account, signIn, secret))
        m_strKeyringProblem.clear();
    return true;
}

bool CAccountSecrets::StoreTokens(const CAccountSettings& account, const CSignInSettings& signIn,
                                  const std::string& secret) {
    if (KeyringStore(TokensKey(account, signIn), secret,
                     "Quiben OAuth2: " + Cp932ToUtf8(account.strAccount)))
        return SaveIniTokens(std::string());
    SaveIniTokens(secret);
    return false;
}

void CAccountSecrets::RemoveTokens(const CAccountSettings& account, const CSignInSettings& signIn) {
    m_pKeyring->Remove(TokensKey(account, signIn));
    SaveIniTokens(std::string());
}

bool CAccountSecrets::SaveIniTokens(const std::string& secret) {
    CStoredSecrets stored = m_store.Load<CStoredSecrets>();
    if (stored.strTokens == secret)
        return true;
    stored.strTokens = secret;
    return m_store.Save(stored);
}
