#include "engine/maillib/CCharsetDecoder.h"

#include "engine/maillib/GMimeRuntime.h"
#include "platform/CIconv.h"
#include "platform/codepage.h"

#include <gmime/gmime.h>

namespace {

constexpr unsigned char kEsc = 0x1B;

bool IsOneOf(const std::string& name, std::initializer_list<const char*> names) {
    for (const char* candidate : names)
        if (name == candidate)
            return true;
    return false;
}

enum class EJisMode { Ascii, Kanji, Kanji0212, Kana };

// Reads an escape sequence at bytes[i]; returns its length and sets the mode,
// or 0 when it is not one of ISO-2022-JP's.
size_t ReadJisEscape(std::string_view bytes, size_t i, EJisMode& mode) {
    std::string_view rest = bytes.substr(i);
    if (rest.rfind("\x1b(B", 0) == 0 || rest.rfind("\x1b(J", 0) == 0) {
        mode = EJisMode::Ascii;
        return 3;
    }
    if (rest.rfind("\x1b$@", 0) == 0 || rest.rfind("\x1b$B", 0) == 0) {
        mode = EJisMode::Kanji;
        return 3;
    }
    if (rest.rfind("\x1b(I", 0) == 0) {
        mode = EJisMode::Kana;
        return 3;
    }
    if (rest.rfind("\x1b$(D", 0) == 0) {
        mode = EJisMode::Kanji0212;
        return 4;
    }
    return 0;
}

} // namespace

// GLib calls a NUL byte invalid; here it is a character like any other, so
// a stray NUL does not turn UTF-8 text into a Shift_JIS guess.
// iconv lets the old five- and six-byte forms through as UTF-8; every byte
// that does not start a valid character becomes '?' instead.
std::string CCharsetDecoder::RepairUtf8(std::string_view bytes) {
    std::string out;
    while (!bytes.empty()) {
        const char* end = nullptr;
        g_utf8_validate(bytes.data(), static_cast<gssize>(bytes.size()), &end);
        size_t valid = static_cast<size_t>(end - bytes.data());
        out.append(bytes.substr(0, valid));
        if (valid == bytes.size())
            break;
        out += bytes[valid] == '\0' ? '\0' : '?';
        bytes.remove_prefix(valid + 1);
    }
    return out;
}

std::string CCharsetDecoder::Normalize(std::string_view charset) {
    std::string name;
    for (char c : charset) {
        if (c == '"' || c == '\'' || c == ' ' || c == '\t')
            continue;
        name += static_cast<char>((c >= 'A' && c <= 'Z') ? c + 32 : c);
    }
    // RFC 2231 language suffix ("iso-2022-jp*ja") is not part of the name.
    if (size_t star = name.find('*'); star != std::string::npos)
        name.resize(star);
    return name;
}

std::string CCharsetDecoder::Guess(std::string_view bytes) {
    // Old Japanese mail often carries raw ISO-2022-JP without a label.
    if (bytes.find("\x1b$") != std::string_view::npos ||
        bytes.find("\x1b(I") != std::string_view::npos)
        return ToUtf8(bytes, "iso-2022-jp");
    if (IsValidUtf8(bytes))
        return std::string(bytes);
    return CIconv("UTF-8", "CP932").ConvertLossy(bytes);
}

std::string CCharsetDecoder::FromIconvName(std::string_view bytes, const std::string& name) {
    CIconv converter("UTF-8", name.c_str());
    if (!converter.IsValid())
        return Guess(bytes);
    // glibc matches charset names loosely ("utf-\xfe8" can open UTF-8), and
    // its UTF-8 passes the old five- and six-byte forms: what comes out is
    // checked whatever the name was.
    std::string text = converter.ConvertLossy(bytes);
    return IsValidUtf8(text) ? text : RepairUtf8(text);
}

