#include "engine/maillib/CHeaderMemo.h"

#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <unordered_set>

namespace {

// Changes whenever the way header fields are rendered changes, so a memo of
// an older rendering is not taken for the current one.
constexpr const char* kMagic = "QUIBEN-HEADERS 1\n";
// A few hundred records of a few hundred bytes; anything far bigger is no memo.
constexpr off_t kMaxIndexBytes = 8 << 20;

bool ReadTrustedFile(const std::string& path, std::string& content) {
    int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
    if (fd < 0)
        return false;
    struct stat info {};
    bool ok = fstat(fd, &info) == 0 && S_ISREG(info.st_mode) && info.st_uid == geteuid() &&
              (info.st_mode & 077) == 0 && info.st_nlink == 1 && info.st_size <= kMaxIndexBytes;
    if (ok) {
        content.resize(static_cast<size_t>(info.st_size));
        ok = read(fd, content.data(), content.size()) == static_cast<ssize_t>(content.size());
    }
    close(fd);
    return ok;
}

// Not flushed to disk, unlike the settings: a lost index costs only the time
// to parse the headers once more.
bool WriteNewFile(const std::string& path, const std::string& content) {
    int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0)
        return false;
    bool ok = write(fd, content.data(), content.size()) == static_cast<ssize_t>(content.size());
    if (close(fd) != 0)
        ok = false;
    if (!ok)
        unlink(path.c_str());
    return ok;
}

// Reads the index format: numbers end with a line break; a text is its
// length, a line break, its bytes and a line break, so any byte may appear.
class CIndexReader {
public:
    explicit CIndexReader(const std::string& content) : m_strContent(content) {}

    bool AtEnd() const { return m_nAt == m_strContent.size(); }

    bool Number(unsigned long long& value) {
        size_t end = m_strContent.find('\n', m_nAt);
        if (end == std::string::npos || end == m_nAt || end - m_nAt > 19)
            return false;
        value = 0;
        for (size_t i = m_nAt; i < end; ++i) {
            if (m_strContent[i] < '0' || m_strContent[i] > '9')
                return false;
            value = value * 10 + static_cast<unsigned>(m_strContent[i] - '0');
        }
        m_nAt = end + 1;
        return true;
    }

    bool Text(std::string& text) {
        unsigned long long length = 0;
        if (!Number(length) || length >= m_strContent.size() - m_nAt ||
            m_strContent[m_nAt + length] != '\n')
            return false;
        text.assign(m_strContent, m_nAt, length);
        m_nAt += length + 1;
        return true;
    }

private:
    const std::string& m_strContent;
    size_t m_nAt = 0;
};

void AppendNumber(std::string& out, unsigned long long value) {
    out += std::to_string(value);
    out += '\n';
}

void AppendText(std::string& out, const std::string& text) {
    AppendNumber(out, text.size());
    out += text;
    out += '\n';
}

} // namespace

CHeaderMemo& CHeaderMemo::Instance() {
    static CHeaderMemo memo;
    return memo;
}

CHeaderMemo::~CHeaderMemo() {
    Flush();
}

CHeaderMemo::CFileStamp CHeaderMemo::StampOf(const struct stat& info) {
    CFileStamp stamp;
    stamp.nDevice = info.st_dev;
    stamp.nInode = info.st_ino;
    stamp.nSize = info.st_size;
    stamp.nModified =
        static_cast<long long>(info.st_mtim.tv_sec) * 1000000000LL + info.st_mtim.tv_nsec;
    return stamp;
}

void CHeaderMemo::Open(const std::string& cacheFolder) {
    Flush();
    m_strCacheFolder = cacheFolder;
}

