#include "app/CQuibenApp.h"

#include "app/CAboutDlg.h"
#include "app/CInstanceChannel.h"
#include "app/CQuibenDlg.h"
#include "app/CTerminationWatcher.h"
#include "app/HeadlessCommand.h"
#include "app/QtPlatformChoice.h"
#include "dialog/CBackgroundJob.h"
#include "engine/CForwardEngine.h"
#include "engine/maillib/CConnectionTest.h"
#include "platform/paths.h"
#include "res/resource.h"
#include "res/resources.h"
#include "res/strings.h"
#include "settings/CSettingSheet.h"

#include <QApplication>
#include <cstdio>
#include <unistd.h>

#ifndef QUIBEN_DATA_DIR
#define QUIBEN_DATA_DIR "/usr/local/share/quiben"
#endif

CQuibenApp* CQuibenApp::s_pApp = nullptr;

CQuibenApp::CQuibenApp(int& argc, char** argv) : m_commandLine(ParseCommandLine(argc, argv)) {
    s_pApp = this;
}

CQuibenApp::~CQuibenApp() {
    if (s_pApp == this)
        s_pApp = nullptr;
}

int CQuibenApp::Run() {
    if (const std::optional<int> status = RunHeadlessCommand(m_commandLine)) {
        m_nExitCode = *status;
    } else {
        // Before the instance check: a copy that holds the lock can always be
        // asked to close the ordinary way.
        CTerminationWatcher::CatchSignals();
        InitInstance();
    }
    const int nExitCode = ExitInstance();
    if (CBackgroundJob::RunningThreads() > 0) {
        // A cycle still waits on a server. Its network call is abandoned:
        // every state file is replaced by a rename, so nothing is left half
        // written, and the next start picks up where it stopped. The
        // process-wide state that call still uses must not be torn down
        // under it, so no destructor of that state runs.
        std::fflush(nullptr);
        _exit(nExitCode);
    }
    return nExitCode;
}

bool CQuibenApp::ResolveFolders() {
    m_strAppDir = ResolveAppDir(m_commandLine.strHome);
    m_strTempDir = ResolveTempDir();
    if (m_strAppDir.empty() || m_strTempDir.empty())
        return false;
    // Every setting of the program goes to the INI file in the program folder.
    m_pSettings = std::make_unique<CSettingsStore>(m_strAppDir);
    if (m_dataFolders.empty())
        m_dataFolders = DefaultDataFolders();
    return true;
}

std::vector<std::string> CQuibenApp::DefaultDataFolders() const {
    std::vector<std::string> folders{m_strAppDir};
    const std::string exeFolder = ExtractDirectory(GetExecutablePath());
    if (!exeFolder.empty() && exeFolder != m_strAppDir)
        folders.push_back(exeFolder);
    // Installed under a prefix: <prefix>/bin/quiben and <prefix>/share/quiben,
    // wherever the prefix was moved; then the prefix the build was made for.
    if (!exeFolder.empty())
        folders.push_back(JoinPath(ExtractDirectory(exeFolder), "share/quiben"));
    folders.emplace_back(QUIBEN_DATA_DIR);
    return folders;
}

void CQuibenApp::EnsureGuiApplication() {
    if (QCoreApplication::instance() == nullptr) {
        PreferXcbOnWayland(m_commandLine.qtArgs);
        for (std::string& arg : m_commandLine.qtArgs)
            m_qtArgv.push_back(arg.data());
        m_qtArgv.push_back(nullptr);
        m_nQtArgc = static_cast<int>(m_qtArgv.size()) - 1;
        m_pQtApp = std::make_unique<QApplication>(m_nQtArgc, m_qtArgv.data());
    }
    QCoreApplication::setApplicationName(QString::fromUtf8(restext::kAppName));
    QGuiApplication::setApplicationDisplayName(QString::fromUtf8(restext::kAppName));
    QGuiApplication::setDesktopFileName(QStringLiteral("org.quiben.Quiben"));
    // Closing the About box or the exit question must not end the program:
    // it ends when the main window's modal run returns.
    QGuiApplication::setQuitOnLastWindowClosed(false);
    InitQuibenResources();
    QGuiApplication::setWindowIcon(LoadAppIcon());
}

bool CQuibenApp::InitInstance() {
    if (!ResolveFolders()) {
        m_nExitCode = kExitFailed;
        return false;
    }
    // A second copy on the same program folder brings the running copy's
    // window to the front and ends; a lock that cannot be taken at all does
    // not keep the program from running.
    const QString channelName = CInstanceChannel::NameFor(m_strAppDir);
    m_pLock = std::make_unique<CInstanceLock>(m_strAppDir);
    if (m_pLock->Acquire() == CInstanceLock::Result::HeldByOther) {
        EnsureCoreApplication();
        CInstanceChannel::Send(channelName, CInstanceChannel::ERequest::Activate);
        return false;
    }
    EnsureGuiApplication();

    // The engine belongs to the cycles: one that is still waiting on a
    // server when the window closes keeps it alive until it returns.
    auto pEngine = std::make_shared<CForwardEngine>(m_strAppDir, m_strTempDir);
    CQuibenDlg dlg(*m_pSettings, m_dataFolders, [pEngine] {
        pEngine->RunForwardCycle();
        return pEngine->GetLastReport();
    });
    pEngine.reset();
    dlg.SetSettingsRunner(RunSettingsSheet);
    dlg.SetAboutRunner(RunAboutBox);
    dlg.SetAutostart(CAutostart(m_strAppDir, QuibenProgramPath()));
    CInstanceChannel channel([&dlg](CInstanceChannel::ERequest request) {
        if (request == CInstanceChannel::ERequest::Activate)
            dlg.Activate();
        else
            dlg.SendCommand(ID_RUN_CYCLE_NOW);
    });
    channel.Listen(channelName);
    CTerminationWatcher watcher([&dlg] {
        if (dlg.isVisible())
            dlg.EndDialog(IDCANCEL);
        // Also ends a menu, the exit question or another box open just then.
        QCoreApplication::exit(0);
    });
    dlg.DoModal();
    return false;
}

void CQuibenApp::EnsureCoreApplication() {
    if (QCoreApplication::instance() != nullptr)
        return;
    if (m_commandLine.qtArgs.empty())
        m_commandLine.qtArgs.emplace_back("quiben");
    m_qtArgv = {m_commandLine.qtArgs.front().data(), nullptr};
    m_nQtArgc = 1;
    m_pQtApp = std::make_unique<QCoreApplication>(m_nQtArgc, m_qtArgv.data());
}

int CQuibenApp::ExitInstance() {
    m_pLock.reset();
    m_pQtApp.reset();
    return m_nExitCode;
}

void RunSettingsSheet(QWidget* pOwner) {
    // The main window owns the sheet: it stays above the figure and goes
    // with it.
    CQuibenApp* pApp = CQuibenApp::GetApp();
    if (pApp != nullptr)
        RunSettingSheet(pApp->GetSettings(), &CConnectionTest::Run, pOwner);
}

void RunAboutBox(QWidget*) {
    // Without a parent: a window of its own, which the desktop places,
    // rather than one over the small figure.
    CAboutDlg dlg;
    dlg.DoModal();
}
