#include "engine/CDeliveryRecord.h"

#include "engine/maillib/maillib.h"
#include "platform/CStateFile.h"
#include "platform/codepage.h"
#include "platform/textfile.h"

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <cstdio>
#include <cstring>

namespace {

constexpr const char* kMagic = "QUIBEN-DELIVERY 1";
constexpr std::string_view kMailboxTag = "mailbox ";
constexpr std::string_view kDoneTag = "done ";
constexpr std::string_view kPendingTag = "pending ";
// It may hold addresses and subjects: private to its owner.
constexpr unsigned kRecordMode = 0600;
// The listed messages, a thousand more and the addresses and subjects of
// the pending ones fit many times over; anything far bigger is no record of
// ours.
constexpr std::size_t kMaxRecordBytes = 8 << 20;
// Enough to name a message in the log.
constexpr std::size_t kMaxSubjectBytes = 200;

// What stood in the way, for the log: the system's words for a failure.
std::string Describe(const StateFileStatus& status) {
    if (status.problem == StateFileProblem::Failed && status.nErrno != 0)
        return std::strerror(status.nErrno);
    return status.Reason();
}

// The next blank-separated word of a line; empty when there is none.
std::string_view TakeWord(std::string_view& line) {
    std::size_t end = line.find(' ');
    std::string_view word = line.substr(0, end);
    line.remove_prefix(end == std::string_view::npos ? line.size() : end + 1);
    return word;
}

bool ParseTime(std::string_view text, std::time_t& value) {
    long long number = 0;
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), number);
    value = static_cast<std::time_t>(number);
    return ec == std::errc() && end == text.data() + text.size() && number >= 0;
}

// Keys are printable ASCII without blanks (a UIDL may hold a comma);
// addresses are that without commas too.
bool IsKey(std::string_view text) {
    return !text.empty() &&
           std::all_of(text.begin(), text.end(), [](char c) { return c > ' ' && c < 0x7F; });
}

bool IsAddress(std::string_view text) {
    return IsKey(text) && text.find(',') == std::string_view::npos;
}

std::vector<std::string> SplitAddresses(std::string_view list) {
    std::vector<std::string> addresses;
    while (!list.empty()) {
        std::size_t comma = list.find(',');
        addresses.emplace_back(list.substr(0, comma));
        list.remove_prefix(comma == std::string_view::npos ? list.size() : comma + 1);
    }
    return addresses;
}

// FNV-1a, 64 bits: stable across builds, unlike std::hash.
std::uint64_t Digest(std::string_view text) {
    std::uint64_t hash = 14695981039346656037ULL;
    for (unsigned char c : text) {
        hash ^= c;
        hash *= 1099511628211ULL;
    }
    return hash;
}

} // namespace

CDeliveryRecord::CDeliveryRecord(std::string strPath) : m_strPath(std::move(strPath)) {}

CDeliveryRecord::ELoad CDeliveryRecord::Load(const std::string& strMailboxText,
                                             std::string& strProblem) {
    // Compared as the file holds it, on one line.
    const std::string strMailbox = BlankControls(strMailboxText);
    m_entries.clear();
    std::string content;
    StateFileStatus status = ReadStateFile(m_strPath, kMaxRecordBytes, content);
    bool bParsed = status.IsOk() && Parse(content, strMailbox, strProblem);
    if (bParsed && m_strMailbox == strMailbox) {
        m_bChanged = false;
        return ELoad::Loaded;
    }
    // The record of another mailbox says nothing about this one's messages;
    // it is replaced by this one's at the next save.
    m_entries.clear();
    m_strMailbox = strMailbox;
    m_bChanged = true;
    if (bParsed || status.problem == StateFileProblem::Missing)
        return ELoad::Missing;
    if (!status.IsOk())
        strProblem = Describe(status);
    return ELoad::Unusable;
}

bool CDeliveryRecord::Parse(const std::string& content, const std::string& strMailbox,
                            std::string& strProblem) {
    std::vector<std::string> lines = SplitLines(content);
    if (lines.size() < 2 || lines[0] != kMagic || !lines[1].starts_with(kMailboxTag)) {
        strProblem = "配送記録の形式ではありません";
        return false;
    }
    m_strMailbox = lines[1].substr(kMailboxTag.size());
    if (m_strMailbox != strMailbox)
        return true; // another mailbox's entries are not looked at
    for (std::size_t i = 2; i < lines.size(); ++i) {
        std::string_view line = lines[i];
        if (line.empty())
            continue;
        bool bPending = line.starts_with(kPendingTag);
        if (!bPending && !line.starts_with(kDoneTag)) {
            strProblem = std::to_string(i + 1) + "行目が読めません";
            return false;
        }
        TakeWord(line);
        Entry entry;
        bool bOk = ParseTime(TakeWord(line), entry.tFirstSeen);
        std::string_view key = TakeWord(line);
        bOk = bOk && IsKey(key);
        if (bPending) {
            entry.pending = SplitAddresses(TakeWord(line));
            entry.strSubject = std::string(line);
            bOk = bOk && !entry.pending.empty() &&
                  std::all_of(entry.pending.begin(), entry.pending.end(), IsAddress);
        } else {
            bOk = bOk && line.empty();
        }
        if (!bOk) {
            strProblem = std::to_string(i + 1) + "行目が読めません";
            return false;
        }
        m_entries[std::string(key)] = std::move(entry);
    }
    return true;
}

