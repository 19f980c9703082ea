#include "engine/maillib/CHeaderText.h"

#include "engine/maillib/CCharsetDecoder.h"
#include "engine/maillib/CGObjectPtr.h"

#include <glib.h>
#include <vector>

namespace {

// One piece of a header value: an encoded word, or text between words.
struct CSegment {
    bool bEncoded = false;
    std::string strCharset; // encoded words only
    char chEncoding = 0;    // 'B' or 'Q'
    std::string strBytes;   // the word's decoded bytes, or the raw text
};

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

bool IsBlankOnly(std::string_view text) {
    for (char c : text)
        if (!IsBlank(c))
            return false;
    return true;
}

// A charset name longer than this is no charset: the word is plain text.
constexpr size_t kMaxCharsetLength = 64;

// Finds encoded words in one header value. The next "?=" and the next blank
// are remembered, so a hostile value full of "=?" starts is still read in
// linear time instead of scanning to its end from every start.
class CWordScanner {
public:
    explicit CWordScanner(std::string_view text) : m_text(text) {}

    // Parses "=?charset?X?text?=" at pos; returns its length or 0.
    size_t Parse(size_t pos, CSegment& word) {
        if (m_text.compare(pos, 2, "=?") != 0)
            return 0;
        size_t q1 = m_text.substr(0, pos + 2 + kMaxCharsetLength + 1).find('?', pos + 2);
        if (q1 == std::string_view::npos || q1 + 2 >= m_text.size() || m_text[q1 + 2] != '?')
            return 0;
        char encoding = static_cast<char>(m_text[q1 + 1] & ~0x20);
        if (encoding != 'B' && encoding != 'Q')
            return 0;
        size_t end = Next(m_nClose, m_nCloseFrom, q1 + 3,
                          [this](size_t from) { return m_text.find("?=", from); });
        size_t blank = Next(m_nBlank, m_nBlankFrom, pos + 2,
                            [this](size_t from) { return m_text.find_first_of(" \t\r\n", from); });
        if (end == std::string_view::npos || blank < end)
            return 0;
        std::string_view payload = m_text.substr(q1 + 3, end - q1 - 3);
        word.bEncoded = true;
        word.strCharset = std::string(m_text.substr(pos + 2, q1 - pos - 2));
        word.chEncoding = encoding;
        word.strBytes =
            encoding == 'B' ? CHeaderText::DecodeBase64(payload) : CHeaderText::DecodeQ(payload);
        return end + 2 - pos;
    }

private:
    // The first match at or after `from`: the cached one while it still
    // answers the question, else a new search.
    template <typename Find>
    static size_t Next(size_t& cached, size_t& cachedFrom, size_t from, Find find) {
        bool valid = cachedFrom != std::string_view::npos && from >= cachedFrom &&
                     (cached == std::string_view::npos || from <= cached);
        if (!valid) {
            cached = find(from);
            cachedFrom = from;
        }
        return cached;
    }

    std::string_view m_text;
    size_t m_nClose = std::string_view::npos;
    size_t m_nCloseFrom = std::string_view::npos;
    size_t m_nBlank = std::string_view::npos;
    size_t m_nBlankFrom = std::string_view::npos;
};

std::string Lower(std::string_view text) {
    std::string out;
    for (char c : text)
        out += static_cast<char>((c >= 'A' && c <= 'Z') ? c + 32 : c);
    return out;
}

// Splits the value and joins runs of encoded words in the same charset that
// only blanks separate: their bytes form one text, so a character split
// across two words (a common mailer fault) decodes whole.
std::vector<CSegment> Segment(std::string_view text) {
    std::vector<CSegment> segments;
    std::string plain;
    CWordScanner scanner(text);
    for (size_t pos = 0; pos < text.size();) {
        CSegment word;
        size_t length = scanner.Parse(pos, word);
        if (length == 0) {
            plain += text[pos++];
            continue;
        }
        pos += length;
        bool joinable = !segments.empty() && segments.back().bEncoded && IsBlankOnly(plain);
        if (joinable && Lower(segments.back().strCharset) == Lower(word.strCharset)) {
            segments.back().strBytes += word.strBytes;
        } else {
            if (!plain.empty() && !joinable)
                segments.push_back(CSegment{false, {}, 0, plain});
            segments.push_back(std::move(word));
        }
        plain.clear();
    }
    if (!plain.empty())
        segments.push_back(CSegment{false, {}, 0, plain});
    return segments;
}

std::string Unfold(std::string_view text) {
    std::string out;
    for (char c : text)
        if (c != '\r' && c != '\n')
            out += c;
    return out;
}

std::string EncodeUtf8Word(const std::string& utf8) {
    CGCharPtr base64(g_base64_encode(reinterpret_cast<const guchar*>(utf8.data()), utf8.size()));
    return "=?UTF-8?B?" + std::string(base64.get()) + "?=";
}

bool HasEightBit(std::string_view text) {
    for (unsigned char c : text)
        if (c >= 0x80 || c == 0x1B)
            return true;
    return false;
}

} // namespace

std::string CHeaderText::DecodeText(std::string_view raw) {
    std::string text;
    for (const CSegment& segment : Segment(raw))
        text += segment.bEncoded ? CCharsetDecoder::ToUtf8(segment.strBytes, segment.strCharset)
                                 : CCharsetDecoder::ToUtf8(segment.strBytes, "");
    return Unfold(text);
}

std::string CHeaderText::NormalizeEncodedWords(std::string_view raw) {
    std::string text;
    bool lastEncoded = false;
    for (const CSegment& segment : Segment(raw)) {
        // Words of different charsets lost their blank in Segment; a blank
        // between two encoded words is not text, so one is put back.
        if (segment.bEncoded && lastEncoded)
            text += ' ';
        lastEncoded = segment.bEncoded;
        if (segment.bEncoded)
            text += EncodeUtf8Word(CCharsetDecoder::ToUtf8(segment.strBytes, segment.strCharset));
        else if (HasEightBit(segment.strBytes))
            text += CCharsetDecoder::ToUtf8(segment.strBytes, "");
        else
            text += segment.strBytes;
    }
    return Unfold(text);
}

std::string CHeaderText::DecodeBase64(std::string_view text) {
    std::string out;
    unsigned value = 0;
    int bits = 0;
    for (char c : text) {
        int digit;
        if (c >= 'A' && c <= 'Z')
            digit = c - 'A';
        else if (c >= 'a' && c <= 'z')
            digit = c - 'a' + 26;
        else if (c >= '0' && c <= '9')
            digit = c - '0' + 52;
        else if (c == '+')
            digit = 62;
        else if (c == '/')
            digit = 63;
        else
            continue; // padding and stray characters
        value = (value << 6) | static_cast<unsigned>(digit);
        bits += 6;
        if (bits >= 8) {
            bits -= 8;
            out += static_cast<char>((value >> bits) & 0xFF);
        }
    }
    return out;
}

std::string CHeaderText::DecodeQ(std::string_view text) {
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '_') {
            out += ' ';
        } else if (text[i] == '=' && i + 2 < text.size() && g_ascii_isxdigit(text[i + 1]) &&
                   g_ascii_isxdigit(text[i + 2])) {
            out += static_cast<char>(g_ascii_xdigit_value(text[i + 1]) * 16 +
                                     g_ascii_xdigit_value(text[i + 2]));
            i += 2;
        } else {
            out += text[i];
        }
    }
    return out;
}
