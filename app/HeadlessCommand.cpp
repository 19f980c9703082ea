#include "app/HeadlessCommand.h"

#include "app/CUserTimer.h"
#include "app/ExecLine.h"
#include "app/OnceCycle.h"
#include "config/CSettingsStore.h"
#include "platform/paths.h"

#include <cstdio>
#include <fcntl.h>
#include <filesystem>
#include <spawn.h>
#include <sys/wait.h>
#include <vector>

#ifndef QUIBEN_VERSION
#define QUIBEN_VERSION "0"
#endif

extern char** environ;

namespace {

// Runs `systemctl --user ARGS`; true when it exits with 0. bQuiet hides its
// complaints (used to find out whether a user manager answers at all).
bool RunSystemctl(std::vector<std::string> args, bool bQuiet = false) {
    args.insert(args.begin(), {"systemctl", "--user"});
    std::vector<char*> argv;
    for (std::string& arg : args)
        argv.push_back(arg.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (bQuiet) {
        posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
        posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    }
    // Our own output first, in the order it was printed.
    std::fflush(stdout);
    pid_t pid = 0;
    const int nError = posix_spawnp(&pid, "systemctl", &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    int nStatus = 0;
    return nError == 0 && waitpid(pid, &nStatus, 0) == pid && WIFEXITED(nStatus) &&
           WEXITSTATUS(nStatus) == 0;
}

bool IsUserManagerReachable() {
    return RunSystemctl({"daemon-reload"}, true);
}

// The program folder a timer is named after: the real folder, so the same
// folder reached through a link or with a trailing separator gives the same
// units. bCreate: make the folder as a cycle would. Empty, with a message,
// when the folder cannot be used.
std::string TimerFolder(const std::string& home, bool bCreate) {
    const std::string appDir = (bCreate || home.empty()) ? ResolveAppDir(home) : home;
    std::error_code error;
    std::filesystem::path real;
    if (!appDir.empty())
        real = std::filesystem::weakly_canonical(std::filesystem::absolute(appDir, error), error);
    if (appDir.empty() || error) {
        std::fprintf(stderr, "quiben: the program folder cannot be used\n");
        return std::string();
    }
    std::string folder = real.string();
    while (folder.size() > 1 && folder.back() == '/')
        folder.pop_back();
    return folder;
}

int InstallTimer(const std::string& home) {
    const std::string appDir = TimerFolder(home, true);
    if (appDir.empty())
        return kExitFailed;
    const int nSeconds =
        CUserTimer::IntervalSeconds(CSettingsStore(appDir).Load<CTimerSettings>().nTimeUp);
    const std::string program = QuibenProgramPath();
    if (!SystemdAcceptsProgramPath(program)) {
        std::fprintf(stderr,
                     "quiben: systemd does not start a program whose path holds quotes, "
                     "backslashes or control characters: %s\n",
                     program.c_str());
        return kExitFailed;
    }
    const CUserTimer timer(appDir, program);
    if (!timer.Write(nSeconds)) {
        std::fprintf(stderr, "quiben: cannot write %s\n", timer.TimerPath().c_str());
        return kExitFailed;
    }
    const std::string name = ShellQuoted(timer.TimerName());
    std::printf("quiben: wrote %s and %s: a forwarding cycle for %s every %d s.\n",
                timer.ServicePath().c_str(), timer.TimerPath().c_str(), appDir.c_str(), nSeconds);
    if (IsUserManagerReachable() && RunSystemctl({"enable", "--now", timer.TimerName()})) {
        std::printf("The timer runs now and after every login.\n");
    } else if (RunSystemctl({"enable", timer.TimerName()})) {
        std::printf("No systemd user manager answered: the timer starts at your next login, or "
                    "now with\n  systemctl --user daemon-reload && systemctl --user start %s\n",
                    name.c_str());
    } else {
        std::printf("The timer is not enabled yet; enable and start it with\n"
                    "  systemctl --user daemon-reload && systemctl --user enable --now %s\n",
                    name.c_str());
    }
    std::printf("Its log: journalctl --user -u %s\n"
                "To keep it running while you are logged out: loginctl enable-linger\n",
                ShellQuoted(timer.ServiceName()).c_str());
    return kExitOk;
}

int RemoveTimer(const std::string& home) {
    const std::string appDir = TimerFolder(home, false);
    if (appDir.empty())
        return kExitFailed;
    const CUserTimer timer(appDir, QuibenProgramPath());
    if (!timer.IsWritten()) {
        std::printf("quiben: there is no timer for %s.\n", appDir.c_str());
        return kExitOk;
    }
    const bool bManager = IsUserManagerReachable();
    if (bManager)
        RunSystemctl({"disable", "--now", timer.TimerName()});
    else
        RunSystemctl({"disable", timer.TimerName()});
    if (!timer.Remove()) {
        std::fprintf(stderr, "quiben: cannot remove %s\n", timer.TimerPath().c_str());
        return kExitFailed;
    }
    if (bManager) {
        RunSystemctl({"daemon-reload"});
        RunSystemctl({"reset-failed", timer.ServiceName()}, true);
    }
    std::printf("quiben: removed %s and %s.\n", timer.ServicePath().c_str(),
                timer.TimerPath().c_str());
    return kExitOk;
}

} // namespace

std::string QuibenProgramPath() {
    return JoinPath(ExtractDirectory(GetExecutablePath()), "quiben");
}

std::optional<int> RunHeadlessCommand(const CommandLine& line) {
    if (!line.strError.empty()) {
        std::fprintf(stderr, "quiben: %s\n", line.strError.c_str());
        std::fputs(kUsageText, stderr);
        return kExitUsage;
    }
    if (line.bHelp) {
        std::fputs(kUsageText, stdout);
        return kExitOk;
    }
    if (line.bVersion) {
        std::printf("quiben %s\n", QUIBEN_VERSION);
        return kExitOk;
    }
    if (line.bOnce)
        return RunOnceCycle(line.strHome);
    if (line.bInstallTimer)
        return InstallTimer(line.strHome);
    if (line.bRemoveTimer)
        return RemoveTimer(line.strHome);
    return std::nullopt;
}
