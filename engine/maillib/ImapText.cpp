#include "engine/maillib/ImapText.h"

#include "config/CServerAddress.h"

#include <charconv>
#include <vector>

namespace {

constexpr char kModifiedBase64[] =
    "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+,";

// The code points of a UTF-8 text; nothing when it is not valid UTF-8
// (overlong forms, surrogates and values past U+10FFFF included).
std::optional<std::vector<char32_t>> DecodeUtf8(std::string_view text) {
    std::vector<char32_t> points;
    for (std::size_t i = 0; i < text.size();) {
        const unsigned char lead = static_cast<unsigned char>(text[i]);
        const int length = lead < 0x80         ? 1
                           : (lead >> 5) == 6  ? 2
                           : (lead >> 4) == 14 ? 3
                           : (lead >> 3) == 30 ? 4
                                               : 0;
        if (length == 0 || i + static_cast<std::size_t>(length) > text.size())
            return std::nullopt;
        char32_t point = length == 1 ? lead : lead & (0x7F >> length);
        for (int k = 1; k < length; ++k) {
            const unsigned char next = static_cast<unsigned char>(text[i + k]);
            if ((next & 0xC0) != 0x80)
                return std::nullopt;
            point = (point << 6) | (next & 0x3F);
        }
        static constexpr char32_t kSmallest[] = {0, 0, 0x80, 0x800, 0x10000};
        if (point < kSmallest[length] || point > 0x10FFFF || (point >= 0xD800 && point <= 0xDFFF))
            return std::nullopt;
        points.push_back(point);
        i += static_cast<std::size_t>(length);
    }
    return points;
}

// One run of characters outside printable ASCII: "&" + base64 of their
// UTF-16 big-endian bytes, without padding, + "-".
void AppendShiftedRun(std::string& out, const std::vector<char32_t>& run) {
    std::string bytes;
    auto addUnit = [&bytes](char32_t unit) {
        bytes += static_cast<char>(unit >> 8);
        bytes += static_cast<char>(unit & 0xFF);
    };
    for (char32_t point : run) {
        if (point >= 0x10000) {
            point -= 0x10000;
            addUnit(0xD800 + (point >> 10));
            addUnit(0xDC00 + (point & 0x3FF));
        } else {
            addUnit(point);
        }
    }
    out += '&';
    unsigned bits = 0;
    int count = 0;
    for (unsigned char byte : bytes) {
        bits = (bits << 8) | byte;
        count += 8;
        while (count >= 6) {
            count -= 6;
            out += kModifiedBase64[(bits >> count) & 0x3F];
        }
    }
    if (count > 0)
        out += kModifiedBase64[(bits << (6 - count)) & 0x3F];
    out += '-';
}

} // namespace

std::string EncodeImapMailboxName(std::string_view utf8) {
    std::optional<std::vector<char32_t>> points = DecodeUtf8(utf8);
    if (!points)
        return {};
    std::string out;
    std::vector<char32_t> run;
    for (char32_t point : *points) {
        if (point >= 0x20 && point <= 0x7E) {
            if (!run.empty())
                AppendShiftedRun(out, run);
            run.clear();
            out += point == '&' ? "&-" : std::string(1, static_cast<char>(point));
        } else {
            run.push_back(point);
        }
    }
    if (!run.empty())
        AppendShiftedRun(out, run);
    return out;
}

std::string QuoteImapString(std::string_view text) {
    std::string out = "\"";
    for (char c : text) {
        if (c == '"' || c == '\\')
            out += '\\';
        out += c;
    }
    return out + '"';
}

std::string EncodeUrlPath(std::string_view text) {
    return PercentEncode(text, "/");
}

std::optional<unsigned long long> ImapNumberAfter(std::string_view line, std::string_view word) {
    for (std::size_t at = line.find(word); at != std::string_view::npos;
         at = line.find(word, at + 1)) {
        const bool standsAlone =
            at == 0 || line[at - 1] == ' ' || line[at - 1] == '(' || line[at - 1] == '[';
        const std::size_t digits = at + word.size() + 1;
        if (!standsAlone || digits >= line.size() || line[digits - 1] != ' ')
            continue;
        unsigned long long value = 0;
        auto [end, ec] = std::from_chars(line.data() + digits, line.data() + line.size(), value);
        if (ec == std::errc())
            return value;
    }
    return std::nullopt;
}
