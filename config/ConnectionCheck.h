#pragma once
// What a test of the account settings against the servers takes and finds
// (engine/maillib/CConnectionTest runs it; the account page shows it).

#include <string>

enum class EConnectionOutcome {
    Ok,
    Missing,          // a setting the test needs is empty
    BadSetting,       // a server text, the account or an address cannot be used
    CannotConnect,    // nobody there: refused, unknown name
    NoAnswer,         // connected, but the server did not answer in time
    TlsFailed,        // encryption or the certificate check failed
    LoginRefused,     // the server refused the account or the password
    SenderRefused,    // MAIL FROM refused
    RecipientRefused, // RCPT TO refused
    Failed            // anything else went wrong
};

// The outcome for one server. Texts are UTF-8 and never hold the password.
struct CConnectionCheck {
    EConnectionOutcome eOutcome = EConnectionOutcome::Missing;
    std::string strServer;      // "host:port" as tried; empty when the text was not usable
    std::string strReply;       // the server's last relevant reply line, empty when none
    std::string strDescription; // what went wrong, with the server's reply or the detail
    int nMessages = -1;         // POP3, IMAP: messages in the mailbox after a good login
    std::string strRecipient;   // SMTP: the address tried at RCPT, empty when none

    bool IsOk() const { return eOutcome == EConnectionOutcome::Ok; }
};

// The settings as the account page holds them, in UTF-8.
struct CConnectionTestInput {
    std::string strPop3Server;
    std::string strAccount;
    std::string strPassword;
    std::string strSmtpServer;
    std::string strMailAddress; // the sender of forwarded mail
    std::string strForwardTo;   // the first forward-to address; empty: no RCPT
    std::string strCaFile;      // RECV / CAFILE: an extra certificate to trust
};

struct CConnectionTestResult {
    CConnectionCheck pop3;
    CConnectionCheck smtp;
};
