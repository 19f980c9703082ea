#include "tests/common/CTestKeyring.h"

#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <sys/wait.h>
#include <unistd.h>

CTestKeyring::CTestKeyring(EKind kind) {
    if (const char* old = std::getenv("DBUS_SESSION_BUS_ADDRESS"))
        m_oldBusAddress = old;
    std::string base = std::filesystem::temp_directory_path().string() + "/quiben-keyring-XXXXXX";
    if (mkdtemp(base.data()) == nullptr) {
        m_strStartError = "cannot create a folder for the keyring";
        return;
    }
    m_strFolder = base;
    if (!RunScript(kind == EKind::Keyring ? "start" : "start-bus")) {
        m_strStartError = "no Secret Service could start here; see " + m_strFolder;
        return;
    }
    std::ifstream env(m_strFolder + "/keyring.env");
    std::string line;
    std::getline(env, line);
    m_strBusAddress = line.substr(line.find('=') + 1);
    setenv("DBUS_SESSION_BUS_ADDRESS", m_strBusAddress.c_str(), 1);
    m_bRunning = true;
}

CTestKeyring::~CTestKeyring() {
    if (m_strFolder.empty())
        return;
    RunScript("stop");
    if (m_oldBusAddress)
        setenv("DBUS_SESSION_BUS_ADDRESS", m_oldBusAddress->c_str(), 1);
    else
        unsetenv("DBUS_SESSION_BUS_ADDRESS");
    if (m_bRunning) {
        std::error_code ec;
        std::filesystem::remove_all(m_strFolder, ec);
    }
}

bool CTestKeyring::RunScript(const char* command) const {
    std::string script = std::string(QUIBEN_SOURCE_DIR) + "/tests/servers/keyring";
    pid_t pid = fork();
    if (pid == 0) {
        int null = open("/dev/null", O_WRONLY);
        dup2(null, STDOUT_FILENO);
        execl("/bin/bash", "bash", script.c_str(), command, m_strFolder.c_str(), nullptr);
        _exit(127);
    }
    int status = 0;
    return pid > 0 && waitpid(pid, &status, 0) == pid && WIFEXITED(status) &&
           WEXITSTATUS(status) == 0;
}
