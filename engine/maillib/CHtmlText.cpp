#include "engine/maillib/CHtmlText.h"

#include <cstdlib>
#include <glib.h>

namespace {

std::string Lower(std::string_view text) {
    std::string out;
    for (char c : text)
        out += static_cast<char>((c >= 'A' && c <= 'Z') ? c + 32 : c);
    return out;
}

// The element name of a tag's text, "/" kept for a closing tag ("/P class=x"
// gives "/p", "br/" gives "br").
std::string TagName(std::string_view tag) {
    size_t pos = 0;
    std::string name;
    if (pos < tag.size() && tag[pos] == '/') {
        name += '/';
        ++pos;
    }
    while (pos < tag.size() && g_ascii_isalnum(tag[pos]))
        name += tag[pos++];
    return Lower(name);
}

bool IsBreakTag(const std::string& name) {
    static const char* const kBreaks[] = {
        "br",  "p",   "/p", "div",    "/div", "tr",  "/tr",        "li",         "h1",
        "h2",  "h3",  "h4", "h5",     "h6",   "/h1", "/h2",        "/h3",        "/h4",
        "/h5", "/h6", "hr", "/table", "/ul",  "/ol", "blockquote", "/blockquote"};
    for (const char* candidate : kBreaks)
        if (name == candidate)
            return true;
    return false;
}

// Elements whose content is never shown.
bool IsHiddenBlock(const std::string& name) {
    return name == "script" || name == "style" || name == "head" || name == "title";
}

void AppendCodePoint(std::string& out, unsigned long code) {
    if (code == 0 || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF))
        code = 0xFFFD;
    char buffer[8];
    int length = g_unichar_to_utf8(static_cast<gunichar>(code), buffer);
    out.append(buffer, length);
}

// Collapses runs of blanks the way a browser shows them; line breaks that
// came from tags stay, at most one empty line in a row.
std::string Collapse(const std::string& text) {
    std::string out;
    bool pendingBlank = false;
    int newlines = 0;
    for (char c : text) {
        if (c == '\n') {
            while (!out.empty() && out.back() == ' ')
                out.pop_back();
            if (newlines < 2)
                out += '\n';
            ++newlines;
            pendingBlank = false;
        } else if (c == ' ' || c == '\t' || c == '\r') {
            pendingBlank = !out.empty() && newlines == 0;
        } else {
            if (pendingBlank)
                out += ' ';
            out += c;
            pendingBlank = false;
            newlines = 0;
        }
    }
    return out;
}

} // namespace

std::string CHtmlText::DecodeEntity(std::string_view name) {
    if (!name.empty() && name[0] == '#') {
        bool hex = name.size() > 1 && (name[1] == 'x' || name[1] == 'X');
        std::string digits(name.substr(hex ? 2 : 1));
        char* end = nullptr;
        unsigned long code = std::strtoul(digits.c_str(), &end, hex ? 16 : 10);
        if (digits.empty() || end == nullptr || *end != '\0')
            return {};
        std::string out;
        AppendCodePoint(out, code);
        return out;
    }
    static const struct {
        const char* name;
        const char* text;
    } kEntities[] = {{"amp", "&"},   {"lt", "<"},     {"gt", ">"},    {"quot", "\""},
                     {"apos", "'"},  {"nbsp", " "},   {"copy", "©"},  {"reg", "®"},
                     {"yen", "¥"},   {"hellip", "…"}, {"mdash", "—"}, {"ndash", "–"},
                     {"laquo", "«"}, {"raquo", "»"},  {"times", "×"}, {"middot", "・"}};
    for (const auto& entity : kEntities)
        if (name == entity.name)
            return entity.text;
    return {};
}

std::string CHtmlText::ToPlainText(std::string_view html) {
    std::string text;
    std::string hiddenUntil; // closing tag that ends a hidden block
    for (size_t i = 0; i < html.size();) {
        char c = html[i];
        if (c == '<') {
            if (html.compare(i, 4, "<!--") == 0) {
                size_t end = html.find("-->", i + 4);
                i = end == std::string_view::npos ? html.size() : end + 3;
                continue;
            }
            size_t end = html.find('>', i + 1);
            if (end == std::string_view::npos)
                break;
            std::string name = TagName(html.substr(i + 1, end - i - 1));
            i = end + 1;
            if (!hiddenUntil.empty()) {
                if (name == hiddenUntil)
                    hiddenUntil.clear();
                continue;
            }
            if (IsHiddenBlock(name))
                hiddenUntil = "/" + name;
            else if (IsBreakTag(name))
                text += '\n';
            else if (name == "td" || name == "th")
                text += ' ';
            continue;
        }
        if (!hiddenUntil.empty()) {
            ++i;
            continue;
        }
        if (c == '&') {
            size_t semi = html.find(';', i + 1);
            if (semi != std::string_view::npos && semi - i <= 10) {
                std::string decoded = DecodeEntity(html.substr(i + 1, semi - i - 1));
                if (!decoded.empty()) {
                    text += decoded;
                    i = semi + 1;
                    continue;
                }
            }
        }
        text += (c == '\n' || c == '\r') ? ' ' : c;
        ++i;
    }
    std::string plain = Collapse(text);
    size_t begin = plain.find_first_not_of('\n');
    size_t end = plain.find_last_not_of('\n');
    return begin == std::string::npos ? std::string() : plain.substr(begin, end - begin + 1);
}

std::string CHtmlText::MetaCharset(std::string_view html) {
    std::string lower = Lower(html.substr(0, 4096));
    size_t pos = lower.find("charset=");
    if (pos == std::string::npos)
        return {};
    pos += 8;
    while (pos < lower.size() && (lower[pos] == '"' || lower[pos] == '\''))
        ++pos;
    size_t end = pos;
    while (end < lower.size() && (g_ascii_isalnum(lower[end]) || lower[end] == '-' ||
                                  lower[end] == '_' || lower[end] == ':'))
        ++end;
    return lower.substr(pos, end - pos);
}
