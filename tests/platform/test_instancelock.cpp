// One running copy: the lock file in the runtime folder, never waited on.
#include "platform/CInstanceLock.h"
#include "tests/common/CTempFolder.h"

#include <cstdlib>
#include <gtest/gtest.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Points XDG_RUNTIME_DIR (and TMPDIR) somewhere else for one test.
class CEnvironmentOverride {
public:
    CEnvironmentOverride(const char* pszName, const char* pszValue) : m_strName(pszName) {
        if (const char* old = std::getenv(pszName)) {
            m_bHadValue = true;
            m_strOld = old;
        }
        if (pszValue)
            setenv(pszName, pszValue, 1);
        else
            unsetenv(pszName);
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

constexpr const char* kName = "qUI10_zT_KoRaV";

TEST(InstanceLock, SecondHolderIsRefusedUntilFirstReleases) {
    CTempFolder runtime;
    CEnvironmentOverride env("XDG_RUNTIME_DIR", runtime.Path().c_str());
    CInstanceLock first(kName), second(kName);
    EXPECT_EQ(first.Acquire(), CInstanceLock::Result::Acquired);
    EXPECT_EQ(second.Acquire(), CInstanceLock::Result::HeldByOther);
    EXPECT_FALSE(second.IsHeld());
    first.Release();
    EXPECT_EQ(second.Acquire(), CInstanceLock::Result::Acquired);
    EXPECT_TRUE(runtime.Exists(std::string(kName) + ".lock"));
}

TEST(InstanceLock, LockGoesWithTheObject) {
    CTempFolder runtime;
    CEnvironmentOverride env("XDG_RUNTIME_DIR", runtime.Path().c_str());
    {
        CInstanceLock first(kName);
        ASSERT_EQ(first.Acquire(), CInstanceLock::Result::Acquired);
    }
    CInstanceLock next(kName);
    EXPECT_EQ(next.Acquire(), CInstanceLock::Result::Acquired);
}

TEST(InstanceLock, WithoutRuntimeFolderUsesTemporaryFolderWithUserId) {
    CTempFolder temp;
    CEnvironmentOverride noRuntime("XDG_RUNTIME_DIR", nullptr);
    CEnvironmentOverride tmpdir("TMPDIR", temp.Path().c_str());
    EXPECT_EQ(CInstanceLock::LockFilePath(kName),
              temp.Path() + "/" + kName + "-" + std::to_string(getuid()) + ".lock");
    CInstanceLock lock(kName);
    EXPECT_EQ(lock.Acquire(), CInstanceLock::Result::Acquired);
}

TEST(InstanceLock, PlantedLinkIsNotFollowed) {
    CTempFolder runtime;
    CEnvironmentOverride env("XDG_RUNTIME_DIR", runtime.Path().c_str());
    runtime.Write("target", "keep");
    ASSERT_EQ(
        symlink(runtime.File("target").c_str(), runtime.File(std::string(kName) + ".lock").c_str()),
        0);
    CInstanceLock lock(kName);
    EXPECT_EQ(lock.Acquire(), CInstanceLock::Result::Unavailable);
    EXPECT_EQ(runtime.Read("target"), "keep");
}

} // namespace
