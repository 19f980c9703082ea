#include "engine/maillib/CPrivateFolder.h"

#include "engine/maillib/CErrorText.h"
#include "engine/maillib/MailTexts.h"

#include <cerrno>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr mode_t kPrivateMode = 0700;
constexpr const char* kMailName = "mail";
constexpr const char* kAttachName = "attach";
constexpr const char* kCacheName = "cache";

std::string Join(const std::string& folder, const std::string& name) {
    if (!folder.empty() && folder.back() == '/')
        return folder + name;
    return folder + "/" + name;
}

// mkdir refuses to follow a link at the final name, so a planted link is
// seen by the check that follows, never created through.
bool MakeOrCheck(const std::string& path) {
    if (mkdir(path.c_str(), kPrivateMode) != 0 && errno != EEXIST)
        return false;
    return IsSafePrivateFolder(path);
}

void RemoveContents(const std::string& folder) {
    std::error_code ec;
    for (std::filesystem::directory_iterator it(folder, ec), end; !ec && it != end;
         it.increment(ec)) {
        std::error_code removeError;
        std::filesystem::remove_all(it->path(), removeError);
    }
}

} // namespace

bool IsSafePrivateFolder(const std::string& path) {
    struct stat info {};
    if (lstat(path.c_str(), &info) != 0 || !S_ISDIR(info.st_mode) || info.st_uid != geteuid())
        return false;
    if ((info.st_mode & 077) != 0 && chmod(path.c_str(), kPrivateMode) != 0)
        return false;
    return true;
}

bool CPrivateFolder::Open(const std::string& tempDir, std::string& error) {
    m_strPath.clear();
    if (tempDir.empty()) {
        error = mailtext::kPrivateFolder;
        return false;
    }
    std::string path = Join(tempDir, "quiben-" + std::to_string(geteuid()));
    if (!MakeOrCheck(path)) {
        error = CErrorText::Join(mailtext::kPrivateFolder, path);
        return false;
    }
    m_strPath = path;
    if (!EnsureSubfolder(MailFolder(), error) || !EnsureSubfolder(AttachFolder(), error)) {
        m_strPath.clear();
        return false;
    }
    return true;
}

bool CPrivateFolder::EnsureSubfolder(const std::string& path, std::string& error) const {
    if (MakeOrCheck(path))
        return true;
    error = CErrorText::Join(mailtext::kPrivateFolder, path);
    return false;
}

std::string CPrivateFolder::MailFolder() const {
    return Join(m_strPath, kMailName);
}

std::string CPrivateFolder::AttachFolder() const {
    return Join(m_strPath, kAttachName);
}

std::string CPrivateFolder::CacheFolder() const {
    return Join(m_strPath, kCacheName);
}

void CPrivateFolder::ClearCycleFiles() const {
    RemoveContents(MailFolder());
    RemoveContents(AttachFolder());
}

std::string CPrivateFolder::NewAttachmentFolder() const {
    // Sub-folders are numbered; an existing number (an earlier decode of this
    // cycle) is skipped, so each message gets a folder of its own.
    static unsigned counter = 0;
    for (int attempt = 0; attempt < 100000; ++attempt) {
        std::string path = Join(AttachFolder(), std::to_string(++counter));
        if (mkdir(path.c_str(), kPrivateMode) == 0)
            return path;
        if (errno != EEXIST)
            return {};
    }
    return {};
}