void CHeaderMemo::Flush() {
    // Records of messages this cycle did not get have left the server or
    // the newest messages; they go.
    if (m_bLoaded) {
        std::unordered_set<std::string> handedOut;
        for (const auto& [path, handout] : m_mapHandouts)
            handedOut.insert(handout.strUidl);
        for (auto it = m_mapRecords.begin(); it != m_mapRecords.end();) {
            if (handedOut.count(it->first) != 0) {
                ++it;
            } else {
                it = m_mapRecords.erase(it);
                m_bChanged = true;
            }
        }
    }
    if (m_bChanged && !m_strCacheFolder.empty()) {
        std::string index = m_strCacheFolder + "/" + kIndexName;
        std::string temp = index + ".part-" + std::to_string(getpid());
        unlink(temp.c_str());
        if (WriteNewFile(temp, Serialize()) && rename(temp.c_str(), index.c_str()) != 0)
            unlink(temp.c_str());
    }
    m_strCacheFolder.clear();
    m_mapRecords.clear();
    m_mapHandouts.clear();
    m_bLoaded = false;
    m_bChanged = false;
}

void CHeaderMemo::Remember(const std::string& receivedPath, const std::string& uidl,
                           const struct stat& info) {
    if (!m_strCacheFolder.empty())
        m_mapHandouts[receivedPath] = CHandout{uidl, StampOf(info)};
}

const CHeaderMemo::CHandout* CHeaderMemo::StillHandedOut(const std::string& receivedPath) const {
    auto found = m_mapHandouts.find(receivedPath);
    struct stat info {};
    if (found == m_mapHandouts.end() || lstat(receivedPath.c_str(), &info) != 0 ||
        !S_ISREG(info.st_mode) || !(StampOf(info) == found->second.stamp))
        return nullptr;
    return &found->second;
}

bool CHeaderMemo::Recall(const std::string& receivedPath, std::vector<std::string>& fields) {
    const CHandout* handout = StillHandedOut(receivedPath);
    if (handout == nullptr)
        return false;
    Load();
    auto found = m_mapRecords.find(handout->strUidl);
    if (found == m_mapRecords.end() || !(found->second.stamp == handout->stamp))
        return false;
    fields = found->second.fields;
    return true;
}

void CHeaderMemo::Keep(const std::string& receivedPath, const std::vector<std::string>& fields) {
    const CHandout* handout = StillHandedOut(receivedPath);
    if (handout == nullptr)
        return;
    Load();
    m_mapRecords[handout->strUidl] = CRecord{handout->stamp, fields};
    m_bChanged = true;
}

void CHeaderMemo::Load() {
    if (m_bLoaded)
        return;
    m_bLoaded = true;
    std::string content;
    std::string magic = kMagic;
    if (m_strCacheFolder.empty() ||
        !ReadTrustedFile(m_strCacheFolder + "/" + kIndexName, content) ||
        content.compare(0, magic.size(), magic) != 0)
        return;
    std::string body = content.substr(magic.size());
    CIndexReader reader(body);
    std::unordered_map<std::string, CRecord> records;
    while (!reader.AtEnd()) {
        std::string uidl;
        CRecord record;
        unsigned long long device = 0, inode = 0, size = 0, modified = 0, count = 0;
        if (!reader.Text(uidl) || !reader.Number(device) || !reader.Number(inode) ||
            !reader.Number(size) || !reader.Number(modified) || !reader.Number(count))
            return; // a damaged index is ignored whole and written anew
        record.stamp = CFileStamp{static_cast<dev_t>(device), static_cast<ino_t>(inode),
                                  static_cast<off_t>(size), static_cast<long long>(modified)};
        for (unsigned long long i = 0; i < count; ++i) {
            std::string field;
            if (!reader.Text(field))
                return;
            record.fields.push_back(std::move(field));
        }
        records[uidl] = std::move(record);
    }
    m_mapRecords = std::move(records);
}

std::string CHeaderMemo::Serialize() const {
    std::string out = kMagic;
    for (const auto& [uidl, record] : m_mapRecords) {
        AppendText(out, uidl);
        AppendNumber(out, static_cast<unsigned long long>(record.stamp.nDevice));
        AppendNumber(out, static_cast<unsigned long long>(record.stamp.nInode));
        AppendNumber(out, static_cast<unsigned long long>(record.stamp.nSize));
        AppendNumber(out, static_cast<unsigned long long>(record.stamp.nModified));
        AppendNumber(out, record.fields.size());
        for (const std::string& field : record.fields)
            AppendText(out, field);
    }
    return out;
}
