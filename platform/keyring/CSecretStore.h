#pragma once
// Secrets (refresh tokens, a password the user moved there) in the desktop
// keyring through the Secret Service D-Bus API, which GNOME Keyring, KWallet
// and KeePassXC serve, in the items QtKeychain writes.
//
// The D-Bus client lives in the keyring module (libquiben-keyring.so, on
// GIO), loaded at the first call: a cycle that needs no secret from the
// keyring never loads GIO. Every call is bounded in time and never prompts.
// Without the module, a session bus, a keyring service or an unlocked default
// keyring the calls answer Unavailable and the caller keeps the secret
// elsewhere.

#include <string>

enum class ESecretStatus {
    Ok,
    NotFound,    // the keyring works but holds no such item
    Unavailable, // no keyring to use now; UnavailableReason says why
};

struct CKeyringModuleTable;

class CSecretStore {
public:
    // service groups the program's items (e.g. "org.quiben.Quiben").
    explicit CSecretStore(std::string service);
    ~CSecretStore();
    CSecretStore(const CSecretStore&) = delete;
    CSecretStore& operator=(const CSecretStore&) = delete;

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
    // The module's client for this store, opened at the first call; nullptr
    // with m_strReason set when the module cannot be loaded.
    void* Client();

    std::string m_strService;
    std::string m_strReason;
    const CKeyringModuleTable* m_pTable = nullptr;
    void* m_pClient = nullptr;
};
