// The login autostart entry: where it is written, that a desktop reads back
// exactly the program and folder it names, and that it goes again cleanly.
#include "app/CAutostart.h"
#include "tests/common/CTempFolder.h"
#include "tests/common/RunProgram.h"

#include <cstdlib>
#include <filesystem>
#include <glib.h>
#include <gtest/gtest.h>

namespace {

// Folder names a user may well have, and the characters each quoting layer
// of a desktop entry treats specially.
const std::string kAwkwardName = "メール 転送 \"q\" $HOME %h `x` \\ ~;&";

// The command a desktop runs for the entry, parsed as GLib's launcher does:
// the string value unescaped, %% made %, then the quoting rules.
std::vector<std::string> ExecArguments(const std::string& entryPath) {
    g_autoptr(GKeyFile) file = g_key_file_new();
    if (!g_key_file_load_from_file(file, entryPath.c_str(), G_KEY_FILE_NONE, nullptr))
        return {};
    g_autofree char* exec = g_key_file_get_string(file, "Desktop Entry", "Exec", nullptr);
    std::string line = exec ? exec : "";
    for (size_t at = line.find("%%"); at != std::string::npos; at = line.find("%%", at + 1))
        line.erase(at, 1);
    g_auto(GStrv) argv = nullptr;
    if (!g_shell_parse_argv(line.c_str(), nullptr, &argv, nullptr))
        return {};
    return std::vector<std::string>(argv, argv + g_strv_length(argv));
}

class Autostart : public ::testing::Test {
protected:
    void SetUp() override {
        const char* old = std::getenv("XDG_CONFIG_HOME");
        m_strOldConfig = old ? old : "";
        setenv("XDG_CONFIG_HOME", m_config.Path().c_str(), 1);
    }
    void TearDown() override {
        if (m_strOldConfig.empty())
            unsetenv("XDG_CONFIG_HOME");
        else
            setenv("XDG_CONFIG_HOME", m_strOldConfig.c_str(), 1);
    }

    CTempFolder m_config;
    CTempFolder m_home;
    std::string m_strOldConfig;
};

TEST_F(Autostart, EntryStartsQuibenWithThisFolderAndGoesCleanly) {
    const std::string folder = m_home.File(kAwkwardName);
    const std::string program = m_home.File("bin $1/quiben");
    const CAutostart autostart(folder, program);
    EXPECT_EQ(autostart.EntryPath(), m_config.File("autostart/org.quiben.Quiben.desktop"));
    EXPECT_FALSE(autostart.IsEnabled());

    ASSERT_TRUE(autostart.SetEnabled(true));
    EXPECT_TRUE(autostart.IsEnabled());
    EXPECT_EQ(ExecArguments(autostart.EntryPath()),
              (std::vector<std::string>{program, "--home", folder}));
    // Another program folder's menu shows the item unchecked.
    EXPECT_FALSE(CAutostart(m_home.Path(), program).IsEnabled());
    if (HasProgram("desktop-file-validate")) {
        const CProgramResult check =
            RunProgram("desktop-file-validate", {QString::fromStdString(autostart.EntryPath())});
        EXPECT_EQ(check.nExitCode, 0) << check.strOutput;
    }

    // Switched off by the desktop's own settings, it counts as off.
    m_config.Write("autostart/org.quiben.Quiben.desktop", autostart.EntryText() + "Hidden=true\n");
    EXPECT_FALSE(autostart.IsEnabled());

    ASSERT_TRUE(autostart.SetEnabled(false));
    EXPECT_FALSE(std::filesystem::exists(autostart.EntryPath()));
    EXPECT_TRUE(autostart.SetEnabled(false)); // nothing left to remove
    // A folder name a desktop entry cannot hold (not UTF-8) is refused.
    EXPECT_FALSE(CAutostart(m_home.File("latin1-\xE9"), program).SetEnabled(true));
    EXPECT_FALSE(std::filesystem::exists(autostart.EntryPath()));
}

} // namespace
