#pragma once
// The keyring module's client of the Secret Service D-Bus API (GIO), behind
// CSecretStore: secrets in the desktop keyring, which GNOME Keyring,
// KWallet and KeePassXC serve. Items are written the way QtKeychain writes
// them (attributes server = service, user = key, type = plaintext), so
// `secret-tool lookup server SERVICE user KEY` and QtKeychain both find them.
//
// Each store opens its own connection to the session bus on first use and
// keeps it for its life; every call is bounded in time and never prompts,
// so a headless cycle cannot hang on it. Without a session bus, a keyring
// service or an unlocked default keyring the calls answer Unavailable and
// the caller keeps the secret elsewhere.

#include "platform/keyring/CSecretStore.h"

#include <memory>
#include <string>
#include <vector>

class CSecretService {
public:
    // service groups the program's items (e.g. "org.quiben.Quiben").
    explicit CSecretService(std::string service);
    ~CSecretService();
    CSecretService(const CSecretService&) = delete;
    CSecretService& operator=(const CSecretService&) = delete;

    // Creates or replaces the item key in the default keyring. label is
    // what keyring managers show ("Quiben: alice@example.com").
    ESecretStatus Store(const std::string& key, const std::string& secret,
                        const std::string& label);
    ESecretStatus Read(const std::string& key, std::string& secret);
    // Ok also when there was nothing to remove.
    ESecretStatus Remove(const std::string& key);

    // Why the last call answered Unavailable (Japanese, for the log; it
    // never holds a secret). Empty after a call that reached the keyring.
    const std::string& UnavailableReason() const { return m_strReason; }

private:
    class CSession;
    bool Connect();
    ESecretStatus UsableKeyring(std::string& collection);
    ESecretStatus FindItems(const std::string& key, std::vector<std::string>& items);
    ESecretStatus Unavailable(const std::string& reason);

    std::string m_strService;
    std::string m_strReason;
    std::unique_ptr<CSession> m_pSession;
    bool m_bConnectFailed = false;
};
