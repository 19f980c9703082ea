// The Debian package as a user gets it: made once by cpack from this build,
// unpacked into a scratch root with dpkg -x, and its programs run from
// there against the real test servers.
#include "tests/maillib/MailTestSupport.h"

#include "platform/profile.h"
#include "settings/listfile.h"
#include "settings/schema.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QThread>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>

namespace {

struct CToolResult {
    int nExitCode = -1;
    QString strOutput; // stdout and stderr
};

CToolResult RunTool(const QString& program, const QStringList& args,
                    const QProcessEnvironment& env = QProcessEnvironment::systemEnvironment()) {
    QProcess process;
    process.setProcessEnvironment(env);
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(program, args);
    CToolResult result;
    if (process.waitForFinished(300000) && process.exitStatus() == QProcess::NormalExit)
        result.nExitCode = process.exitCode();
    result.strOutput = QString::fromUtf8(process.readAll());
    return result;
}

bool HasTool(const char* name) {
    return !QStandardPaths::findExecutable(QString::fromUtf8(name)).isEmpty();
}

} // namespace

class Package : public MailServerTest {
public:
    // The package is made and unpacked once for all the tests here.
    static void SetUpTestSuite() {
        MailServerTest::SetUpTestSuite();
        s_pWork = std::make_unique<CTempFolder>();
        const QString out = QString::fromStdString(s_pWork->File("out"));
        const CToolResult made = RunTool(
            "cpack", {"-G", "DEB", "-B", out, "--config", QUIBEN_BINARY_DIR "/CPackConfig.cmake"});
        const QStringList debs = QDir(out).entryList({"quiben_*.deb"}, QDir::Files);
        if (made.nExitCode != 0 || debs.size() != 1) {
            s_strError = "cpack failed: " + made.strOutput.toStdString();
            return;
        }
        s_strDeb = (out + "/" + debs.first()).toStdString();
        const CToolResult unpacked = RunTool(
            "dpkg", {"-x", QString::fromStdString(s_strDeb), QString::fromStdString(Root())});
        if (unpacked.nExitCode != 0)
            s_strError = "dpkg -x failed: " + unpacked.strOutput.toStdString();
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
        return RunTool("dpkg-deb", {"-f", QString::fromStdString(s_strDeb), name})
            .strOutput.trimmed()
            .toStdString();
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
    std::vector<std::string> expected{
        "usr/bin/quiben",
        "usr/bin/quiben-desktop",
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
        expected.push_back(icon);
        EXPECT_EQ(QImage(Installed(icon)).size(), QSize(size, size)) << icon;
    }
    std::vector<std::string> found;
    QDirIterator files(QString::fromStdString(Root()), QDir::Files, QDirIterator::Subdirectories);
    while (files.hasNext())
        found.push_back(files.next().mid(static_cast<int>(Root().size()) + 1).toStdString());
    std::sort(expected.begin(), expected.end());
    std::sort(found.begin(), found.end());
    EXPECT_EQ(found, expected);

    EXPECT_EQ(Field("Package"), "quiben");
    EXPECT_EQ(Field("Version"), QUIBEN_VERSION);
    // Read from the linked libraries, not written by hand.
    const std::string depends = Field("Depends");
    for (const char* library : {"libc6", "libcurl4", "libgmime-3.0-0", "libqt6widgets6"})
        EXPECT_NE(depends.find(library), std::string::npos) << library << " in " << depends;

    // Every screenshot the metadata shows is one of docs/screenshots.
    QFile metainfo(Installed("usr/share/metainfo/org.quiben.Quiben.metainfo.xml"));
    ASSERT_TRUE(metainfo.open(QIODevice::ReadOnly));
    const QString metadata = QString::fromUtf8(metainfo.readAll());
    QRegularExpressionMatchIterator shots =
        QRegularExpression("/docs/screenshots/([^<]+)</image>").globalMatch(metadata);
    EXPECT_TRUE(shots.hasNext());
    while (shots.hasNext()) {
        const QString name = shots.next().captured(1);
        EXPECT_TRUE(QFile::exists(QUIBEN_SOURCE_DIR "/docs/screenshots/" + name))
            << name.toStdString();
    }
    if (HasTool("appstreamcli")) {
        const CToolResult valid =
            RunTool("appstreamcli", {"validate-tree", "--no-net", QString::fromStdString(Root())});
        EXPECT_EQ(valid.nExitCode, 0) << valid.strOutput.toStdString();
    }
}

TEST_F(Package, InstalledQuibenRunsACycleWithoutRunPath) {
    // Every library comes from the system: a run path would make the loader
    // search the build folder of another machine first.
    const CToolResult dynamic = RunTool("readelf", {"-d", Installed("usr/bin/quiben")});
    ASSERT_EQ(dynamic.nExitCode, 0);
    EXPECT_FALSE(dynamic.strOutput.contains("RPATH") || dynamic.strOutput.contains("RUNPATH"));

    const std::string user = NewUser();
    WriteAccountSettings(m_app.File(schema::kIniFile), user, "quiben@example.jp");
    WriteListFile(m_app.File(schema::kAddressFile), {"phone@example.jp"});
    Servers().AddMessage(user, SimpleMessage("from the package", "installed"));

    const CToolResult cycle =
        RunTool(Installed("usr/bin/quiben"),
                {"--once", "--home", QString::fromStdString(m_app.Path())}, ProgramEnvironment());
    EXPECT_EQ(cycle.nExitCode, 0) << cycle.strOutput.toStdString();
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
    const std::string lock = m_runtime.File("qUI10_zT_KoRaV.lock");
    for (int i = 0;
         i < 600 && !std::filesystem::exists(lock) && program.state() != QProcess::NotRunning; ++i)
        QThread::msleep(100);
    program.terminate();
    ASSERT_TRUE(program.waitForFinished(60000));
    EXPECT_EQ(program.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(program.exitCode(), 0) << program.readAll().toStdString();
    // Closing the window stores its position: the window existed.
    CProfile profile(m_app.File(schema::kIniFile));
    EXPECT_NE(profile.GetProfileInt(schema::kSectionPosition, schema::kKeyPositionX, -1), -1);
}
