#include "config/ForwardAddresses.h"

#include "platform/codepage.h"

#include <optional>
#include <set>
#include <variant>

namespace {

constexpr std::string_view kIdeographicSpaceUtf8 = "\xE3\x80\x80";
constexpr std::string_view kIdeographicSpaceCp932 = "\x81\x40";

bool IsControl(unsigned char c) {
    return (c < 0x20 && c != '\t') || c == 0x7F;
}

// The blank at the start of text, 0 when there is none (UTF-8).
std::size_t LeadingBlankLength(std::string_view text) {
    if (!text.empty() && (text.front() == ' ' || text.front() == '\t'))
        return 1;
    return text.starts_with(kIdeographicSpaceUtf8) ? kIdeographicSpaceUtf8.size() : 0;
}

std::size_t TrailingBlankLength(std::string_view text) {
    if (!text.empty() && (text.back() == ' ' || text.back() == '\t'))
        return 1;
    return text.ends_with(kIdeographicSpaceUtf8) ? kIdeographicSpaceUtf8.size() : 0;
}

std::string_view TrimBlanks(std::string_view text) {
    while (std::size_t n = LeadingBlankLength(text))
        text.remove_prefix(n);
    while (std::size_t n = TrailingBlankLength(text))
        text.remove_suffix(n);
    return text;
}

// Walks a text keeping track of double quotes (with backslash escapes inside
// them), so that separators inside a quoted name are not taken as such.
class CQuoteTracker {
public:
    // Feeds text[i]; true when it stands outside quotes and is no escaped byte.
    bool IsStructural(std::string_view text, std::size_t& i) {
        char c = text[i];
        if (m_bInQuote && c == '\\') {
            ++i; // the escaped byte never ends the quote
            return false;
        }
        if (c == '"') {
            m_bInQuote = !m_bInQuote;
            return false;
        }
        return !m_bInQuote;
    }
    bool InQuote() const { return m_bInQuote; }

private:
    bool m_bInQuote = false;
};

// The entries of a line: split at commas outside quotes and angle brackets.
std::vector<std::string_view> SplitEntries(std::string_view line) {
    std::vector<std::string_view> entries;
    CQuoteTracker quotes;
    bool bInAngle = false;
    std::size_t start = 0;
    for (std::size_t i = 0; i < line.size(); ++i) {
        if (!quotes.IsStructural(line, i))
            continue;
        if (line[i] == '<')
            bInAngle = true;
        else if (line[i] == '>')
            bInAngle = false;
        else if (line[i] == ',' && !bInAngle) {
            entries.push_back(line.substr(start, i - start));
            start = i + 1;
        }
    }
    entries.push_back(line.substr(start));
    return entries;
}

using EntryResult = std::variant<std::string, AddressLineProblem>;

// "addr", "Name <addr>" or "\"Quoted, Name\" <addr>".
EntryResult ParseEntry(std::string_view entry) {
    for (unsigned char c : entry)
        if (IsControl(c))
            return AddressLineProblem::ControlCharacter;
    CQuoteTracker quotes;
    std::optional<std::size_t> open;
    for (std::size_t i = 0; i < entry.size() && !open; ++i)
        if (quotes.IsStructural(entry, i) && entry[i] == '<')
            open = i;
    if (quotes.InQuote())
        return AddressLineProblem::Unclosed;
    std::string_view address = entry;
    if (open) {
        std::size_t close = entry.find('>', *open);
        if (close == std::string_view::npos)
            return AddressLineProblem::Unclosed;
        if (!TrimBlanks(entry.substr(close + 1)).empty())
            return AddressLineProblem::NotAnAddress;
        address = TrimBlanks(entry.substr(*open + 1, close - *open - 1));
    }
    if (!IsUsableMailAddress(address))
        return AddressLineProblem::NotAnAddress;
    return std::string(address);
}

// The entry as the log shows it: no control character can break the log's line.
std::string Printable(std::string_view entry) {
    std::string out(entry);
    for (char& c : out)
        if (IsControl(static_cast<unsigned char>(c)))
            c = '?';
    return out;
}

bool IsAtext(char c) {
    if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9'))
        return true;
    return std::string_view("!#$%&'*+-/=?^_`{|}~").find(c) != std::string_view::npos;
}

bool IsDomainChar(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' ||
           c == '.' || c == '_';
}

} // namespace

bool IsUsableMailAddress(std::string_view address) {
    std::size_t at = address.find('@');
    if (at == 0 || at == std::string_view::npos || at + 1 == address.size())
        return false;
    for (char c : address.substr(0, at))
        if (!IsAtext(c) && c != '.')
            return false;
    for (char c : address.substr(at + 1))
        if (!IsDomainChar(c))
            return false;
    return true;
}

ForwardAddressList ParseForwardAddresses(const std::vector<std::string>& linesCp932) {
    ForwardAddressList list;
    std::set<std::string> seen; // lower-cased: Phone@X and phone@x reach one mailbox
    for (std::size_t i = 0; i < linesCp932.size(); ++i) {
        // In UTF-8 every byte of a multibyte character is 0x80 or above, so
        // '@', '\\', '"' and ',' below are always characters of their own.
        const std::string line = Cp932ToUtf8(linesCp932[i]);
        const std::string_view trimmed = TrimBlanks(line);
        if (trimmed.empty() || trimmed.front() == '#')
            continue;
        const int nLine = static_cast<int>(i + 1);
        bool bAnyEntry = false;
        for (std::string_view entry : SplitEntries(trimmed)) {
            entry = TrimBlanks(entry);
            if (entry.empty())
                continue; // "a@x, b@y," or "a@x,,b@y"
            bAnyEntry = true;
            EntryResult result = ParseEntry(entry);
            if (const auto* problem = std::get_if<AddressLineProblem>(&result))
                list.unusable.push_back({nLine, Printable(entry), *problem});
            else if (seen.insert(LowerAscii(std::get<std::string>(result))).second)
                list.addresses.push_back(std::move(std::get<std::string>(result)));
        }
        if (!bAnyEntry)
            list.unusable.push_back({nLine, Printable(trimmed), AddressLineProblem::NotAnAddress});
    }
    return list;
}

std::string TrimMailAddress(std::string_view addressCp932) {
    auto blankAt = [&](std::size_t offset) -> std::size_t {
        std::string_view rest = addressCp932.substr(offset);
        if (!rest.empty() && (rest.front() == ' ' || rest.front() == '\t'))
            return 1;
        return rest.starts_with(kIdeographicSpaceCp932) ? kIdeographicSpaceCp932.size() : 0;
    };
    // Forward by characters, so the end of a double-byte character whose
    // trail byte is 0x40 is never taken for a blank.
    std::size_t start = 0;
    while (std::size_t n = blankAt(start))
        start += n;
    std::size_t end = start;
    for (std::size_t i = start; i < addressCp932.size();) {
        std::size_t length = blankAt(i);
        if (length == 0) {
            length = Cp932CharLength(addressCp932, i);
            end = i + length;
        }
        i += length;
    }
    return std::string(addressCp932.substr(start, end - start));
}
