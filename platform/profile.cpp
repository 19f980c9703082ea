#include "platform/profile.h"

#include "platform/paths.h"
#include "platform/textfile.h"

#include <climits>
#include <mutex>
#include <optional>
#include <sys/stat.h>
#include <vector>

namespace {

// The INI holds the password: only its owner may read it.
constexpr unsigned kIniFileMode = 0600;

// The forwarding cycle runs beside the window: it stores the marker while
// the window may store its position or the settings sheet the account. Each
// write reads the file, changes its keys and replaces the file; two at once
// would each keep only their own change. One write at a time in the process
// keeps both. (Another process never writes the same INI: the instance lock
// keeps to one copy per program folder.)
std::mutex g_writeMutex;

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

std::string_view TrimBlanks(std::string_view text) {
    while (!text.empty() && IsBlank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && IsBlank(text.back()))
        text.remove_suffix(1);
    return text;
}

bool EqualsIgnoreAsciiCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        char x = a[i], y = b[i];
        if (x >= 'a' && x <= 'z')
            x = static_cast<char>(x - 'a' + 'A');
        if (y >= 'a' && y <= 'z')
            y = static_cast<char>(y - 'a' + 'A');
        if (x != y)
            return false;
    }
    return true;
}

bool HasLineBreakOrNul(std::string_view text) {
    return text.find_first_of(std::string_view("\r\n\0", 3)) != std::string_view::npos;
}

bool FileExists(const std::string& path) {
    struct stat info {};
    return lstat(path.c_str(), &info) == 0;
}

std::optional<std::string_view> SectionName(std::string_view line) {
    line = TrimBlanks(line);
    if (line.empty() || line.front() != '[')
        return std::nullopt;
    std::size_t close = line.find(']');
    return TrimBlanks(line.substr(1, close == std::string_view::npos ? line.npos : close - 1));
}

struct KeyLine {
    std::string_view key;
    std::string_view value;
};

std::optional<KeyLine> ParseKeyLine(std::string_view line) {
    std::string_view trimmed = TrimBlanks(line);
    if (trimmed.empty() || trimmed.front() == ';')
        return std::nullopt;
    std::size_t equals = line.find('=');
    if (equals == std::string_view::npos)
        return std::nullopt;
    return KeyLine{TrimBlanks(line.substr(0, equals)), TrimBlanks(line.substr(equals + 1))};
}

// Where a key is in the file, or where it would go.
struct Location {
    std::optional<std::size_t> sectionLine;
    std::optional<std::size_t> keyLine;
    std::size_t insertLine = 0; // after the section's last non-empty line
};

Location Locate(const std::vector<std::string>& lines, std::string_view section,
                std::string_view key) {
    Location location;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        std::optional<std::string_view> name = SectionName(lines[i]);
        if (location.sectionLine) {
            if (name)
                break; // the first section of that name wins
            if (!TrimBlanks(lines[i]).empty())
                location.insertLine = i + 1;
            std::optional<KeyLine> keyLine = ParseKeyLine(lines[i]);
            if (keyLine && EqualsIgnoreAsciiCase(keyLine->key, key)) {
                location.keyLine = i; // the first key of that name wins
                break;
            }
        } else if (name && EqualsIgnoreAsciiCase(*name, section)) {
            location.sectionLine = i;
            location.insertLine = i + 1;
        }
    }
    return location;
}

std::string Unquote(std::string_view value) {
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
        value.back() == value.front())
        value = value.substr(1, value.size() - 2);
    return std::string(value);
}

// A value that starts or ends with a blank or a quote would not read back as
// written: the reader strips those. One pair of double quotes keeps it whole.
std::string Quote(std::string_view value) {
    if (value.empty())
        return std::string();
    auto needsQuotes = [](char c) { return IsBlank(c) || c == '"' || c == '\''; };
    if (needsQuotes(value.front()) || needsQuotes(value.back()))
        return "\"" + std::string(value) + "\"";
    return std::string(value);
}

