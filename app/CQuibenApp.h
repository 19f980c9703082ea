#pragma once
// The application object: one running copy, the program folder and the
// temporary folder, the settings store in the program folder, and the main
// window run modally; when it closes, the program ends. With --once it runs
// one forwarding cycle instead, without any window.

#include "app/CommandLine.h"
#include "app/OnceCycle.h"
#include "config/CSettingsStore.h"
#include "platform/CInstanceLock.h"

#include <memory>
#include <string>
#include <vector>

class QCoreApplication;
class QWidget;

class CQuibenApp {
public:
    CQuibenApp(int& argc, char** argv);
    ~CQuibenApp();
    CQuibenApp(const CQuibenApp&) = delete;
    CQuibenApp& operator=(const CQuibenApp&) = delete;

    // The running application object, or null.
    static CQuibenApp* GetApp() { return s_pApp; }

    // The whole run: InitInstance (or the headless cycle), then ExitInstance;
    // returns the exit status.
    int Run();

    // Runs the main window until it closes; always false, since the program
    // then ends (true would mean "keep running").
    bool InitInstance();
    int ExitInstance();

    const std::string& GetAppDir() const { return m_strAppDir; }
    CSettingsStore& GetSettings() { return *m_pSettings; }

    // Where the skin and the read-me are looked for: the program folder, the
    // executable's folder, the installed data folder. Tests replace the list
    // before Run.
    void SetDataFolders(std::vector<std::string> folders) { m_dataFolders = std::move(folders); }

private:
    bool ResolveFolders();
    void EnsureGuiApplication();
    void EnsureCoreApplication();
    std::vector<std::string> DefaultDataFolders() const;

    static CQuibenApp* s_pApp;

    CommandLine m_commandLine;
    std::vector<char*> m_qtArgv;
    int m_nQtArgc = 0;
    std::unique_ptr<CInstanceLock> m_pLock; // on the program folder, once it is known
    std::string m_strAppDir;
    std::string m_strTempDir;
    std::unique_ptr<CSettingsStore> m_pSettings;
    std::vector<std::string> m_dataFolders;
    std::unique_ptr<QCoreApplication> m_pQtApp;
    int m_nExitCode = kExitOk;
};

// Runs the settings sheet ("設定", first page, no Apply button) modally.
void RunSettingsSheet(QWidget* pOwner);
// Runs the About box modally.
void RunAboutBox(QWidget* pOwner);
