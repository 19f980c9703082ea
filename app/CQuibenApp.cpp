#include "app/CQuibenApp.h"

#include "app/CAboutDlg.h"
#include "app/CQuibenDlg.h"
#include "app/CTerminationWatcher.h"
#include "app/HeadlessCommand.h"
#include "engine/CForwardEngine.h"
#include "platform/paths.h"
#include "res/resources.h"
#include "res/strings.h"
#include "settings/CSettingSheet.h"
#include "settings/schema.h"

#include <QApplication>

#ifndef QUIBEN_DATA_DIR
#define QUIBEN_DATA_DIR "/usr/local/share/quiben"
#endif

CQuibenApp* CQuibenApp::s_pApp = nullptr;

CQuibenApp::CQuibenApp(int& argc, char** argv)
    : m_commandLine(ParseCommandLine(argc, argv)), m_lock(kInstanceLockName) {
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
    return ExitInstance();
}

std::string CQuibenApp::GetIniPath() const {
    return JoinPath(m_strAppDir, schema::kIniFile);
}

bool CQuibenApp::ResolveFolders() {
    m_strAppDir = ResolveAppDir(m_commandLine.strHome);
    m_strTempDir = ResolveTempDir();
    if (m_strAppDir.empty() || m_strTempDir.empty())
        return false;
    // Every setting of the program goes to the INI file in the program folder.
    m_pProfile = std::make_unique<CProfile>(GetIniPath());
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
    // A second copy ends at once, silently and without a window; a lock that
    // cannot be taken at all does not keep the program from running.
    if (m_lock.Acquire() == CInstanceLock::Result::HeldByOther)
        return false;
    if (!ResolveFolders()) {
        m_nExitCode = kExitFailed;
        return false;
    }
    EnsureGuiApplication();

    CForwardEngine engine(m_strAppDir, m_strTempDir);
    CQuibenDlg dlg(*m_pProfile, m_dataFolders, [&engine] { return engine.RunForwardCycle(); });
    dlg.SetSettingsRunner(RunSettingsSheet);
    dlg.SetAboutRunner(RunAboutBox);
    dlg.SetAutostart(CAutostart(m_strAppDir, QuibenProgramPath()));
    CTerminationWatcher watcher([&dlg] {
        if (dlg.isVisible())
            dlg.EndDialog(IDCANCEL);
        // Also ends a menu, the exit question or another box open just then.
        QCoreApplication::exit(0);
    });
    if (dlg.DoModal() < 0)
        m_nExitCode = kExitFailed; // no skin: the window was never created
    return false;
}

int CQuibenApp::ExitInstance() {
    m_lock.Release();
    m_pQtApp.reset();
    return m_nExitCode;
}

void RunSettingsSheet(QWidget* pOwner) {
    // The main window owns the sheet, as the original platform makes the
    // application's main window the owner of a sheet given no parent.
    CQuibenApp* pApp = CQuibenApp::GetApp();
    if (pApp != nullptr)
        RunSettingSheet(pApp->GetAppDir(), pApp->GetProfile(), pOwner);
}

void RunAboutBox(QWidget*) {
    // Without a parent of its own, as the original shows it.
    CAboutDlg dlg;
    dlg.DoModal();
}
