#pragma once
// Tries the account settings against the servers without forwarding
// anything: a POP3 login and LIST (no message is retrieved, none deleted) or
// an IMAP login and STATUS of the folder (nothing opened, no flag changed),
// and an SMTP session up to RCPT TO for one forward-to address (no DATA: the
// session is reset and closed). Blocks for at most the connect and reply
// time-outs of each server, so it belongs on a worker thread.

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

class CConnectionTest {
public:
    static CConnectionTestResult Run(const CConnectionTestInput& input);

    static CConnectionCheck TestPop3(const std::string& strServer, const std::string& strAccount,
                                     const std::string& strPassword);
    static CConnectionCheck TestSmtp(const std::string& strServer, const std::string& strFrom,
                                     const std::string& strTo);
};
