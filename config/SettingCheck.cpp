#include "config/SettingCheck.h"

#include "platform/codepage.h"

#include <algorithm>

namespace {

// Digits only, and 0 or above 65535.
bool IsPortOutOfRange(std::string_view port) {
    if (port.empty() ||
        !std::all_of(port.begin(), port.end(), [](char c) { return c >= '0' && c <= '9'; }))
        return false;
    while (port.size() > 1 && port.front() == '0')
        port.remove_prefix(1);
    if (port.size() > 5)
        return true;
    const int value = std::stoi(std::string(port));
    return value < 1 || value > 65535;
}

// The port part of a server text, as written (after the host, without the
// scheme, the account and a closing slash or IMAP folder); empty when there
// is none.
std::string_view PortPart(std::string_view text) {
    std::size_t scheme = text.find("://");
    if (scheme != std::string_view::npos)
        text.remove_prefix(scheme + 3);
    std::size_t at = text.rfind('@');
    if (at != std::string_view::npos)
        text.remove_prefix(at + 1);
    text = text.substr(0, text.find('/'));
    const bool bracketed = !text.empty() && text.front() == '[';
    std::size_t colon = bracketed ? text.find("]:") : text.find(':');
    if (colon == std::string_view::npos)
        return std::string_view();
    return text.substr(colon + (bracketed ? 2 : 1));
}

// Printable ASCII without blanks or angle brackets: what SMTP takes as a
// path, and nothing that could end its command line.
bool IsPathChar(char c) {
    return c > 0x20 && c < 0x7F && c != '<' && c != '>';
}

bool IsDomainChar(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' ||
           c == '.';
}

} // namespace

EServerTextProblem CheckServerText(std::string_view typed, EMailProtocol protocol) {
    const std::string text = TrimWhite(typed);
    if (text.empty())
        return EServerTextProblem::None;
    CServerAddress server;
    if (server.Parse(text, protocol))
        return EServerTextProblem::None;
    return IsPortOutOfRange(PortPart(text)) ? EServerTextProblem::PortOutOfRange
                                            : EServerTextProblem::Unreadable;
}

bool IsWellFormedMailAddress(std::string_view typed) {
    const std::string trimmed = TrimWhite(typed);
    const std::string_view address = trimmed;
    if (address.empty() || !std::all_of(address.begin(), address.end(), IsPathChar))
        return false;
    const std::size_t at = address.rfind('@');
    if (at == 0 || at == std::string_view::npos || at + 1 == address.size())
        return false;
    const std::string_view domain = address.substr(at + 1);
    if (domain.front() == '[')
        return domain.back() == ']' && domain.size() > 2;
    return std::all_of(domain.begin(), domain.end(), IsDomainChar) && domain.front() != '.' &&
           domain.back() != '.' && domain.front() != '-' &&
           domain.find("..") == std::string_view::npos;
}
