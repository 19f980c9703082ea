#include "engine/maillib/CMailboxStates.h"

#include "engine/maillib/ImapText.h"
#include "platform/CStateFile.h"

#include <charconv>
#include <string_view>
#include <vector>

namespace {

constexpr const char* kMagic = "QUIBEN-MAILBOXES 1";
// kMaxMailboxes lines of a few hundred bytes; anything far bigger is no record.
constexpr std::size_t kMaxFileBytes = 64 * 1024;

struct CLine {
    std::string strMailbox; // as stored (percent-encoded)
    CImapStatus status;
};

std::string PathIn(const std::string& privateFolder) {
    return privateFolder + "/" + CMailboxStates::kFileName;
}

// The file's lines; none when it is missing, damaged or not to be trusted.
std::vector<CLine> ReadLines(const std::string& path) {
    std::string content;
    if (!ReadStateFile(path, kMaxFileBytes, content).IsOk())
        return {};
    std::vector<CLine> lines;
    std::string_view rest = content;
    bool first = true;
    while (!rest.empty()) {
        std::size_t end = rest.find('\n');
        if (end == std::string_view::npos)
            return {}; // cut short
        std::string_view line = rest.substr(0, end);
        rest.remove_prefix(end + 1);
        if (first) {
            if (line != kMagic)
                return {};
            first = false;
            continue;
        }
        CLine parsed;
        unsigned long long numbers[3] = {};
        const char* at = line.data();
        const char* last = line.data() + line.size();
        for (unsigned long long& number : numbers) {
            auto [next, ec] = std::from_chars(at, last, number);
            if (ec != std::errc() || next == last || *next != ' ')
                return {};
            at = next + 1;
        }
        parsed.status = {numbers[0], numbers[1], static_cast<long long>(numbers[2])};
        parsed.strMailbox.assign(at, last);
        if (parsed.strMailbox.empty() || parsed.strMailbox.find(' ') != std::string::npos)
            return {};
        lines.push_back(std::move(parsed));
    }
    return lines;
}

std::string Serialize(const std::vector<CLine>& lines) {
    std::string out = std::string(kMagic) + "\n";
    for (const CLine& line : lines)
        out += std::to_string(line.status.nUidValidity) + " " +
               std::to_string(line.status.nUidNext) + " " + std::to_string(line.status.nMessages) +
               " " + line.strMailbox + "\n";
    return out;
}

} // namespace

CMailboxStates& CMailboxStates::Instance() {
    static CMailboxStates states;
    return states;
}

std::optional<CImapStatus> CMailboxStates::Handled(const std::string& privateFolder,
                                                   const std::string& mailbox) const {
    const std::string stored = EncodeUrlPath(mailbox);
    for (const CLine& line : ReadLines(PathIn(privateFolder)))
        if (line.strMailbox == stored)
            return line.status;
    return std::nullopt;
}

void CMailboxStates::NoteListed(const std::string& mailbox, const CImapStatus& status) {
    std::lock_guard lock(m_mutex);
    if (status.IsComplete())
        m_listed[mailbox] = status;
    else
        m_listed.erase(mailbox);
}

bool CMailboxStates::MarkHandled(const std::string& privateFolder, const std::string& mailbox) {
    CImapStatus status;
    {
        std::lock_guard lock(m_mutex);
        auto found = m_listed.find(mailbox);
        if (found == m_listed.end())
            return true;
        status = found->second;
        m_listed.erase(found);
    }
    const std::string stored = EncodeUrlPath(mailbox);
    const std::string path = PathIn(privateFolder);
    std::vector<CLine> lines = ReadLines(path);
    std::erase_if(lines, [&stored](const CLine& line) { return line.strMailbox == stored; });
    lines.insert(lines.begin(), CLine{stored, status});
    if (lines.size() > kMaxMailboxes)
        lines.resize(kMaxMailboxes);
    return ReplaceStateFile(path, Serialize(lines), 0600).IsOk();
}