std::string CCharsetDecoder::ToUtf8(std::string_view bytes, std::string_view charset) {
    std::string name = Normalize(charset);
    if (name.empty() || IsOneOf(name, {"us-ascii", "ascii", "unknown-8bit", "x-unknown"}))
        return Guess(bytes);
    if (IsOneOf(name, {"utf-8", "utf8"}))
        return IsValidUtf8(bytes) ? std::string(bytes) : RepairUtf8(bytes);
    if (IsOneOf(name, {"shift_jis", "shift-jis", "sjis", "x-sjis", "windows-31j", "cp932", "ms932",
                       "x-ms-cp932", "csshiftjis"}))
        return FromIconvName(bytes, "CP932");
    if (IsOneOf(name, {"euc-jp", "x-euc-jp", "eucjp", "euc-jp-ms", "cseucpkdfmtjapanese"}))
        return FromIconvName(bytes, "EUC-JP-MS");
    if (IsOneOf(name, {"iso-2022-jp", "csiso2022jp", "iso2022jp", "iso-2022-jp-ms", "cp50220",
                       "cp50221", "cp50222"}))
        return Iso2022JpToUtf8(bytes);
    // Mail labelled Latin-1 is nearly always Windows-1252, its superset.
    if (IsOneOf(name, {"iso-8859-1", "latin1", "iso8859-1", "iso_8859-1"}))
        return FromIconvName(bytes, "CP1252");
    EnsureGMimeInitialized(); // GMime's table of charset aliases
    return FromIconvName(bytes, g_mime_charset_iconv_name(name.c_str()));
}

// Each JIS X 0208 pair becomes its Shift_JIS pair and the text is read as
// code page 932: that maps the rows Windows mailers add (NEC row 13, the
// NEC-selected IBM rows 89 to 92) to the characters they mean, where
// glibc's decoder refuses them and the EUC-JP-MS table gives private-use
// characters. JIS X 0212 runs go through EUC-JP-MS, which has them.
std::string CCharsetDecoder::Iso2022JpToUtf8(std::string_view bytes) {
    std::string utf8;
    std::string pending; // bytes of one charset not yet converted
    bool bPendingEuc = false;
    auto put = [&](bool euc, std::string_view data) {
        if (euc != bPendingEuc && !pending.empty()) {
            utf8 += CIconv("UTF-8", bPendingEuc ? "EUC-JP-MS" : "CP932").ConvertLossy(pending);
            pending.clear();
        }
        bPendingEuc = euc;
        pending += data;
    };
    EJisMode mode = EJisMode::Ascii;
    for (size_t i = 0; i < bytes.size();) {
        unsigned char c = static_cast<unsigned char>(bytes[i]);
        if (c == kEsc) {
            if (size_t length = ReadJisEscape(bytes, i, mode); length > 0) {
                i += length;
                continue;
            }
        }
        if (c == 0x0E || c == 0x0F) { // SO / SI: half-width katakana in and out
            mode = c == 0x0E ? EJisMode::Kana : EJisMode::Ascii;
            ++i;
            continue;
        }
        if (c == '\r' || c == '\n') // a line never continues a double-byte run
            mode = EJisMode::Ascii;
        unsigned char next = i + 1 < bytes.size() ? static_cast<unsigned char>(bytes[i + 1]) : 0;
        bool pair = c >= 0x21 && c <= 0x7E && next >= 0x21 && next <= 0x7E;
        if (mode == EJisMode::Kanji && pair) {
            const char sjis[] = {
                static_cast<char>(((c - 0x21) >> 1) + (c <= 0x5E ? 0x81 : 0xC1)),
                static_cast<char>((c & 1) ? next + (next >= 0x60 ? 0x20 : 0x1F) : next + 0x7E)};
            put(false, std::string_view(sjis, 2));
            i += 2;
        } else if (mode == EJisMode::Kanji0212 && pair) {
            const char euc[] = {static_cast<char>(0x8F), static_cast<char>(c | 0x80),
                                static_cast<char>(next | 0x80)};
            put(true, std::string_view(euc, 3));
            i += 2;
        } else {
            bool kana = mode == EJisMode::Kana && c >= 0x21 && c <= 0x5F;
            const char single = static_cast<char>(kana ? c | 0x80 : c);
            put(false, std::string_view(&single, 1));
            ++i;
        }
    }
    put(!bPendingEuc, {}); // converts what is left
    return utf8;
}
