#pragma once
// A server as the user writes it in the settings: "host", "host:port", or a
// URL "pop3://", "pop3s://", "smtp://", "smtps://" with an optional
// "user:password@" (SMTP authentication). Parsed once, checked strictly: a
// control character or blank never reaches libcurl.

#include <string>
#include <string_view>

enum class EMailProtocol { Pop3, Smtp };

// "%40" becomes "@"; a '%' without two hex digits stays as it is.
std::string PercentDecode(std::string_view text);

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

    // "scheme://host:port/" (no credentials: they go to libcurl separately).
    std::string Url() const;
    // "host:port" for error texts.
    std::string Display() const;

private:
    bool ParseScheme(std::string_view& rest, EMailProtocol protocol);
    bool ParseUserInfo(std::string_view& rest);
    bool ParseHostPort(std::string_view rest);

    EMailProtocol m_eProtocol = EMailProtocol::Pop3;
    std::string m_strHost;
    int m_nPort = 0;
    bool m_bImplicitTls = false;
    std::string m_strUser;
    std::string m_strPassword;
};
