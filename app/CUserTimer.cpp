#include "app/CUserTimer.h"

#include "app/ExecLine.h"
#include "app/OnceCycle.h"
#include "platform/paths.h"

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr int kMinIntervalSeconds = 60;
// systemd refuses unit names longer than 255 bytes, suffix included.
constexpr size_t kMaxUnitNameLength = 255 - sizeof(".service") + 1;

std::string HashName(std::string_view text) {
    std::uint64_t hash = 14695981039346656037ULL; // FNV-1a
    for (char c : text) {
        hash ^= static_cast<unsigned char>(c);
        hash *= 1099511628211ULL;
    }
    char buffer[17];
    std::snprintf(buffer, sizeof buffer, "%016llx", static_cast<unsigned long long>(hash));
    return buffer;
}

std::string UnitNameFor(const std::string& appDir) {
    std::string name = "quiben-" + SystemdEscapePath(appDir);
    if (name.size() > kMaxUnitNameLength)
        name = "quiben-" + HashName(appDir);
    return name;
}

bool Exists(const std::string& path) {
    struct stat info {};
    return lstat(path.c_str(), &info) == 0;
}

bool RemoveFile(const std::string& path) {
    return unlink(path.c_str()) == 0 || errno == ENOENT;
}

} // namespace

CUserTimer::CUserTimer(std::string strAppDir, std::string strProgram, std::string strUnitFolder)
    : m_strAppDir(std::move(strAppDir)), m_strProgram(std::move(strProgram)),
      m_strFolder(std::move(strUnitFolder)), m_strUnitName(UnitNameFor(m_strAppDir)) {}

std::string CUserTimer::DefaultFolder() {
    const std::string configHome = UserConfigHome();
    return configHome.empty() ? std::string() : JoinPath(configHome, "systemd/user");
}

int CUserTimer::IntervalSeconds(int nTimeUp) {
    const int nSeconds = nTimeUp / 1000;
    return nSeconds < kMinIntervalSeconds ? kMinIntervalSeconds : nSeconds;
}

std::string CUserTimer::ServicePath() const {
    return JoinPath(m_strFolder, ServiceName());
}

std::string CUserTimer::TimerPath() const {
    return JoinPath(m_strFolder, TimerName());
}

std::string CUserTimer::ServiceText() const {
    // A cycle refused because the desktop program runs for the same user
    // (status 3) is no failure: that copy forwards the mail.
    return "[Unit]\n"
           "Description=Quiben: one forwarding cycle (" +
           SystemdDescriptionText(m_strAppDir) +
           ")\n"
           "Documentation=man:quiben(1)\n"
           "\n"
           "[Service]\n"
           "Type=oneshot\n"
           "ExecStart=" +
           SystemdExecLine({m_strProgram, "--once", "--home", m_strAppDir}) +
           "\n"
           "SuccessExitStatus=" +
           std::to_string(kExitOtherCopy) + "\n";
}

std::string CUserTimer::TimerText(int nIntervalSeconds) const {
    // OnStartupSec: the first cycle a minute after login, or at once when the
    // timer is started later than that; then one per interval.
    return "[Unit]\n"
           "Description=Quiben: forwarding every " +
           std::to_string(nIntervalSeconds) + " s (" + SystemdDescriptionText(m_strAppDir) +
           ")\n"
           "Documentation=man:quiben(1)\n"
           "\n"
           "[Timer]\n"
           "Unit=" +
           ServiceName() +
           "\n"
           "OnStartupSec=1min\n"
           "OnUnitActiveSec=" +
           std::to_string(nIntervalSeconds) +
           "s\n"
           "AccuracySec=1s\n"
           "\n"
           "[Install]\n"
           "WantedBy=timers.target\n";
}

bool CUserTimer::Write(int nIntervalSeconds) const {
    if (m_strFolder.empty())
        return false;
    std::error_code error;
    std::filesystem::create_directories(m_strFolder, error);
    return WriteFileAtomically(ServicePath(), ServiceText(), 0644) &&
           WriteFileAtomically(TimerPath(), TimerText(nIntervalSeconds), 0644);
}

bool CUserTimer::IsWritten() const {
    return !m_strFolder.empty() && (Exists(ServicePath()) || Exists(TimerPath()));
}

bool CUserTimer::Remove() const {
    if (m_strFolder.empty())
        return true;
    const bool bTimerGone = RemoveFile(TimerPath());
    return RemoveFile(ServicePath()) && bTimerGone;
}
