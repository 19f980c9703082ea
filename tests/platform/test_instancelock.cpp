// One running copy per program folder: a lock on the folder itself, never
// waited on, the same whatever the environment says.
#include "platform/CInstanceLock.h"
#include "tests/common/CTempFolder.h"

#include <cstdlib>
#include <gtest/gtest.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Points an environment variable somewhere else for one test.
class CEnvironmentOverride {
public:
    CEnvironmentOverride(const char* pszName, const char* pszValue) : m_strName(pszName) {
        if (const char* old = std::getenv(pszName)) {
            m_bHadValue = true;
            m_strOld = old;
        }
        setenv(pszName, pszValue, 1);
    }
    ~CEnvironmentOverride() {
        if (m_bHadValue)
            setenv(m_strName.c_str(), m_strOld.c_str(), 1);
        else
            unsetenv(m_strName.c_str());
    }

private:
    std::string m_strName;
    std::string m_strOld;
    bool m_bHadValue = false;
};

TEST(InstanceLock, SecondHolderIsRefusedUntilFirstReleases) {
    CTempFolder home;
    CInstanceLock first(home.Path()), second(home.Path());
    EXPECT_EQ(first.Acquire(), CInstanceLock::Result::Acquired);
    EXPECT_EQ(second.Acquire(), CInstanceLock::Result::HeldByOther);
    EXPECT_FALSE(second.IsHeld());
    first.Release();
    EXPECT_EQ(second.Acquire(), CInstanceLock::Result::Acquired);
    // Nothing is left in the folder.
    EXPECT_FALSE(home.Exists("qUI10_zT_KoRaV.lock"));
}

TEST(InstanceLock, OneFolderOneLockWhateverTheEnvironmentAndSpelling) {
    CTempFolder home, runtimeA, runtimeB, other;
    ASSERT_EQ(symlink(home.Path().c_str(), other.File("link").c_str()), 0);
    CInstanceLock first(home.Path());
    {
        CEnvironmentOverride runtime("XDG_RUNTIME_DIR", runtimeA.Path().c_str());
        ASSERT_EQ(first.Acquire(), CInstanceLock::Result::Acquired);
    }
    CEnvironmentOverride runtime("XDG_RUNTIME_DIR", runtimeB.Path().c_str());
    CEnvironmentOverride tmpdir("TMPDIR", runtimeB.Path().c_str());
    CEnvironmentOverride homeVar("HOME", runtimeB.Path().c_str());
    CInstanceLock byLink(other.File("link")), bySlashDot(home.Path() + "/.");
    EXPECT_EQ(byLink.Acquire(), CInstanceLock::Result::HeldByOther);
    EXPECT_EQ(bySlashDot.Acquire(), CInstanceLock::Result::HeldByOther);
    EXPECT_EQ(CInstanceLock::FolderKey(other.File("link")), CInstanceLock::FolderKey(home.Path()));
    // Another folder is another copy's business.
    CInstanceLock elsewhere(other.Path());
    EXPECT_EQ(elsewhere.Acquire(), CInstanceLock::Result::Acquired);
    EXPECT_NE(CInstanceLock::FolderKey(other.Path()), CInstanceLock::FolderKey(home.Path()));
}

TEST(InstanceLock, ReadOnlyFolderLocksAndMissingOneIsUnavailable) {
    CTempFolder home;
    chmod(home.Path().c_str(), 0500);
    CInstanceLock first(home.Path()), second(home.Path());
    EXPECT_EQ(first.Acquire(), CInstanceLock::Result::Acquired);
    EXPECT_EQ(second.Acquire(), CInstanceLock::Result::HeldByOther);
    chmod(home.Path().c_str(), 0700);
    CInstanceLock missing(home.File("gone"));
    EXPECT_EQ(missing.Acquire(), CInstanceLock::Result::Unavailable);
    EXPECT_TRUE(CInstanceLock::FolderKey(home.File("gone")).empty());
}

TEST(InstanceLock, LockGoesWithTheObject) {
    CTempFolder home;
    {
        CInstanceLock first(home.Path());
        ASSERT_EQ(first.Acquire(), CInstanceLock::Result::Acquired);
    }
    CInstanceLock next(home.Path());
    EXPECT_EQ(next.Acquire(), CInstanceLock::Result::Acquired);
}

} // namespace
