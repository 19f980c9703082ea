// The program as a process: one copy at a time, the headless cycle's exit
// statuses, the command line.
#include "app/CInstanceChannel.h"
#include "app/CQuibenApp.h"
#include "app/CommandLine.h"
#include "config/schema.h"
#include "platform/CInstanceLock.h"
#include "platform/profile.h"
#include "tests/common/CSilentServer.h"
#include "tests/common/CTempFolder.h"
#include "tests/common/RunProgram.h"

#include <QDeadlineTimer>
#include <QLocalSocket>
#include <QProcess>
#include <QTest>
#include <gtest/gtest.h>
#include <regex>
#include <set>
#include <sys/stat.h>

namespace {

const QString kProgram = QStringLiteral(QUIBEN_BINARY_DIR "/quiben");

// A desktop copy listens for later starts once it holds the lock.
bool WaitForRunningCopy(const std::string& home) {
    const QString name = CInstanceChannel::NameFor(home);
    return QTest::qWaitFor(
        [&] {
            QLocalSocket socket;
            socket.setSocketOptions(QLocalSocket::AbstractNamespaceOption);
            socket.connectToServer(name);
            return socket.waitForConnected(100);
        },
        30000);
}

// A copy of the program with its own runtime folder (so only the copies of
// one test see each other's lock) and the offscreen platform.
std::unique_ptr<QProcess> StartCopy(const std::string& runtimeDir, const QStringList& args) {
    auto pProcess = std::make_unique<QProcess>();
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_QPA_PLATFORM", "offscreen");
    env.insert("XDG_RUNTIME_DIR", QString::fromStdString(runtimeDir));
    pProcess->setProcessEnvironment(env);
    pProcess->start(kProgram, args);
    return pProcess;
}

TEST(Instance, TwoCopiesStartedTogetherGiveExactlyOneWindow) {
    CTempFolder runtime, home;
    chmod(runtime.Path().c_str(), 0700);
    const QStringList args{"--home", QString::fromStdString(home.Path())};
    std::unique_ptr<QProcess> copies[] = {StartCopy(runtime.Path(), args),
                                          StartCopy(runtime.Path(), args)};
    ASSERT_TRUE(copies[0]->waitForStarted() && copies[1]->waitForStarted());

    // One ends by itself, silently and successfully; the other keeps its window.
    QProcess* pEnded = nullptr;
    QDeadlineTimer deadline(60000);
    while (pEnded == nullptr && !deadline.hasExpired())
        for (auto& pCopy : copies)
            if (pEnded == nullptr && pCopy->waitForFinished(50))
                pEnded = pCopy.get();
    ASSERT_NE(pEnded, nullptr);
    QProcess* pRunning = (pEnded == copies[0].get()) ? copies[1].get() : copies[0].get();
    EXPECT_EQ(pEnded->exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(pEnded->exitCode(), kExitOk);
    EXPECT_TRUE(pEnded->readAllStandardError().isEmpty());
    EXPECT_EQ(pRunning->state(), QProcess::Running);

    // Asked to end, the survivor closes its window the ordinary way, which
    // stores the window's position: the window existed.
    pRunning->terminate();
    ASSERT_TRUE(pRunning->waitForFinished(60000));
    EXPECT_EQ(pRunning->exitStatus(), QProcess::NormalExit);
    CProfile profile(home.File(schema::kIniFile));
    EXPECT_EQ(profile.GetProfileInt("POSITION", "X", -1), 0);
}

TEST(Instance, OnceRefusesWhileAnotherCopyHoldsTheLock) {
    CTempFolder runtime, home;
    chmod(runtime.Path().c_str(), 0700);
    CInstanceLock lock(home.Path());
    ASSERT_EQ(lock.Acquire(), CInstanceLock::Result::Acquired);

    auto pCopy =
        StartCopy(runtime.Path(), {"--once", "--home", QString::fromStdString(home.Path())});
    ASSERT_TRUE(pCopy->waitForFinished(60000));
    EXPECT_EQ(pCopy->exitCode(), kExitOtherCopy);
    EXPECT_FALSE(pCopy->readAllStandardError().isEmpty());
}

// A copy started from a timer or cron sees another environment than the
// desktop's: the lock must not depend on it.
TEST(Instance, DesktopAndOnceOnOneFolderExcludeEachOtherWhateverTheEnvironment) {
    CTempFolder runtimeA, runtimeB, home;
    chmod(runtimeA.Path().c_str(), 0700);
    chmod(runtimeB.Path().c_str(), 0700);
    CSilentServer pop3; // keeps the headless cycle, and its lock, busy
    home.Write(schema::kAddressFile, "phone@example.net\r\n");
    CProfile(home.File(schema::kIniFile))
        .WriteProfileString("RECV", "POP3", "127.0.0.1:" + std::to_string(pop3.Port()));
    const QString homeArg = QString::fromStdString(home.Path());
    auto start = [&](const CTempFolder& env, QStringList args) {
        args << "--home" << homeArg;
        auto pCopy = StartCopy(env.Path(), args);
        QProcessEnvironment vars = pCopy->processEnvironment();
        vars.insert("TMPDIR", QString::fromStdString(env.Path()));
        vars.insert("HOME", QString::fromStdString(env.Path()));
        pCopy->setProcessEnvironment(vars);
        return pCopy;
    };
    auto once = start(runtimeA, {"--once"});
    ASSERT_TRUE(QTest::qWaitFor([&] { return pop3.ConnectionCount() > 0; }, 30000));

    auto desktop = start(runtimeB, {});
    ASSERT_TRUE(desktop->waitForFinished(30000));
    EXPECT_EQ(desktop->exitCode(), kExitOk);
    EXPECT_EQ(once->state(), QProcess::Running);
    once->kill();
    once->waitForFinished();

    desktop = start(runtimeA, {});
    ASSERT_TRUE(WaitForRunningCopy(home.Path()));
    auto probe = start(runtimeB, {"--once"});
    ASSERT_TRUE(probe->waitForFinished(30000));
    EXPECT_EQ(probe->exitCode(), kExitOtherCopy);
    desktop->terminate();
    EXPECT_TRUE(desktop->waitForFinished(30000));
}

TEST(Instance, OnceWithoutForwardListReportsFailure) {
    CTempFolder runtime, home;
    chmod(runtime.Path().c_str(), 0700);
    auto pCopy =
        StartCopy(runtime.Path(), {"--once", "--home", QString::fromStdString(home.Path())});
    ASSERT_TRUE(pCopy->waitForFinished(60000));
    EXPECT_EQ(pCopy->exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(pCopy->exitCode(), kExitFailed);
}

CommandLine Parse(std::vector<std::string> args) {
    std::vector<char*> argv;
    for (std::string& arg : args)
        argv.push_back(arg.data());
    return ParseCommandLine(static_cast<int>(argv.size()), argv.data());
}

TEST(Instance, CommandLineOptions) {
    CommandLine line = Parse({"quiben", "--home", "/x/y", "-platform", "offscreen"});
    EXPECT_EQ(line.strHome, "/x/y");
    EXPECT_FALSE(line.bOnce);
    EXPECT_EQ(line.qtArgs, (std::vector<std::string>{"quiben", "-platform", "offscreen"}));
    line = Parse({"quiben", "--once", "--home=/z"});
    EXPECT_TRUE(line.bOnce);
    EXPECT_EQ(line.strHome, "/z");
    EXPECT_FALSE(Parse({"quiben", "--home"}).strError.empty());
    EXPECT_FALSE(Parse({"quiben", "--home="}).strError.empty());
    line = Parse({"quiben", "--install-timer", "--home", "/z"});
    EXPECT_TRUE(line.bInstallTimer);
    EXPECT_TRUE(line.strError.empty());
    EXPECT_FALSE(Parse({"quiben", "--once", "--remove-timer"}).strError.empty());
}

// The options named in the tag column of a text: the first group of each
// match of tagLine.
std::set<std::string> OptionsIn(const std::string& text, const std::regex& tagLine) {
    static const std::regex option("(^|[^a-z-])(--?[a-z][a-z-]*)");
    std::set<std::string> found;
    for (std::sregex_iterator tag(text.begin(), text.end(), tagLine), end; tag != end; ++tag) {
        const std::string column = (*tag)[1];
        for (std::sregex_iterator it(column.begin(), column.end(), option); it != end; ++it)
            found.insert((*it)[2]);
    }
    return found;
}

TEST(Instance, HelpAndManualPageListTheSameOptionsAndVersion) {
    const CProgramResult help = RunProgram(kProgram, {"--help"});
    EXPECT_EQ(help.nExitCode, kExitOk);
    const std::set<std::string> helpOptions =
        OptionsIn(help.strOutput, std::regex("\n  (-[^\n]*?)(  |\n)"));
    // The manual's OPTIONS section: the tag line after each .TP.
    std::string manual = ReadFileBytes(QUIBEN_BINARY_DIR "/res/quiben.1");
    manual = std::regex_replace(manual, std::regex(R"(\\-)"), "-");
    const size_t options = manual.find(".SH OPTIONS");
    EXPECT_EQ(helpOptions,
              OptionsIn(manual.substr(options, manual.find(".SH", options + 1) - options),
                        std::regex("\\.TP\n([^\n]*)")));
    EXPECT_EQ(helpOptions.size(), 7u) << help.strOutput;

    std::string printed = RunProgram(kProgram, {"--version"}).strOutput;
    printed = printed.substr(0, printed.find('\n'));
    EXPECT_TRUE(printed.starts_with("quiben ")) << printed;
    EXPECT_NE(manual.find("\"" + printed + "\""), std::string::npos) << printed;
}

} // namespace
