#include "config/CServerAddress.h"

#include <charconv>

namespace {

constexpr int kPop3Port = 110;
constexpr int kPop3sPort = 995;
constexpr int kSmtpPort = 25;
constexpr int kSmtpsPort = 465;
constexpr int kImapPort = 143;
constexpr int kImapsPort = 993;
constexpr const char* kDefaultMailbox = "INBOX";

bool IsHostChar(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '.' ||
           c == '-' || c == '_';
}

bool IsIpv6Char(char c) {
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F') || c == ':' ||
           c == '.';
}

bool HasControlOrBlank(std::string_view text) {
    for (unsigned char c : text)
        if (c <= 0x20 || c == 0x7F)
            return true;
    return false;
}

int HexValue(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

} // namespace

// URL userinfo is percent-encoded ("%40" for an '@' inside a password).
std::string PercentDecode(std::string_view text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 2 < text.size()) {
            int high = HexValue(text[i + 1]);
            int low = HexValue(text[i + 2]);
            if (high >= 0 && low >= 0) {
                out += static_cast<char>(high * 16 + low);
                i += 2;
                continue;
            }
        }
        out += text[i];
    }
    return out;
}

std::string PercentEncode(std::string_view text, std::string_view keep) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string out;
    for (unsigned char c : text) {
        const bool unreserved = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') ||
                                (c >= '0' && c <= '9') || c == '-' || c == '.' || c == '_' ||
                                c == '~' ||
                                (c != 0 && keep.find(static_cast<char>(c)) != keep.npos);
        if (unreserved) {
            out += static_cast<char>(c);
        } else {
            out += '%';
            out += kHex[c >> 4];
            out += kHex[c & 15];
        }
    }
    return out;
}

namespace {

std::string_view TrimBlanks(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t'))
        text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t'))
        text.remove_suffix(1);
    return text;
}

} // namespace

bool CServerAddress::Parse(std::string_view text, EMailProtocol protocol) {
    *this = CServerAddress();
    m_eProtocol = protocol;
    std::string_view rest = TrimBlanks(text);
    if (rest.empty() || !ParseScheme(rest, protocol) || !ParseMailbox(rest) ||
        !ParseUserInfo(rest) || !ParseHostPort(rest)) {
        *this = CServerAddress();
        return false;
    }
    return true;
}

bool CServerAddress::ParseScheme(std::string_view& rest, EMailProtocol protocol) {
    std::size_t pos = rest.find("://");
    std::string_view scheme;
    if (pos != std::string_view::npos) {
        scheme = rest.substr(0, pos);
        rest.remove_prefix(pos + 3);
    }
    std::string lower;
    for (char c : scheme)
        lower += static_cast<char>((c >= 'A' && c <= 'Z') ? c + 32 : c);
    const bool pop3 = protocol == EMailProtocol::Pop3;
    if (lower.empty() || lower == (pop3 ? "pop3" : "smtp")) {
        m_nPort = pop3 ? kPop3Port : kSmtpPort;
        return true;
    }
    if (lower == (pop3 ? "pop3s" : "smtps")) {
        m_bImplicitTls = true;
        m_nPort = pop3 ? kPop3sPort : kSmtpsPort;
        return true;
    }
    if (pop3 && (lower == "imap" || lower == "imaps")) {
        m_bImap = true;
        m_bImplicitTls = lower == "imaps";
        m_nPort = m_bImplicitTls ? kImapsPort : kImapPort;
        return true;
    }
    return false;
}

// An IMAP text may end in "/Folder": everything after the host's first '/'.
// A folder name holding a control character could end a command line, so it
// is refused; one that is empty or only "/" means INBOX.
bool CServerAddress::ParseMailbox(std::string_view& rest) {
    if (!m_bImap)
        return true;
    m_strMailbox = kDefaultMailbox;
    std::size_t slash = rest.find('/');
    if (slash == std::string_view::npos)
        return true;
    std::string mailbox = PercentDecode(rest.substr(slash + 1));
    rest = rest.substr(0, slash);
    while (!mailbox.empty() && mailbox.back() == '/')
        mailbox.pop_back();
    for (unsigned char c : mailbox)
        if (c < 0x20 || c == 0x7F)
            return false;
    if (!mailbox.empty())
        m_strMailbox = std::move(mailbox);
    return true;
}

bool CServerAddress::ParseUserInfo(std::string_view& rest) {
    // The last '@' ends the user part, so a password may hold an '@'.
    std::size_t at = rest.rfind('@');
    if (at == std::string_view::npos)
        return true;
    std::string_view userInfo = rest.substr(0, at);
    rest.remove_prefix(at + 1);
    std::size_t colon = userInfo.find(':');
    m_strUser = PercentDecode(userInfo.substr(0, colon));
    if (colon != std::string_view::npos)
        m_strPassword = PercentDecode(userInfo.substr(colon + 1));
    // The user name goes into AUTH exchanges; the password only into
    // libcurl's option, but neither may smuggle a line end.
    return !m_strUser.empty() && !HasControlOrBlank(m_strUser) &&
           m_strPassword.find_first_of("\r\n", 0) == std::string::npos &&
           m_strPassword.find('\0') == std::string::npos;
}

bool CServerAddress::ParseHostPort(std::string_view rest) {
    if (!rest.empty() && rest.back() == '/')
        rest.remove_suffix(1);
    std::string_view host = rest;
    std::string_view port;
    if (!rest.empty() && rest.front() == '[') {
        std::size_t close = rest.find(']');
        if (close == std::string_view::npos)
            return false;
        host = rest.substr(1, close - 1);
        std::string_view after = rest.substr(close + 1);
        if (!after.empty() && after.front() != ':')
            return false;
        if (!after.empty())
            port = after.substr(1);
        for (char c : host)
            if (!IsIpv6Char(c))
                return false;
        m_strHost = "[" + std::string(host) + "]";
    } else {
        std::size_t colon = rest.find(':');
        if (colon != std::string_view::npos) {
            host = rest.substr(0, colon);
            port = rest.substr(colon + 1);
            if (port.empty())
                return false;
        }
        for (char c : host)
            if (!IsHostChar(c))
                return false;
        m_strHost = std::string(host);
    }
    if (host.empty())
        return false;
    if (!port.empty()) {
        int value = 0;
        auto [end, ec] = std::from_chars(port.data(), port.data() + port.size(), value);
        if (ec != std::errc() || end != port.data() + port.size() || value < 1 || value > 65535)
            return false;
        m_nPort = value;
    }
    return true;
}

std::string CServerAddress::Url() const {
    std::string scheme = m_bImap ? "imap" : m_eProtocol == EMailProtocol::Pop3 ? "pop3" : "smtp";
    if (m_bImplicitTls)
        scheme += 's';
    return scheme + "://" + m_strHost + ":" + std::to_string(m_nPort) + "/";
}

std::string CServerAddress::Display() const {
    return m_strHost + ":" + std::to_string(m_nPort);
}
