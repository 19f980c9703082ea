#include "platform/paths.h"

#include "platform/LoadableModule.h"

#include "tests/common/CNoDacOverride.h"
#include "tests/common/CTempFolder.h"

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>

namespace {

TEST(Paths, ExtractDirectoryDropsTheNameAndTrailingSeparator) {
    EXPECT_EQ(ExtractDirectory("/opt/quiben/quiben"), "/opt/quiben");
    EXPECT_EQ(ExtractDirectory("/quiben"), "/");
    EXPECT_EQ(ExtractDirectory("/tmp/"), "/tmp");
    EXPECT_EQ(ExtractDirectory("quiben"), "");
}

TEST(Paths, JoinPathUsesOneSeparator) {
    EXPECT_EQ(JoinPath("/opt/quiben", "Quiben.ini"), "/opt/quiben/Quiben.ini");
    EXPECT_EQ(JoinPath("/", "Quiben.ini"), "/Quiben.ini");
}

TEST(Paths, TempDirComesFromTmpdirWithoutTrailingSeparator) {
    const char* saved = std::getenv("TMPDIR");
    std::string savedValue = saved ? saved : "";
    setenv("TMPDIR", "/var/tmp/", 1);
    EXPECT_EQ(ResolveTempDir(), "/var/tmp");
    setenv("TMPDIR", "/var/tmp", 1);
    EXPECT_EQ(ResolveTempDir(), "/var/tmp");
    unsetenv("TMPDIR");
    EXPECT_EQ(ResolveTempDir(), "/tmp");
    if (saved)
        setenv("TMPDIR", savedValue.c_str(), 1);
}

TEST(Paths, HomeOptionIsCreatedAndMadeAbsolute) {
    CTempFolder folder;
    std::string home = folder.File("sub/home/");
    EXPECT_EQ(ResolveAppDir(home), folder.File("sub/home"));
    struct stat info {};
    ASSERT_EQ(stat(home.c_str(), &info), 0);
    EXPECT_TRUE(S_ISDIR(info.st_mode));
}

TEST(Paths, WithoutHomeTheExecutableFolderIsUsedWhenWritable) {
    std::string appDir = ResolveAppDir("");
    EXPECT_EQ(appDir, ExtractDirectory(GetExecutablePath())); // the build folder is writable
}

TEST(Paths, AtomicWriteReplacesWholeFileWithMode) {
    CTempFolder folder;
    folder.Write("f.txt", "old content");
    ASSERT_TRUE(WriteFileAtomically(folder.File("f.txt"), "new", 0600));
    EXPECT_EQ(folder.Read("f.txt"), "new");
    struct stat info {};
    ASSERT_EQ(stat(folder.File("f.txt").c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);
}

TEST(Paths, AtomicWriteIntoReadOnlyFolderFailsAndKeepsOldFile) {
    CTempFolder folder;
    folder.Write("f.txt", "old content");
    {
        CNoDacOverride obeyModes; // root too
        chmod(folder.Path().c_str(), 0500);
        EXPECT_FALSE(WriteFileAtomically(folder.File("f.txt"), "new", 0600));
        chmod(folder.Path().c_str(), 0700);
    }
    EXPECT_EQ(folder.Read("f.txt"), "old content");
}

} // namespace

namespace {

// A file-size limit makes every write past it fail like a full disk, also
// for root, for whom permissions do not count.
class CFileSizeLimit {
public:
    explicit CFileSizeLimit(rlim_t bytes) {
        getrlimit(RLIMIT_FSIZE, &m_saved);
        m_oldHandler = signal(SIGXFSZ, SIG_IGN);
        rlimit limit = m_saved;
        limit.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~CFileSizeLimit() {
        setrlimit(RLIMIT_FSIZE, &m_saved);
        signal(SIGXFSZ, m_oldHandler);
    }

private:
    rlimit m_saved{};
    sighandler_t m_oldHandler;
};

TEST(Paths, AtomicWriteOnFullDiskFailsAndKeepsOldFile) {
    CTempFolder folder;
    folder.Write("f.txt", "old content");
    {
        CFileSizeLimit limit(16);
        EXPECT_FALSE(WriteFileAtomically(folder.File("f.txt"), std::string(1000, 'x'), 0600));
    }
    EXPECT_EQ(folder.Read("f.txt"), "old content");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.Path()),
                            std::filesystem::directory_iterator()),
              1); // no temporary file left behind
}

} // namespace

// A missing module and a file that is no module are both reported by name,
// never loaded from the current folder.
TEST(Paths, ModulesAreLoadedOnlyFromTheirFoldersAndFailuresSayWhy) {
    std::string error;
    EXPECT_NE(LoadModuleEntry("libquiben-keyring.so", "QuibenKeyringModule", error), nullptr)
        << error;
    EXPECT_EQ(LoadModuleEntry("libquiben-keyring.so", "NoSuchEntry", error), nullptr);
    EXPECT_NE(error.find("NoSuchEntry"), std::string::npos) << error;

    CTempFolder folder;
    std::ofstream(folder.File("libquiben-fake.so")) << "not a library";
    SetModuleFolder(folder.Path());
    EXPECT_EQ(LoadModuleEntry("libquiben-fake.so", "Entry", error), nullptr);
    EXPECT_NE(error.find("libquiben-fake.so"), std::string::npos) << error;
    EXPECT_NE(error.find("読み込めません"), std::string::npos) << error;

    const std::filesystem::path previous = std::filesystem::current_path();
    std::filesystem::current_path(folder.Path());
    SetModuleFolder("/nonexistent");
    EXPECT_EQ(LoadModuleEntry("libquiben-fake.so", "Entry", error), nullptr);
    EXPECT_NE(error.find("見つかりません"), std::string::npos) << error;
    std::filesystem::current_path(previous);
    SetModuleFolder(QUIBEN_BINARY_DIR);
}