std::string CDeliveryRecord::Serialize() const {
    std::string out = std::string(kMagic) + "\r\n";
    out.append(kMailboxTag).append(BlankControls(m_strMailbox)).append("\r\n");
    for (const auto& [key, entry] : m_entries) {
        out.append(entry.IsDone() ? kDoneTag : kPendingTag);
        out.append(std::to_string(static_cast<long long>(entry.tFirstSeen))).append(" ");
        out.append(key);
        if (!entry.IsDone()) {
            out.append(" ");
            for (std::size_t i = 0; i < entry.pending.size(); ++i)
                out.append(i == 0 ? "" : ",").append(entry.pending[i]);
            out.append(" ").append(Utf8Truncate(BlankControls(entry.strSubject), kMaxSubjectBytes));
        }
        out.append("\r\n");
    }
    return out;
}

bool CDeliveryRecord::Save(std::string& strProblem) {
    StateFileStatus status = ReplaceStateFile(m_strPath, Serialize(), kRecordMode);
    if (!status.IsOk()) {
        strProblem = Describe(status);
        return false;
    }
    m_bChanged = false;
    return true;
}

const CDeliveryRecord::Entry* CDeliveryRecord::Find(const std::string& key) const {
    auto found = m_entries.find(key);
    return found == m_entries.end() ? nullptr : &found->second;
}

bool CDeliveryRecord::HasKeyOfSource(const std::string& prefix) const {
    return std::any_of(m_entries.begin(), m_entries.end(),
                       [&prefix](const auto& entry) { return entry.first.starts_with(prefix); });
}

bool CDeliveryRecord::HasPending() const {
    return std::any_of(m_entries.begin(), m_entries.end(),
                       [](const auto& entry) { return !entry.second.IsDone(); });
}

void CDeliveryRecord::MarkDone(const std::string& key, std::time_t tFirstSeen) {
    m_entries[key] = Entry{tFirstSeen, {}, {}};
    m_bChanged = true;
}

void CDeliveryRecord::SetPending(const std::string& key, Entry entry) {
    if (entry.IsDone())
        entry.strSubject.clear();
    m_entries[key] = std::move(entry);
    m_bChanged = true;
}

void CDeliveryRecord::Serve(const std::string& key, const std::string& address) {
    auto found = m_entries.find(key);
    if (found == m_entries.end())
        return;
    Entry& entry = found->second;
    if (std::erase(entry.pending, address) != 0 && entry.IsDone())
        entry.strSubject.clear();
    m_bChanged = true;
}

std::vector<CDeliveryRecord::Entry>
CDeliveryRecord::Prune(const std::unordered_set<std::string>& listedKeys,
                       std::size_t nKeepUnlisted) {
    std::vector<Entry> givenUp;
    std::vector<std::pair<std::time_t, std::string>> unlisted;
    for (auto& [key, entry] : m_entries) {
        if (listedKeys.count(key) != 0)
            continue;
        if (!entry.IsDone()) {
            givenUp.push_back(entry);
            entry = Entry{entry.tFirstSeen, {}, {}};
            m_bChanged = true;
        }
        unlisted.emplace_back(entry.tFirstSeen, key);
    }
    if (unlisted.size() > nKeepUnlisted) {
        // The oldest go first.
        std::sort(unlisted.begin(), unlisted.end());
        for (std::size_t i = 0; i < unlisted.size() - nKeepUnlisted; ++i)
            m_entries.erase(unlisted[i].second);
        m_bChanged = true;
    }
    return givenUp;
}

std::string CDeliveryRecord::KeyOfUidl(const std::string& uidl) {
    return uidl.starts_with(kImapSource) ? uidl : kUidlSource + uidl;
}

std::string CDeliveryRecord::KeyOfHeader(long long nSize, const CMessageHeader& header) {
    std::string identity = std::to_string(nSize);
    for (const std::string* field :
         {&header.strFrom, &header.strDate, &header.strSubject, &header.strMessageId})
        identity.append("\n").append(*field);
    char hex[17];
    std::snprintf(hex, sizeof hex, "%016llx", static_cast<unsigned long long>(Digest(identity)));
    return std::string("head:") + hex;
}
