// quiben --install-timer and --remove-timer: the systemd user units for a
// program folder, as written by the program and as systemd reads them.
#include "app/CUserTimer.h"
#include "app/ExecLine.h"
#include "config/schema.h"
#include "platform/profile.h"
#include "tests/common/CTempFolder.h"
#include "tests/common/RunProgram.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <sys/stat.h>

namespace {

const QString kProgram = QStringLiteral(QUIBEN_BINARY_DIR "/quiben");

class UserTimer : public ::testing::Test {
protected:
    UserTimer() { chmod(m_runtime.Path().c_str(), 0700); }

    // A session of this user with a scratch configuration and no user
    // manager to reach.
    QProcessEnvironment Session() const {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("XDG_CONFIG_HOME", QString::fromStdString(m_config.Path()));
        env.insert("XDG_RUNTIME_DIR", QString::fromStdString(m_runtime.Path()));
        env.remove("DBUS_SESSION_BUS_ADDRESS");
        return env;
    }
    CProgramResult Quiben(const QStringList& args) const {
        return RunProgram(kProgram, args, Session());
    }

    std::string ProgramFolder(const std::string& name, const std::string& timeUp) const {
        const std::string folder = m_base.File(name);
        std::filesystem::create_directories(folder);
        CProfile(folder + "/" + schema::kIniFile).WriteProfileString("RECV", "TIMEUP", timeUp);
        return std::filesystem::canonical(folder).string();
    }
    std::string UnitFile(const std::string& name) const {
        return m_config.File("systemd/user/" + name);
    }

    CTempFolder m_config, m_runtime, m_base;
};

TEST_F(UserTimer, EachFolderGetsItsOwnUnitsAtItsIntervalAndRemoveUndoesThem) {
    const std::string first = ProgramFolder("mail box-1", "90000");
    const std::string second = ProgramFolder("second", "not a number");
    const std::string name = "quiben-" + SystemdEscapePath(first);
    EXPECT_NE(name.find("mail\\x20box\\x2d1"), std::string::npos);

    const CProgramResult installed =
        Quiben({"--install-timer", "--home", QString::fromStdString(first)});
    ASSERT_EQ(installed.nExitCode, 0) << installed.strOutput;
    ASSERT_EQ(Quiben({"--install-timer", "--home=" + QString::fromStdString(second)}).nExitCode, 0);
    EXPECT_NE(installed.strOutput.find("journalctl --user -u '" + name + ".service'"),
              std::string::npos)
        << installed.strOutput;

    const std::string service = ReadFileBytes(UnitFile(name + ".service"));
    EXPECT_NE(service.find("\nExecStart=\"" QUIBEN_BINARY_DIR "/quiben\" \"--once\" \"--home\" \"" +
                           first + "\"\n"),
              std::string::npos)
        << service;
    EXPECT_NE(ReadFileBytes(UnitFile(name + ".timer")).find("\nOnUnitActiveSec=90s\n"),
              std::string::npos);
    const std::string secondName = "quiben-" + SystemdEscapePath(second);
    EXPECT_NE(ReadFileBytes(UnitFile(secondName + ".timer")).find("\nOnUnitActiveSec=60s\n"),
              std::string::npos);
    const std::string wanted = UnitFile("timers.target.wants/" + name + ".timer");
    // Enabled for the next login, with no manager to start it now.
    if (HasProgram("systemctl")) {
        EXPECT_TRUE(std::filesystem::is_symlink(wanted));
    }

    const CProgramResult removed =
        Quiben({"--remove-timer", "--home", QString::fromStdString(first + "/")});
    EXPECT_EQ(removed.nExitCode, 0) << removed.strOutput;
    EXPECT_FALSE(std::filesystem::exists(UnitFile(name + ".service")));
    EXPECT_FALSE(std::filesystem::exists(UnitFile(name + ".timer")));
    EXPECT_FALSE(std::filesystem::is_symlink(wanted));
    EXPECT_TRUE(std::filesystem::exists(UnitFile(secondName + ".timer")));
    EXPECT_EQ(Quiben({"--remove-timer", "--home", QString::fromStdString(first)}).nExitCode, 0);
}

TEST_F(UserTimer, UnitNamesAreTheFoldersAsSystemdEscapesThem) {
    if (!HasProgram("systemd-escape"))
        GTEST_SKIP() << "systemd-escape is not installed";
    for (const char* path :
         {"/", "/home/taro/.config/quiben", "/tmp/.hidden/a-b c", "/tmp/メール/x$y%z\\w:_."})
        EXPECT_EQ(SystemdEscapePath(path) + "\n",
                  RunProgram("systemd-escape", {"--path", QString::fromUtf8(path)}).strOutput);
    // Too long for a unit name: a hash, still one name per folder.
    const std::string deep = "/" + std::string(300, 'd');
    const CUserTimer timer(deep, "/usr/bin/quiben", m_config.Path());
    EXPECT_LE(timer.ServiceName().size(), 255u);
    EXPECT_NE(timer.UnitName(), CUserTimer(deep + "e", "/usr/bin/quiben", "").UnitName());
}

TEST_F(UserTimer, SystemdAcceptsTheUnitsForAwkwardFolders) {
    if (!HasProgram("systemd-analyze"))
        GTEST_SKIP() << "systemd-analyze is not installed";
    // The program's own path is checked by systemd: it must name the file.
    const std::string bin = m_base.File("bin $x %y ü");
    std::filesystem::create_directories(bin);
    std::filesystem::create_symlink(kProgram.toStdString(), bin + "/quiben");
    for (const std::string folder :
         {"/home/taro/メール 転送 $HOME %h \"q\" \\", "/tmp/latin1-\xE9"}) {
        const CUserTimer timer(folder, bin + "/quiben", m_config.File("systemd/user"));
        ASSERT_TRUE(timer.Write(600));
        const CProgramResult verified =
            RunProgram("systemd-analyze",
                       {"--user", "--man=no", "verify", QString::fromStdString(timer.ServicePath()),
                        QString::fromStdString(timer.TimerPath())},
                       Session());
        EXPECT_EQ(verified.nExitCode, 0) << verified.strOutput;
        EXPECT_EQ(verified.strOutput, "") << folder;
        ASSERT_TRUE(timer.Remove());
        EXPECT_FALSE(timer.IsWritten());
    }
}

TEST_F(UserTimer, ProgramInAFolderSystemdCannotNameIsRefused) {
    const std::string bin = m_base.File("bin \"q\"");
    std::filesystem::create_directories(bin);
    std::filesystem::copy_file(kProgram.toStdString(), bin + "/quiben");
    const std::string folder = ProgramFolder("home", "600000");
    const CProgramResult refused =
        RunProgram(QString::fromStdString(bin + "/quiben"),
                   {"--install-timer", "--home", QString::fromStdString(folder)}, Session());
    EXPECT_EQ(refused.nExitCode, 1) << refused.strOutput;
    EXPECT_FALSE(std::filesystem::exists(m_config.File("systemd")));
}

} // namespace
