#pragma once
// Sends one composed mail to one recipient over libcurl SMTP: STARTTLS when
// offered (smtps:// for implicit TLS), AUTH when the server text carries
// "user:password@" or an access token is given (then TLS is required).

#include "config/CServerAddress.h"
#include "engine/maillib/maillib.h"

#include <string>

class CSmtpSender {
public:
    // Addresses must have passed IsSafeMailAddress. False with a UTF-8
    // reason: refused sender, recipient or message, login, network.
    bool Send(const CServerAddress& server, const std::string& from, const std::string& to,
              const std::string& message, std::string& error);

    // Later sends log in as user with this OAuth2 access token instead of
    // the server text's password.
    void UseAccessToken(const std::string& user, const std::string& accessToken);

    // True when the last Send failed because the server refused the token.
    bool TokenRefused() const { return m_bTokenRefused; }

    // The name the client greets the server with: this machine's host name
    // when it is a plain DNS name, else "localhost".
    static std::string GreetingName();

    // True when the last Send failed because the server did not answer in
    // time (connect, greeting or a reply).
    bool TimedOut() const { return m_bTimedOut; }

    // The reply code of the server's refusal that failed the last Send
    // (450, 550, 554 ...); 0 when it failed otherwise or succeeded.
    int ReplyCode() const { return m_nReplyCode; }

    // What the server refused when the last Send failed at RCPT or after
    // DATA; None for every other failure.
    EMailRefusal Refusal() const { return m_refusal; }

private:
    static size_t ReadMessage(char* buffer, size_t size, size_t count, void* source);

    bool m_bTimedOut = false;
    bool m_bTokenRefused = false;
    int m_nReplyCode = 0;
    std::string m_strTokenUser;
    std::string m_strAccessToken;
    EMailRefusal m_refusal = EMailRefusal::None;
};
