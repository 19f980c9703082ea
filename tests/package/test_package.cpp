// The Debian package as a user gets it: made once by cpack from this build,
// unpacked into a scratch root with dpkg -x, and its programs run from
// there against the real test servers.
#include "tests/maillib/MailTestSupport.h"

#include "app/OnceCycle.h"
#include "config/listfile.h"
#include "config/schema.h"
#include "platform/profile.h"
#include "tests/common/RunProgram.h"

#include <QDir>
#include <QDirIterator>
#include <QImage>
#include <QProcess>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <set>

class Package : public MailServerTest {
public:
    // The package is made and unpacked once for all the tests here.
    static void SetUpTestSuite() {
        MailServerTest::SetUpTestSuite();
        s_pWork = std::make_unique<CTempFolder>();
        const QString out = QString::fromStdString(s_pWork->File("out"));
        const CProgramResult made = RunProgram(
            "cpack", {"-G", "DEB", "-B", out, "--config", QUIBEN_BINARY_DIR "/CPackConfig.cmake"});
        const QStringList debs = QDir(out).entryList({"quiben_*.deb"}, QDir::Files);
        if (made.nExitCode != 0 || debs.size() != 1) {
            s_strError = "cpack failed: " + made.strOutput;
            return;
        }
        s_strDeb = (out + "/" + debs.first()).toStdString();
        const CProgramResult unpacked = RunProgram(
            "dpkg", {"-x", QString::fromStdString(s_strDeb), QString::fromStdString(Root())});
        if (unpacked.nExitCode != 0)
            s_strError = "dpkg -x failed: " + unpacked.strOutput;
    }
    static void TearDownTestSuite() {
        s_pWork.reset();
        MailServerTest::TearDownTestSuite();
    }

protected:
    void SetUp() override {
        MailServerTest::SetUp();
        ASSERT_TRUE(s_strError.empty()) << s_strError;
    }

    static std::string Root() { return s_pWork->File("root"); }
    static QString Installed(const std::string& path) {
        return QString::fromStdString(Root() + "/" + path);
    }
    static std::string Field(const char* name) {
        std::string value =
            RunProgram("dpkg-deb", {"-f", QString::fromStdString(s_strDeb), name}).strOutput;
        return value.substr(0, value.find('\n'));
    }

    // The installed quiben with its own runtime folder (its instance lock).
    QProcessEnvironment ProgramEnvironment() const {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("XDG_RUNTIME_DIR", QString::fromStdString(m_runtime.Path()));
        env.insert("QT_QPA_PLATFORM", "offscreen");
        return env;
    }

    static std::unique_ptr<CTempFolder> s_pWork;
    static std::string s_strDeb;
    static std::string s_strError;
    CTempFolder m_runtime;
    CTempFolder m_app;
};

std::unique_ptr<CTempFolder> Package::s_pWork;
std::string Package::s_strDeb;
std::string Package::s_strError;

