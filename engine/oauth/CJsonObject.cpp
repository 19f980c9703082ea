#include "engine/oauth/CJsonObject.h"

#include <charconv>

namespace {

// Deeper nesting than this is no answer of a provider; it also bounds the
// recursion a hostile answer could cause.
constexpr int kMaxDepth = 16;

class CJsonReader {
public:
    explicit CJsonReader(std::string_view text) : m_text(text) {}

    bool AtEnd() {
        SkipBlanks();
        return m_nPos == m_text.size();
    }

    bool Take(char c) {
        SkipBlanks();
        if (m_nPos < m_text.size() && m_text[m_nPos] == c) {
            ++m_nPos;
            return true;
        }
        return false;
    }

    char Peek() {
        SkipBlanks();
        return m_nPos < m_text.size() ? m_text[m_nPos] : '\0';
    }

    bool ReadString(std::string& out);
    // A number or literal; its text in out.
    bool ReadScalar(std::string& out);
    bool SkipValue(int depth);

private:
    void SkipBlanks() {
        while (m_nPos < m_text.size() && (m_text[m_nPos] == ' ' || m_text[m_nPos] == '\t' ||
                                          m_text[m_nPos] == '\n' || m_text[m_nPos] == '\r'))
            ++m_nPos;
    }
    bool ReadHex4(unsigned& value);
    bool ReadEscape(std::string& out);

    std::string_view m_text;
    size_t m_nPos = 0;
};

void AppendUtf8(std::string& out, unsigned code) {
    if (code < 0x80) {
        out += static_cast<char>(code);
    } else if (code < 0x800) {
        out += static_cast<char>(0xC0 | (code >> 6));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
        out += static_cast<char>(0xE0 | (code >> 12));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (code >> 18));
        out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    }
}

bool CJsonReader::ReadHex4(unsigned& value) {
    if (m_text.size() - m_nPos < 4)
        return false;
    auto [end, ec] = std::from_chars(m_text.data() + m_nPos, m_text.data() + m_nPos + 4, value, 16);
    if (ec != std::errc() || end != m_text.data() + m_nPos + 4)
        return false;
    m_nPos += 4;
    return true;
}

bool CJsonReader::ReadEscape(std::string& out) {
    if (m_nPos >= m_text.size())
        return false;
    char c = m_text[m_nPos++];
    switch (c) {
    case '"':
    case '\\':
    case '/':
        out += c;
        return true;
    case 'b':
        out += '\b';
        return true;
    case 'f':
        out += '\f';
        return true;
    case 'n':
        out += '\n';
        return true;
    case 'r':
        out += '\r';
        return true;
    case 't':
        out += '\t';
        return true;
    case 'u':
        break;
    default:
        return false;
    }
    unsigned code = 0;
    if (!ReadHex4(code))
        return false;
    // A lone half of a surrogate pair is no character: refused, so the text
    // stays valid UTF-8.
    if (code >= 0xDC00 && code <= 0xDFFF)
        return false;
    if (code >= 0xD800 && code <= 0xDBFF) {
        unsigned low = 0;
        if (m_text.substr(m_nPos, 2) != "\\u")
            return false;
        m_nPos += 2;
        if (!ReadHex4(low) || low < 0xDC00 || low > 0xDFFF)
            return false;
        code = 0x10000 + ((code - 0xD800) << 10) + (low - 0xDC00);
    }
    AppendUtf8(out, code);
    return true;
}

bool CJsonReader::ReadString(std::string& out) {
    out.clear();
    if (!Take('"'))
        return false;
    while (m_nPos < m_text.size()) {
        char c = m_text[m_nPos++];
        if (c == '"')
            return true;
        if (static_cast<unsigned char>(c) < 0x20)
            return false;
        if (c != '\\')
            out += c;
        else if (!ReadEscape(out))
            return false;
    }
    return false;
}

bool CJsonReader::ReadScalar(std::string& out) {
    SkipBlanks();
    size_t start = m_nPos;
    while (m_nPos < m_text.size()) {
        char c = m_text[m_nPos];
        bool part = (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || c == '-' || c == '+' ||
                    c == '.' || c == 'E';
        if (!part)
            break;
        ++m_nPos;
    }
    out = std::string(m_text.substr(start, m_nPos - start));
    if (out == "true" || out == "false" || out == "null")
        return true;
    double number = 0;
    auto [end, ec] = std::from_chars(out.data(), out.data() + out.size(), number);
    return !out.empty() && ec == std::errc() && end == out.data() + out.size();
}

bool CJsonReader::SkipValue(int depth) {
    if (depth > kMaxDepth)
        return false;
    std::string ignored;
    char open = Peek();
    if (open == '"')
        return ReadString(ignored);
    if (open != '{' && open != '[')
        return ReadScalar(ignored);
    char close = open == '{' ? '}' : ']';
    Take(open);
    if (Take(close))
        return true;
    do {
        if (open == '{' && !(ReadString(ignored) && Take(':')))
            return false;
        if (!SkipValue(depth + 1))
            return false;
    } while (Take(','));
    return Take(close);
}

} // namespace

bool CJsonObject::Parse(std::string_view text) {
    m_members.clear();
    CJsonReader reader(text);
    bool ok = reader.Take('{');
    if (ok && !reader.Take('}')) {
        do {
            std::string name;
            CMember member;
            ok = reader.ReadString(name) && reader.Take(':');
            char next = reader.Peek();
            if (ok && next == '"') {
                member.bString = true;
                ok = reader.ReadString(member.strValue);
            } else if (ok && (next == '{' || next == '[')) {
                ok = reader.SkipValue(1);
            } else if (ok) {
                ok = reader.ReadScalar(member.strValue);
            }
            // The first of repeated names counts, as nothing else is sound.
            if (ok && (next != '{' && next != '['))
                m_members.emplace(std::move(name), std::move(member));
        } while (ok && reader.Take(','));
        ok = ok && reader.Take('}');
    }
    if (!ok || !reader.AtEnd()) {
        m_members.clear();
        return false;
    }
    return true;
}

std::optional<std::string> CJsonObject::String(const std::string& name) const {
    auto it = m_members.find(name);
    if (it == m_members.end() || !it->second.bString)
        return std::nullopt;
    return it->second.strValue;
}

std::optional<long long> CJsonObject::Integer(const std::string& name) const {
    auto it = m_members.find(name);
    if (it == m_members.end())
        return std::nullopt;
    const char* begin = it->second.strValue.data();
    const char* end = begin + it->second.strValue.size();
    long long whole = 0;
    auto [wholeEnd, wholeEc] = std::from_chars(begin, end, whole);
    if (wholeEc == std::errc() && wholeEnd == end)
        return whole;
    double number = 0;
    auto [numberEnd, numberEc] = std::from_chars(begin, end, number);
    if (numberEc != std::errc() || numberEnd != end || !(number > -9e15 && number < 9e15))
        return std::nullopt;
    return static_cast<long long>(number);
}
