#pragma once
// A server as the user writes it in the settings: "host", "host:port", or a
// URL "pop3://", "pop3s://", "smtp://", "smtps://" with an optional
// "user:password@" (SMTP authentication). The receive side also takes an
// IMAP mailbox, "imap://" or "imaps://", with an optional folder after the
// host ("imaps://host/Folder", percent-encoded; INBOX without one). Parsed
// once, checked strictly: a control character or blank never reaches libcurl.

#include <string>
#include <string_view>

// Pop3 is the receive side (POP3 or IMAP), Smtp the send side.
enum class EMailProtocol { Pop3, Smtp };

// "%40" becomes "@"; a '%' without two hex digits stays as it is.
std::string PercentDecode(std::string_view text);
// Every byte but the unreserved characters (letters, digits, "-._~") and
// those of keep as %XX.
std::string PercentEncode(std::string_view text, std::string_view keep = {});

class CServerAddress {
public:
    // False (and an empty address) when the text is not one of the forms
    // above or names the other protocol's scheme.
    bool Parse(std::string_view text, EMailProtocol protocol);

    const std::string& Host() const { return m_strHost; }
    int Port() const { return m_nPort; }
    // Implicit TLS from the first byte (pop3s, smtps); otherwise STARTTLS is
    // taken when the server offers it.
    bool ImplicitTls() const { return m_bImplicitTls; }
    const std::string& User() const { return m_strUser; }
    const std::string& Password() const { return m_strPassword; }
    bool HasCredentials() const { return !m_strUser.empty(); }
    // An IMAP mailbox rather than a POP3 one.
    bool IsImap() const { return m_bImap; }
    // The IMAP folder, percent-decoded (UTF-8): "INBOX" unless the text names one.
    const std::string& Mailbox() const { return m_strMailbox; }

    // "scheme://host:port/" (no credentials: they go to libcurl separately).
    std::string Url() const;
    // "host:port" for error texts.
    std::string Display() const;

private:
    bool ParseScheme(std::string_view& rest, EMailProtocol protocol);
    bool ParseUserInfo(std::string_view& rest);
    bool ParseHostPort(std::string_view rest);
    bool ParseMailbox(std::string_view& rest);

    EMailProtocol m_eProtocol = EMailProtocol::Pop3;
    std::string m_strHost;
    int m_nPort = 0;
    bool m_bImplicitTls = false;
    bool m_bImap = false;
    std::string m_strMailbox;
    std::string m_strUser;
    std::string m_strPassword;
};
