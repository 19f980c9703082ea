#include "app/CAutostart.h"

#include "app/ExecLine.h"
#include "platform/paths.h"

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <unistd.h>

namespace {

constexpr const char* kEntryName = "org.quiben.Quiben.desktop";

std::string ReadFile(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    std::ostringstream content;
    content << file.rdbuf();
    return content.str();
}

bool HasLine(const std::string& text, const std::string& line) {
    std::istringstream lines(text);
    for (std::string each; std::getline(lines, each);) {
        if (!each.empty() && each.back() == '\r')
            each.pop_back();
        if (each == line)
            return true;
    }
    return false;
}

} // namespace

CAutostart::CAutostart(std::string strAppDir, std::string strProgram,
                       std::string strAutostartFolder)
    : m_strAppDir(std::move(strAppDir)), m_strProgram(std::move(strProgram)),
      m_strFolder(std::move(strAutostartFolder)) {
    if (!m_strFolder.empty())
        m_strEntryPath = JoinPath(m_strFolder, kEntryName);
}

std::string CAutostart::DefaultFolder() {
    const std::string configHome = UserConfigHome();
    return configHome.empty() ? std::string() : JoinPath(configHome, "autostart");
}

std::string CAutostart::ExecLine() const {
    return DesktopExecLine({m_strProgram, "--home", m_strAppDir});
}

std::string CAutostart::EntryText() const {
    const std::string exec = ExecLine();
    if (exec.empty())
        return std::string();
    // TryExec: a copy that was moved or deleted is skipped at login instead
    // of failing there.
    return "[Desktop Entry]\n"
           "Type=Application\n"
           "Name=Quiben\n"
           "Name[ja]=クイベン\n"
           "Comment=Forwards new POP3 mail to other addresses over SMTP\n"
           "Icon=org.quiben.Quiben\n"
           "TryExec=" +
           DesktopStringValue(m_strProgram) +
           "\n"
           "Exec=" +
           exec +
           "\n"
           "Terminal=false\n"
           "X-GNOME-Autostart-enabled=true\n";
}

bool CAutostart::IsEnabled() const {
    const std::string exec = ExecLine();
    if (m_strEntryPath.empty() || exec.empty())
        return false;
    const std::string text = ReadFile(m_strEntryPath);
    return HasLine(text, "Exec=" + exec) && !HasLine(text, "Hidden=true") &&
           !HasLine(text, "X-GNOME-Autostart-enabled=false");
}

bool CAutostart::SetEnabled(bool bEnabled) const {
    if (m_strEntryPath.empty())
        return false;
    if (!bEnabled)
        return unlink(m_strEntryPath.c_str()) == 0 || errno == ENOENT;
    const std::string text = EntryText();
    if (text.empty())
        return false;
    std::error_code error;
    std::filesystem::create_directories(m_strFolder, error);
    return WriteFileAtomically(m_strEntryPath, text, 0644);
}
