// The desktop keyring through the Secret Service, against a real GNOME
// Keyring on a private bus: what is stored reads back (also for tools that
// read QtKeychain's items), and where no keyring can be used the store says
// so instead of claiming the secret is missing.
#include "platform/keyring/CSecretStore.h"
#include "tests/common/CTempFolder.h"
#include "tests/common/CTestKeyring.h"
#include "tests/common/RunProgram.h"

#include <cstdlib>
#include <gtest/gtest.h>

namespace {

constexpr const char* kService = "org.quiben.Test";

#define START_KEYRING(keyring)                                                                     \
    if (!(keyring).IsRunning())                                                                    \
    GTEST_SKIP() << (keyring).StartError()

QProcessEnvironment BusEnvironment(const CTestKeyring& keyring) {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("DBUS_SESSION_BUS_ADDRESS", QString::fromStdString(keyring.BusAddress()));
    return env;
}

} // namespace

TEST(SecretStoreTest, SecretsRoundTripAndOtherToolsFindThemWhereQtKeychainLooks) {
    CTestKeyring keyring;
    START_KEYRING(keyring);
    CSecretStore store(kService);
    const std::string secret = "パスワード with spaces\nand a line";
    ASSERT_EQ(store.Store("alice@pop", secret, "Quiben: alice"), ESecretStatus::Ok)
        << store.UnavailableReason();
    std::string read;
    ASSERT_EQ(store.Read("alice@pop", read), ESecretStatus::Ok);
    EXPECT_EQ(read, secret);
    // Storing again replaces the item instead of adding a second one.
    ASSERT_EQ(store.Store("alice@pop", "second", "Quiben: alice"), ESecretStatus::Ok);
    CProgramResult lookup =
        RunProgram("secret-tool", {"lookup", "server", kService, "user", "alice@pop"},
                   BusEnvironment(keyring));
    EXPECT_EQ(lookup.strOutput, "second");
    CProgramResult search =
        RunProgram("secret-tool", {"search", "--all", "server", kService}, BusEnvironment(keyring));
    EXPECT_EQ(search.strOutput.find("type = plaintext"),
              search.strOutput.rfind("type = plaintext"));

    // Another key of the same service stays apart; removal is per key.
    ASSERT_EQ(store.Store("bob@pop", "bobs", "Quiben: bob"), ESecretStatus::Ok);
    EXPECT_EQ(store.Remove("alice@pop"), ESecretStatus::Ok);
    EXPECT_EQ(store.Read("alice@pop", read), ESecretStatus::NotFound);
    EXPECT_EQ(store.Remove("alice@pop"), ESecretStatus::Ok);
    EXPECT_EQ(CSecretStore(kService).Read("bob@pop", read), ESecretStatus::Ok);
    EXPECT_EQ(read, "bobs");
}

// A locked keyring hides its items; reading one must not pass for "never
// stored" (the caller would ask the user to sign in again for nothing).
TEST(SecretStoreTest, LockedKeyringIsUnavailableNotEmpty) {
    CTestKeyring keyring;
    START_KEYRING(keyring);
    CSecretStore store(kService);
    ASSERT_EQ(store.Store("alice@pop", "s3cr3t", "Quiben: alice"), ESecretStatus::Ok);
    CProgramResult lock =
        RunProgram("gdbus",
                   {"call", "--session", "--dest", "org.freedesktop.secrets", "--object-path",
                    "/org/freedesktop/secrets", "--method", "org.freedesktop.Secret.Service.Lock",
                    "['/org/freedesktop/secrets/collection/login']"},
                   BusEnvironment(keyring));
    ASSERT_EQ(lock.nExitCode, 0) << lock.strOutput;
    std::string read = "unchanged";
    EXPECT_EQ(store.Read("alice@pop", read), ESecretStatus::Unavailable);
    EXPECT_NE(store.UnavailableReason().find("ロック"), std::string::npos)
        << store.UnavailableReason();
    EXPECT_EQ(store.Store("alice@pop", "new", "Quiben: alice"), ESecretStatus::Unavailable);
    EXPECT_EQ(read, "unchanged");
}

// Headless: no session bus at all, or a bus where nobody unlocked a keyring
// (D-Bus starts a keyring daemon that has no login keyring). Both say why.
TEST(SecretStoreTest, WithoutBusOrKeyringTheStoreSaysUnavailableWithAReason) {
    {
        CTempFolder runtime;
        std::string oldRuntime =
            std::getenv("XDG_RUNTIME_DIR") ? std::getenv("XDG_RUNTIME_DIR") : "";
        const char* oldBus = std::getenv("DBUS_SESSION_BUS_ADDRESS");
        std::string savedBus = oldBus ? oldBus : "";
        unsetenv("DBUS_SESSION_BUS_ADDRESS");
        setenv("XDG_RUNTIME_DIR", runtime.Path().c_str(), 1);
        CSecretStore store(kService);
        std::string read;
        EXPECT_EQ(store.Read("alice@pop", read), ESecretStatus::Unavailable);
        EXPECT_NE(store.UnavailableReason(), "");
        EXPECT_EQ(store.Store("alice@pop", "x", "x"), ESecretStatus::Unavailable);
        setenv("XDG_RUNTIME_DIR", oldRuntime.c_str(), 1);
        if (oldBus)
            setenv("DBUS_SESSION_BUS_ADDRESS", savedBus.c_str(), 1);
    }
    CTestKeyring busOnly(CTestKeyring::EKind::BusOnly);
    START_KEYRING(busOnly);
    CSecretStore store(kService);
    EXPECT_EQ(store.Store("alice@pop", "s3cr3t", "Quiben: alice"), ESecretStatus::Unavailable);
    EXPECT_NE(store.UnavailableReason(), "");
    EXPECT_EQ(store.UnavailableReason().find("s3cr3t"), std::string::npos);
}
