#pragma once
// A private desktop keyring for one test: a session bus of its own with
// GNOME Keyring's Secret Service, its login keyring unlocked, started by
// tests/servers/keyring in a fresh folder. While it lives the process's
// DBUS_SESSION_BUS_ADDRESS points at that bus; the destructor stops the bus
// (the keyring leaves with it) and puts the variable back.

#include <optional>
#include <string>

class CTestKeyring {
public:
    enum class EKind { Keyring, BusOnly };
    explicit CTestKeyring(EKind kind = EKind::Keyring);
    ~CTestKeyring();
    CTestKeyring(const CTestKeyring&) = delete;
    CTestKeyring& operator=(const CTestKeyring&) = delete;

    // False with a reason where no Secret Service can start (packages
    // missing): the test skips with that reason.
    bool IsRunning() const { return m_bRunning; }
    const std::string& StartError() const { return m_strStartError; }
    const std::string& BusAddress() const { return m_strBusAddress; }

private:
    bool RunScript(const char* command) const;

    std::string m_strFolder;
    std::string m_strStartError;
    std::string m_strBusAddress;
    std::optional<std::string> m_oldBusAddress;
    bool m_bRunning = false;
};
