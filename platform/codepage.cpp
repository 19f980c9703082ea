#include "platform/codepage.h"

#include "platform/CIconv.h"

namespace {

bool IsTrailByte(unsigned char byte) {
    return (byte >= 0x40 && byte <= 0x7E) || (byte >= 0x80 && byte <= 0xFC);
}

// Both code pages hold ASCII as it is, so text of ASCII alone needs no
// converter: loading one takes about a millisecond, a good part of what a
// cycle that finds no new mail costs this side.
bool IsAscii(std::string_view text) {
    for (unsigned char c : text)
        if (c >= 0x80)
            return false;
    return true;
}

bool IsAsciiLower(unsigned char byte) {
    return byte >= 'a' && byte <= 'z';
}

bool IsTrimmedWhite(unsigned char byte) {
    return byte == ' ' || byte == '\t' || byte == '\n' || byte == '\v' || byte == '\f' ||
           byte == '\r';
}

// One iconv descriptor per direction and thread, opened on first use: opening
// one costs far more than a short conversion.
CIconv& Cp932Decoder() {
    thread_local CIconv decoder("UTF-8", "CP932");
    return decoder;
}

CIconv& Cp932Encoder() {
    thread_local CIconv encoder("CP932", "UTF-8");
    return encoder;
}

// Length of the well-formed UTF-8 sequence at the start of text, 0 if malformed.
std::size_t Utf8SequenceLength(std::string_view text) {
    unsigned char lead = static_cast<unsigned char>(text[0]);
    std::size_t length = lead < 0x80           ? 1
                         : (lead >> 5) == 0x6  ? 2
                         : (lead >> 4) == 0xE  ? 3
                         : (lead >> 3) == 0x1E ? 4
                                               : 0;
    if (length == 0 || length > text.size())
        return 0;
    for (std::size_t i = 1; i < length; ++i)
        if ((static_cast<unsigned char>(text[i]) & 0xC0) != 0x80)
            return 0;
    return length;
}

// JIS code points that glibc maps into code page 932 but that come back as
// their Microsoft counterparts: encode the counterpart directly, so the bytes
// do not depend on the iconv build.
std::string_view MicrosoftTwin(std::string_view utf8Char) {
    struct Twin {
        std::string_view jis, microsoft;
    };
    static constexpr Twin twins[] = {
        {"\u301C", "\uFF5E"}, {"\u2212", "\uFF0D"}, {"\u2016", "\u2225"}, {"\u00A2", "\uFFE0"},
        {"\u00AC", "\uFFE2"}, {"\u2014", "\u2015"}, {"\u00A5", "\\"},
    };
    for (const Twin& twin : twins)
        if (utf8Char == twin.jis)
            return twin.microsoft;
    return utf8Char;
}

std::string NormalizeForCp932(std::string_view utf8) {
    std::string out;
    out.reserve(utf8.size());
    for (std::size_t i = 0; i < utf8.size();) {
        std::size_t length = Utf8SequenceLength(utf8.substr(i));
        if (length < 2) {
            out += utf8[i++];
            continue;
        }
        out += MicrosoftTwin(utf8.substr(i, length));
        i += length;
    }
    return out;
}

// Encodes utf8 into out; returns how many characters were not in the code
// page (or not UTF-8) and became one '?' each.
std::size_t EncodeCp932(std::string_view utf8, std::string& out) {
    if (IsAscii(utf8)) {
        out.append(utf8);
        return 0;
    }
    std::string normalized = NormalizeForCp932(utf8);
    out.reserve(out.size() + normalized.size());
    CIconv& encoder = Cp932Encoder();
    std::string_view in = normalized;
    std::size_t substituted = 0;
    while (!in.empty()) {
        if (!encoder.IsValid() || encoder.Step(in, out) == 0)
            break;
        std::size_t length = Utf8SequenceLength(in);
        out += '?';
        ++substituted;
        in.remove_prefix(length == 0 ? 1 : length);
    }
    return substituted;
}

} // namespace

bool IsCp932LeadByte(unsigned char byte) {
    return (byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC);
}

std::size_t Cp932CharLength(std::string_view text, std::size_t offset) {
    if (offset + 1 < text.size() && IsCp932LeadByte(static_cast<unsigned char>(text[offset])))
        return 2;
    return 1;
}

std::string LowerAscii(std::string_view text) {
    std::string lower(text);
    for (char& c : lower)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return lower;
}

std::string UpperAscii(std::string_view text) {
    std::string upper(text);
    for (char& c : upper)
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    return upper;
}

std::string MbsUpper(std::string_view text) {
    std::string upper(text);
    for (std::size_t i = 0; i < upper.size();) {
        std::size_t length = Cp932CharLength(upper, i);
        if (length == 1 && IsAsciiLower(static_cast<unsigned char>(upper[i])))
            upper[i] = static_cast<char>(upper[i] - 'a' + 'A');
        i += length;
    }
    return upper;
}

