#include "platform/paths.h"

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

namespace {

std::string WithoutTrailingSeparators(std::string path) {
    while (path.size() > 1 && path.back() == '/')
        path.pop_back();
    return path;
}

// Creates the folder (and its parents) when missing; a folder created here
// is private, since it will hold the password.
bool MakeFolder(const std::string& path) {
    std::error_code error;
    if (std::filesystem::create_directories(path, error))
        chmod(path.c_str(), 0700);
    struct stat info {};
    return stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

bool IsWritableFolder(const std::string& path) {
    return !path.empty() && access(path.c_str(), W_OK | X_OK) == 0;
}

// Programs installed there are shared by every user; root can write there,
// but settings never belong beside them.
bool IsSystemFolder(const std::string& path) {
    for (const char* system : {"/usr", "/bin", "/sbin"})
        if (path == system || path.starts_with(std::string(system) + "/"))
            return true;
    return false;
}

void SyncFolder(const std::string& folder) {
    int fd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return;
    fsync(fd);
    close(fd);
}

} // namespace

std::string ExtractDirectory(std::string_view fullPath) {
    std::size_t slash = fullPath.rfind('/');
    if (slash == std::string_view::npos)
        return std::string();
    if (slash == 0)
        return "/";
    return WithoutTrailingSeparators(std::string(fullPath.substr(0, slash)));
}

std::string JoinPath(std::string_view folder, std::string_view name) {
    std::string path(folder);
    if (path.empty() || path.back() != '/')
        path += '/';
    path += name;
    return path;
}

std::string GetExecutablePath() {
    std::error_code error;
    std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", error);
    return error ? std::string() : exe.string();
}

std::string ResolveAppDir(std::string_view homeOption) {
    if (!homeOption.empty()) {
        std::error_code error;
        std::string home = std::filesystem::absolute(std::string(homeOption), error).string();
        if (error || !MakeFolder(home))
            return std::string();
        return WithoutTrailingSeparators(home);
    }
    std::string exeFolder = ExtractDirectory(GetExecutablePath());
    if (IsWritableFolder(exeFolder) && !IsSystemFolder(exeFolder))
        return exeFolder;
    const std::string configHome = UserConfigHome();
    if (configHome.empty())
        return std::string();
    std::string config = JoinPath(configHome, "quiben");
    if (!MakeFolder(config))
        return std::string();
    return config;
}

std::string UserConfigHome() {
    const char* configHome = std::getenv("XDG_CONFIG_HOME");
    if (configHome != nullptr && configHome[0] == '/')
        return WithoutTrailingSeparators(configHome);
    const char* home = std::getenv("HOME");
    if (home == nullptr || home[0] != '/')
        return std::string();
    return JoinPath(home, ".config");
}

std::string ResolveTempDir() {
    const char* tmp = std::getenv("TMPDIR");
    std::string folder = (tmp != nullptr && tmp[0] != '\0') ? tmp : "/tmp";
    // The folder is taken with a separator after it, so "/var/tmp" and
    // "/var/tmp/" give the same result.
    return ExtractDirectory(folder + "/");
}

bool WriteFileAtomically(const std::string& path, std::string_view content, unsigned mode) {
    std::string folder = ExtractDirectory(path);
    // (A name without a folder is written in the current one. Assigned as a
    // count and a character: GCC 12 warns falsely on the literal here.)
    if (folder.empty())
        folder.assign(1, '.');
    std::string name = path.substr(path.rfind('/') == std::string::npos ? 0 : path.rfind('/') + 1);
    std::string temp = JoinPath(folder, "." + name + ".XXXXXX");
    int fd = mkstemp(temp.data());
    if (fd < 0)
        return false;
    bool ok =
        fchmod(fd, static_cast<mode_t>(mode)) == 0 && WriteFully(fd, content) && fsync(fd) == 0;
    ok = (close(fd) == 0) && ok;
    if (ok && rename(temp.c_str(), path.c_str()) == 0) {
        SyncFolder(folder);
        return true;
    }
    unlink(temp.c_str());
    return false;
}

bool WriteFully(int fd, std::string_view content) {
    while (!content.empty()) {
        ssize_t written = write(fd, content.data(), content.size());
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return false;
        content.remove_prefix(static_cast<std::size_t>(written));
    }
    return true;
}
