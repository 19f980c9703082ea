#include "engine/maillib/CHeaderMemo.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Changes whenever the way header fields are rendered changes, so a memo of
// an older rendering is not taken for the current one.
constexpr const char* kMagic = "QUIBEN-HEADERS 2\n";
// A few hundred records of a few hundred bytes; anything far bigger is no memo.
constexpr off_t kMaxIndexBytes = 8 << 20;

bool ReadTrustedFile(const std::string& path, std::string& content) {
    // Non-blocking: a FIFO in the index's place must not hang the cycle.
    int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
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

void CHeaderMemo::Open(const std::string& cacheFolder, std::unordered_set<std::string> uidls) {
    Flush();
    m_strCacheFolder = cacheFolder;
    m_setListed = std::move(uidls);
}

void CHeaderMemo::Flush() {
    // Records of messages the last receive did not list have left the
    // server or the newest messages; they go.
    if (m_bLoaded) {
        std::erase_if(m_mapRecords, [this](const auto& record) {
            bool gone = m_setListed.count(record.first) == 0;
            m_bChanged = m_bChanged || gone;
            return gone;
        });
    }
    if (m_bChanged && !m_strCacheFolder.empty()) {
        std::string index = m_strCacheFolder + "/" + kIndexName;
        std::string temp = index + ".part-" + std::to_string(getpid());
        unlink(temp.c_str());
        if (WriteNewFile(temp, Serialize()) && rename(temp.c_str(), index.c_str()) != 0)
            unlink(temp.c_str());
    }
    m_strCacheFolder.clear();
    m_setListed.clear();
    m_mapRecords.clear();
    m_bLoaded = false;
    m_bChanged = false;
}

bool CHeaderMemo::Covers(const CReceivedMessage& message) const {
    return !m_strCacheFolder.empty() && m_setListed.count(message.strUidl) != 0;
}

bool CHeaderMemo::Recall(const CReceivedMessage& message, CMessageHeader& header) {
    if (!Covers(message))
        return false;
    Load();
    auto found = m_mapRecords.find(message.strUidl);
    if (found == m_mapRecords.end() || found->second.nSize != message.nSize)
        return false;
    header = found->second.header;
    return true;
}

void CHeaderMemo::Keep(const CReceivedMessage& message, const CMessageHeader& header) {
    if (!Covers(message))
        return;
    Load();
    m_mapRecords[message.strUidl] = CRecord{message.nSize, header};
    m_bChanged = true;
}

void CHeaderMemo::Load() {
    if (m_bLoaded)
        return;
    m_bLoaded = true;
    std::string content;
    std::string magic = kMagic;
    if (!ReadTrustedFile(m_strCacheFolder + "/" + kIndexName, content) ||
        content.compare(0, magic.size(), magic) != 0)
        return;
    std::string body = content.substr(magic.size());
    CIndexReader reader(body);
    std::unordered_map<std::string, CRecord> records;
    while (!reader.AtEnd()) {
        std::string uidl;
        CRecord record;
        unsigned long long size = 0;
        CMessageHeader& header = record.header;
        if (!reader.Text(uidl) || !reader.Number(size) || !reader.Text(header.strFrom) ||
            !reader.Text(header.strDate) || !reader.Text(header.strSubject) ||
            !reader.Text(header.strMessageId))
            return; // a damaged index is ignored whole and written anew
        record.nSize = static_cast<long long>(size);
        records[uidl] = std::move(record);
    }
    m_mapRecords = std::move(records);
}

std::string CHeaderMemo::Serialize() const {
    std::string out = kMagic;
    for (const auto& [uidl, record] : m_mapRecords) {
        AppendText(out, uidl);
        AppendNumber(out, static_cast<unsigned long long>(record.nSize));
        for (const std::string* field : {&record.header.strFrom, &record.header.strDate,
                                         &record.header.strSubject, &record.header.strMessageId})
            AppendText(out, *field);
    }
    return out;
}