int MbsICmp(std::string_view left, std::string_view right) {
    // Upper-casing keeps every byte length, so a byte-wise compare of the
    // upper-cased texts compares character by character.
    std::string a = MbsUpper(left), b = MbsUpper(right);
    for (std::size_t i = 0; i < a.size() && i < b.size(); ++i) {
        unsigned char x = static_cast<unsigned char>(a[i]), y = static_cast<unsigned char>(b[i]);
        if (x != y)
            return x < y ? -1 : 1;
    }
    return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

std::size_t MbsFind(std::string_view haystack, std::string_view needle, std::size_t from) {
    for (std::size_t start = from; start + needle.size() <= haystack.size();
         start += Cp932CharLength(haystack, start)) {
        if (haystack.compare(start, needle.size(), needle) != 0)
            continue;
        // The match must also end where a character of the haystack ends.
        std::size_t end = start;
        while (end < start + needle.size())
            end += Cp932CharLength(haystack, end);
        if (end == start + needle.size())
            return start;
    }
    return std::string::npos;
}

std::string TrimWhite(std::string_view text) {
    std::size_t begin = 0, end = text.size();
    while (begin < end && IsTrimmedWhite(static_cast<unsigned char>(text[begin])))
        ++begin;
    // A trail byte is never one of the white bytes (all below 0x40), so
    // trimming from the right cannot cut a double-byte character.
    while (end > begin && IsTrimmedWhite(static_cast<unsigned char>(text[end - 1])))
        --end;
    return std::string(text.substr(begin, end - begin));
}

std::string BlankControls(std::string_view text) {
    std::string out(text);
    for (char& c : out)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F)
            c = ' ';
    return out;
}

std::string MbsTruncate(std::string_view text, std::size_t maxBytes) {
    std::size_t end = 0;
    while (end < text.size()) {
        std::size_t length = Cp932CharLength(text, end);
        if (end + length > maxBytes)
            break;
        end += length;
    }
    return std::string(text.substr(0, end));
}

std::string Cp932ToUtf8(std::string_view cp932) {
    if (IsAscii(cp932))
        return std::string(cp932);
    std::string out;
    out.reserve(cp932.size() + cp932.size() / 2);
    CIconv& decoder = Cp932Decoder();
    std::string_view in = cp932;
    while (!in.empty()) {
        if (!decoder.IsValid() || decoder.Step(in, out) == 0)
            break;
        // An undefined code: replace one character. A lead byte followed by
        // something that cannot be a trail byte (a line break) is one byte.
        std::size_t skip = 1;
        if (in.size() > 1 && IsCp932LeadByte(static_cast<unsigned char>(in[0])) &&
            IsTrailByte(static_cast<unsigned char>(in[1])))
            skip = 2;
        out += "\uFFFD";
        in.remove_prefix(skip);
    }
    return out;
}

std::string Utf8ToCp932(std::string_view utf8) {
    std::string out;
    EncodeCp932(utf8, out);
    return out;
}

std::size_t Cp932Length(std::string_view utf8) {
    std::string out;
    std::size_t substituted = EncodeCp932(utf8, out);
    return out.size() + substituted; // each '?' stands for a 2-byte character
}

namespace {

// The length of the well-formed UTF-8 character at the start of bytes, 0 when
// it is malformed (the ranges of the Unicode standard's table 3-7).
std::size_t Utf8CharLength(std::string_view bytes) {
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(bytes[i]); };
    const unsigned char lead = byte(0);
    if (lead < 0x80)
        return 1;
    std::size_t length = 0;
    unsigned char low = 0x80, high = 0xBF; // allowed range of the second byte
    if (lead >= 0xC2 && lead <= 0xDF)
        length = 2;
    else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        low = lead == 0xE0 ? 0xA0 : 0x80;
        high = lead == 0xED ? 0x9F : 0xBF;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        low = lead == 0xF0 ? 0x90 : 0x80;
        high = lead == 0xF4 ? 0x8F : 0xBF;
    }
    if (length == 0 || bytes.size() < length || byte(1) < low || byte(1) > high)
        return 0;
    for (std::size_t i = 2; i < length; ++i)
        if ((byte(i) & 0xC0) != 0x80)
            return 0;
    return length;
}

} // namespace

bool IsValidUtf8(std::string_view bytes) {
    while (!bytes.empty()) {
        const std::size_t length = Utf8CharLength(bytes);
        if (length == 0)
            return false;
        bytes.remove_prefix(length);
    }
    return true;
}

std::string Utf8Truncate(std::string_view utf8, std::size_t maxBytes) {
    if (utf8.size() <= maxBytes)
        return std::string(utf8);
    std::size_t end = maxBytes;
    // Back off continuation bytes (10xxxxxx) to the start of their character.
    while (end > 0 && (static_cast<unsigned char>(utf8[end]) & 0xC0) == 0x80)
        --end;
    return std::string(utf8.substr(0, end));
}