// Sign and leading decimal digits; anything else reads as 0.
int ParseLeadingInt(std::string_view text) {
    bool negative = false;
    std::size_t i = 0;
    if (i < text.size() && (text[i] == '-' || text[i] == '+'))
        negative = text[i++] == '-';
    long long value = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        value = value * 10 + (text[i] - '0');
        if (value > static_cast<long long>(INT_MAX) + 1)
            value = static_cast<long long>(INT_MAX) + 1;
    }
    if (negative)
        value = -value;
    if (value > INT_MAX)
        value = INT_MAX;
    return static_cast<int>(value);
}

} // namespace

std::optional<std::string> CProfileSection::Find(std::string_view key) const {
    for (const auto& [name, value] : m_vKeys)
        if (EqualsIgnoreAsciiCase(name, key))
            return value;
    return std::nullopt;
}

void CProfileSection::Read(std::string_view key, std::string& value) const {
    if (std::optional<std::string> found = Find(key))
        value = std::move(*found);
}

void CProfileSection::Read(std::string_view key, int& value) const {
    if (std::optional<std::string> found = Find(key))
        value = ParseLeadingInt(*found);
}

CProfile::CProfile(std::string strPath) : m_strPath(std::move(strPath)) {}

CProfileSection CProfile::ReadSection(std::string_view section) const {
    CProfileSection result;
    std::optional<std::string> content = ReadWholeFile(m_strPath);
    if (!content)
        return result;
    bool bInSection = false;
    for (const std::string& line : SplitLines(*content)) {
        if (std::optional<std::string_view> name = SectionName(line)) {
            if (bInSection)
                break; // the first section of that name wins
            bInSection = EqualsIgnoreAsciiCase(*name, section);
            continue;
        }
        std::optional<KeyLine> keyLine = bInSection ? ParseKeyLine(line) : std::nullopt;
        if (keyLine && !result.Find(keyLine->key))
            result.m_vKeys.emplace_back(keyLine->key, Unquote(keyLine->value));
    }
    return result;
}

std::string CProfile::GetProfileString(std::string_view section, std::string_view key,
                                       std::string_view defaultValue) const {
    std::string value(defaultValue);
    ReadSection(section).Read(key, value);
    return value;
}

int CProfile::GetProfileInt(std::string_view section, std::string_view key,
                            int defaultValue) const {
    ReadSection(section).Read(key, defaultValue);
    return defaultValue;
}

bool CProfile::WriteProfileString(std::string_view section, std::string_view key,
                                  std::string_view value) {
    return WriteProfileStrings(section, {{key, value}});
}

bool CProfile::WriteProfileStrings(std::string_view section, const std::vector<KeyValue>& values) {
    // A line break would end the line early and let the rest of the value be
    // read as keys of its own.
    if (HasLineBreakOrNul(section) || section.find(']') != std::string_view::npos ||
        TrimBlanks(section).empty())
        return false;
    for (const auto& [key, value] : values) {
        if (HasLineBreakOrNul(key) || HasLineBreakOrNul(value) ||
            key.find('=') != std::string_view::npos || TrimBlanks(key).empty())
            return false;
    }

    std::lock_guard lock(g_writeMutex);
    // A file that exists but cannot be read must not be replaced by one
    // that holds only these keys.
    std::optional<std::string> old = ReadWholeFile(m_strPath);
    if (!old && FileExists(m_strPath))
        return false;
    std::vector<std::string> lines = SplitLines(old.value_or(std::string()));
    bool bChanged = false;
    for (const auto& [key, value] : values) {
        Location location = Locate(lines, section, key);
        if (location.keyLine && Unquote(ParseKeyLine(lines[*location.keyLine])->value) == value)
            continue; // reads as given already: the line stays as it is
        bChanged = true;
        std::string keyLine = std::string(key) + "=" + Quote(value);
        if (location.keyLine) {
            lines[*location.keyLine] = keyLine;
        } else if (location.sectionLine) {
            lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(location.insertLine), keyLine);
        } else {
            lines.push_back("[" + std::string(section) + "]");
            lines.push_back(keyLine);
        }
    }

    if (!bChanged)
        return true;
    std::string content;
    for (const std::string& line : lines)
        content += line + "\r\n";
    return WriteFileAtomically(m_strPath, content, kIniFileMode);
}

bool CProfile::WriteProfileInt(std::string_view section, std::string_view key, int value) {
    return WriteProfileString(section, key, std::to_string(value));
}