TEST_F(Package, HoldsProgramsDataDesktopEntryIconsManualAndMetainfo) {
    std::set<std::string> expected{
        "usr/bin/quiben",
        "usr/bin/quiben-desktop",
        "usr/" QUIBEN_MODULE_DIR "/libquiben-once.so",
        "usr/" QUIBEN_MODULE_DIR "/libquiben-mime.so",
        "usr/" QUIBEN_MODULE_DIR "/libquiben-keyring.so",
        "usr/share/quiben/zorvik.bmp",
        "usr/share/quiben/readme.txt",
        "usr/share/applications/org.quiben.Quiben.desktop",
        "usr/share/icons/hicolor/scalable/apps/org.quiben.Quiben.svg",
        "usr/share/man/man1/quiben.1.gz",
        "usr/share/metainfo/org.quiben.Quiben.metainfo.xml",
    };
    for (int size : {16, 22, 24, 32, 48, 64, 128, 256}) {
        const std::string icon = "usr/share/icons/hicolor/" + std::to_string(size) + "x" +
                                 std::to_string(size) + "/apps/org.quiben.Quiben.png";
        expected.insert(icon);
        EXPECT_EQ(QImage(Installed(icon)).size(), QSize(size, size)) << icon;
    }
    std::set<std::string> found;
    QDirIterator files(QString::fromStdString(Root()), QDir::Files, QDirIterator::Subdirectories);
    while (files.hasNext())
        found.insert(files.next().mid(static_cast<int>(Root().size()) + 1).toStdString());
    EXPECT_EQ(found, expected);

    EXPECT_EQ(Field("Package"), "quiben");
    EXPECT_EQ(Field("Version"), QUIBEN_VERSION);
    // Read from the linked libraries, not written by hand.
    const std::string depends = Field("Depends");
    for (const char* library : {"libc6", "libcurl4", "libgmime-3.0-0", "libqt6widgets6"})
        EXPECT_NE(depends.find(library), std::string::npos) << library << " in " << depends;

    if (HasProgram("appstreamcli")) {
        const CProgramResult valid = RunProgram(
            "appstreamcli", {"validate-tree", "--no-net", QString::fromStdString(Root())});
        EXPECT_EQ(valid.nExitCode, 0) << valid.strOutput;
    }
}

TEST_F(Package, InstalledQuibenRunsACycleWithoutRunPath) {
    // Every library comes from the system: a run path would make the loader
    // search the build folder of another machine first.
    const CProgramResult dynamic = RunProgram("readelf", {"-d", Installed("usr/bin/quiben")});
    ASSERT_EQ(dynamic.nExitCode, 0);
    EXPECT_EQ(dynamic.strOutput.find("PATH)"), std::string::npos) << dynamic.strOutput;

    const std::string user = NewUser();
    WriteAccountSettings(m_app.File(schema::kIniFile), user, "quiben@example.jp");
    WriteListFile(m_app.File(schema::kAddressFile), {"phone@example.jp"});
    Servers().AddMessage(user, SimpleMessage("from the package", "installed"));

    const CProgramResult cycle = RunProgram(
        Installed("usr/bin/quiben"), {"--once", "--home", QString::fromStdString(m_app.Path())},
        ProgramEnvironment());
    EXPECT_EQ(cycle.nExitCode, 0) << cycle.strOutput;
    const std::vector<CReceivedMail> mails = ReceivedMails();
    ASSERT_EQ(mails.size(), 1u);
    EXPECT_EQ(mails[0].rcptTos, std::vector<std::string>{"phone@example.jp"});
    const std::string forwarded = TempDir() + "/forwarded.eml";
    std::ofstream(forwarded, std::ios::binary) << mails[0].strContent;
    EXPECT_NE(DecodeMail(forwarded, TempDir()).strBody.find("from the package"), std::string::npos);
}

TEST_F(Package, InstalledQuibenStartsTheDesktopProgramWithTheInstalledSkin) {
    // The program folder holds no skin, so the window can only be made with
    // the one in the package's data folder, found from the program's place.
    if (std::filesystem::exists(QUIBEN_DATA_DIR "/zorvik.bmp"))
        GTEST_SKIP() << "a skin installed at " QUIBEN_DATA_DIR " would hide the lookup";
    QProcess program;
    program.setProcessEnvironment(ProgramEnvironment());
    program.setProcessChannelMode(QProcess::MergedChannels);
    program.start(Installed("usr/bin/quiben"), {"--home", QString::fromStdString(m_app.Path())});
    // The lock is taken once the program catches SIGTERM to close its window.
    const std::string lock = m_runtime.File(std::string(kInstanceLockName) + ".lock");
    for (int i = 0; i < 600 && !std::filesystem::exists(lock); ++i)
        if (program.waitForFinished(100))
            break;
    program.terminate();
    ASSERT_TRUE(program.waitForFinished(60000));
    EXPECT_EQ(program.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(program.exitCode(), 0) << program.readAll().toStdString();
    // Closing the window stores its position: the window existed.
    CProfile profile(m_app.File(schema::kIniFile));
    EXPECT_NE(profile.GetProfileInt("POSITION", "X", -1), -1);
}
