#include "tests/common/HostileFiles.h"

#include <chrono>
#include <filesystem>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

bool PlantHostileFile(HostileFile kind, const std::string& path, const std::string& victim) {
    switch (kind) {
    case HostileFile::Fifo:
        return mkfifo(path.c_str(), 0600) == 0;
    case HostileFile::SymbolicLink:
        return symlink(victim.c_str(), path.c_str()) == 0;
    case HostileFile::HardLink:
        return link(victim.c_str(), path.c_str()) == 0;
    case HostileFile::Folder:
        return mkdir(path.c_str(), 0700) == 0;
    case HostileFile::OtherOwner:
        std::error_code error;
        return geteuid() == 0 && std::filesystem::copy_file(victim, path, error) &&
               chown(path.c_str(), 65534, 65534) == 0;
    }
    return false;
}

bool EndsInChildWithin(const std::function<void()>& work, int seconds) {
    pid_t pid = fork();
    if (pid == 0) {
        work();
        _exit(0);
    }
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
    int status = 0;
    while (waitpid(pid, &status, WNOHANG) == 0) {
        if (std::chrono::steady_clock::now() > deadline) {
            kill(pid, SIGKILL);
            waitpid(pid, &status, 0);
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}
