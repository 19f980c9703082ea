#include "app/ExecLine.h"

#include "platform/codepage.h"

#include <cstdio>

namespace {

bool IsControl(unsigned char c) {
    return c < 0x20 || c == 0x7F;
}

bool NeedsDesktopQuotes(std::string_view arg) {
    constexpr std::string_view kReserved = " \t\n\"'\\><~|&;$*?#()`";
    if (arg.empty())
        return true;
    for (char c : arg)
        if (kReserved.find(c) != std::string_view::npos || IsControl(static_cast<unsigned char>(c)))
            return true;
    return false;
}

std::string DesktopArgument(std::string_view arg) {
    std::string out;
    const bool bQuote = NeedsDesktopQuotes(arg);
    if (bQuote)
        out += '"';
    for (char c : arg) {
        if (bQuote && (c == '"' || c == '`' || c == '$' || c == '\\'))
            out += '\\';
        out += c;
        // A lone % would start a field code.
        if (c == '%')
            out += '%';
    }
    if (bQuote)
        out += '"';
    return out;
}

std::string HexEscape(unsigned char c) {
    char buffer[5];
    std::snprintf(buffer, sizeof buffer, "\\x%02x", c);
    return buffer;
}

std::string SystemdArgument(std::string_view arg, bool bExpandsVariables) {
    const bool bEscapeHigh = !IsValidUtf8(arg);
    std::string out = "\"";
    for (char c : arg) {
        const auto byte = static_cast<unsigned char>(c);
        if (IsControl(byte) || (bEscapeHigh && byte >= 0x80))
            out += HexEscape(byte);
        else if (c == '\\' || c == '"')
            out.append({'\\', c});
        else if (c == '%' || (c == '$' && bExpandsVariables))
            out.append({c, c});
        else
            out += c;
    }
    out += '"';
    return out;
}

bool IsUnitNameCharacter(char c, bool bFirst) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == ':' ||
           c == '_' || (c == '.' && !bFirst);
}

} // namespace

std::string DesktopExecLine(const std::vector<std::string>& args) {
    std::string line;
    for (const std::string& arg : args) {
        if (!IsValidUtf8(arg))
            return std::string();
        if (!line.empty())
            line += ' ';
        line += DesktopArgument(arg);
    }
    return DesktopStringValue(line);
}

std::string DesktopStringValue(std::string_view text) {
    std::string out;
    for (char c : text) {
        switch (c) {
        case '\\':
            out += "\\\\";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\t':
            out += "\\t";
            break;
        case '\r':
            out += "\\r";
            break;
        default:
            out += c;
        }
    }
    return out;
}

std::string SystemdExecLine(const std::vector<std::string>& args) {
    std::string line;
    for (size_t i = 0; i < args.size(); ++i) {
        if (i > 0)
            line += ' ';
        line += SystemdArgument(args[i], i > 0);
    }
    return line;
}

bool SystemdAcceptsProgramPath(std::string_view path) {
    for (char c : path)
        if (IsControl(static_cast<unsigned char>(c)) || c == '"' || c == '\'' || c == '\\')
            return false;
    return true;
}

std::string SystemdDescriptionText(std::string_view text) {
    const bool bReplaceHigh = !IsValidUtf8(text);
    std::string out;
    for (char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (IsControl(byte) || (bReplaceHigh && byte >= 0x80))
            out += '?';
        else if (c == '%')
            out += "%%";
        else
            out += c;
    }
    return out;
}

std::string SystemdEscapePath(std::string_view path) {
    std::string out;
    bool bPendingSeparator = false;
    for (char c : path) {
        if (c == '/') {
            bPendingSeparator = !out.empty();
            continue;
        }
        if (bPendingSeparator)
            out += '-';
        bPendingSeparator = false;
        if (IsUnitNameCharacter(c, out.empty()))
            out += c;
        else
            out += HexEscape(static_cast<unsigned char>(c));
    }
    return out.empty() ? "-" : out;
}

std::string ShellQuoted(std::string_view word) {
    bool bSafe = !word.empty();
    for (char c : word)
        if (!IsUnitNameCharacter(c, false) &&
            std::string_view("@%+=,/-").find(c) == std::string_view::npos)
            bSafe = false;
    if (bSafe)
        return std::string(word);
    std::string out = "'";
    for (char c : word)
        out += (c == '\'') ? std::string("'\\''") : std::string(1, c);
    return out + "'";
}
