#include "engine/maillib/CMessageCache.h"

#include "engine/maillib/CHeaderMemo.h"

#include <atomic>
#include <cerrno>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr mode_t kFolderMode = 0700;
constexpr mode_t kFileMode = 0600;
// Names stay far below the file system's limit of 255 bytes.
constexpr size_t kMaxUidlBytes = 120;
constexpr const char* kTemporaryPrefix = ".part-";

uid_t User() {
    static const uid_t user = geteuid();
    return user;
}

bool IsTrustedFolder(const struct stat& info) {
    return S_ISDIR(info.st_mode) && info.st_uid == User() && (info.st_mode & 077) == 0;
}

// One link only: a second name would let something outside the cache change
// what the cache hands out.
bool IsTrustedEntry(const struct stat& info) {
    return S_ISREG(info.st_mode) && info.st_uid == User() && (info.st_mode & 077) == 0 &&
           info.st_nlink == 1;
}

int HexValue(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

// The UIDL an entry name stands for; empty when the name is no entry name.
std::string UidlOfEntryName(const std::string& name) {
    if (name.empty() || name.size() % 2 != 0 || name.size() > 2 * kMaxUidlBytes)
        return {};
    std::string uidl;
    for (size_t i = 0; i < name.size(); i += 2) {
        int high = HexValue(name[i]);
        int low = HexValue(name[i + 1]);
        if (high < 0 || low < 0)
            return {};
        uidl += static_cast<char>(high * 16 + low);
    }
    return uidl;
}

bool CopyFile(const std::string& from, const std::string& to) {
    int in = open(from.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
    if (in < 0)
        return false;
    int out = open(to.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, kFileMode);
    bool ok = out >= 0;
    char buffer[65536];
    while (ok) {
        ssize_t n = read(in, buffer, sizeof buffer);
        if (n == 0)
            break;
        ok = n > 0 && write(out, buffer, static_cast<size_t>(n)) == n;
    }
    close(in);
    if (out >= 0 && close(out) != 0)
        ok = false;
    if (!ok && out >= 0)
        unlink(to.c_str());
    return ok;
}

// The cycle's own file for a cache entry: a second name for it where the
// file system allows, else a copy.
bool HandOut(const std::string& entry, const std::string& target) {
    if (link(entry.c_str(), target.c_str()) == 0)
        return true;
    return errno != EEXIST && CopyFile(entry, target);
}

} // namespace

bool CMessageCache::Open(const std::string& path) {
    m_strPath.clear();
    struct stat info {};
    if (lstat(path.c_str(), &info) == 0 && !IsTrustedFolder(info)) {
        // A link, a file, someone else's folder or one others could write
        // into: its contents cannot be vouched for, so it starts afresh.
        std::error_code ec;
        std::filesystem::remove_all(path, ec);
    }
    if (mkdir(path.c_str(), kFolderMode) != 0 && errno != EEXIST)
        return false;
    if (lstat(path.c_str(), &info) != 0 || !IsTrustedFolder(info))
        return false;
    m_strPath = path;
    return true;
}

void CMessageCache::Prune(const std::unordered_set<std::string>& uidlsOnServer) const {
    if (!IsOpen())
        return;
    std::error_code ec;
    for (std::filesystem::directory_iterator it(m_strPath, ec), end; !ec && it != end;
         it.increment(ec)) {
        std::string name = it->path().filename().string();
        std::string uidl = UidlOfEntryName(name);
        if ((!uidl.empty() && uidlsOnServer.count(uidl) != 0) || name == CHeaderMemo::kIndexName)
            continue;
        std::error_code removeError;
        std::filesystem::remove_all(it->path(), removeError);
    }
}

bool CMessageCache::Deliver(const std::string& uidl, long long size,
                            const std::string& target) const {
    std::string entry = EntryPath(uidl);
    if (entry.empty())
        return false;
    struct stat info {};
    if (lstat(entry.c_str(), &info) != 0)
        return false;
    // A wrong size is a different message under a reused UIDL, or a damaged
    // entry: either way it is retrieved again.
    if (!IsTrustedEntry(info) || info.st_size != size) {
        std::error_code ec;
        std::filesystem::remove_all(entry, ec);
        return false;
    }
    return HandOut(entry, target);
}

std::string CMessageCache::TemporaryPath() const {
    static std::atomic<unsigned> counter{0};
    return m_strPath + "/" + kTemporaryPrefix + std::to_string(getpid()) + "-" +
           std::to_string(++counter);
}

bool CMessageCache::Adopt(const std::string& tempPath, const std::string& uidl,
                          const std::string& target) const {
    std::string entry = EntryPath(uidl);
    if (!entry.empty() && rename(tempPath.c_str(), entry.c_str()) == 0)
        return HandOut(entry, target);
    return rename(tempPath.c_str(), target.c_str()) == 0;
}

std::string CMessageCache::EntryName(const std::string& uidl) {
    static const char kDigits[] = "0123456789abcdef";
    if (uidl.empty() || uidl.size() > kMaxUidlBytes)
        return {};
    std::string name;
    name.reserve(uidl.size() * 2);
    for (unsigned char c : uidl) {
        name += kDigits[c >> 4];
        name += kDigits[c & 15];
    }
    return name;
}

std::string CMessageCache::EntryPath(const std::string& uidl) const {
    std::string name = EntryName(uidl);
    if (!IsOpen() || name.empty())
        return {};
    return m_strPath + "/" + name;
}
