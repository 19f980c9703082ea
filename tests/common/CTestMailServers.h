#pragma once
// The real mail servers for one test program: Dovecot (POP3 with STARTTLS,
// POP3S, IMAP with STARTTLS, IMAPS) and the suite's aiosmtpd handler (SMTP with STARTTLS, SMTPS,
// plain SMTP, SMTP offering XOAUTH2 alone), and the suite's OAuth2 provider whose access tokens
// both take, started on free loopback ports in a private folder by tests/servers/mailservers and
// stopped by the destructor. The certificate is self-signed and made at start; CaFile() names it.

#include <string>
#include <string_view>
#include <vector>

// One message as the SMTP server received it.
struct CReceivedMail {
    std::string strPort; // "smtp", "smtps" or "plain"
    std::string strMailFrom;
    std::vector<std::string> rcptTos;
    std::string strAuthUser;      // empty without AUTH
    std::string strAuthMechanism; // "PLAIN/LOGIN", "XOAUTH2", "OAUTHBEARER"; empty without AUTH
    bool bTls = false;
    std::string strContent; // the bytes after DATA, exactly
};

class CTestMailServers {
public:
    CTestMailServers();
    ~CTestMailServers();
    CTestMailServers(const CTestMailServers&) = delete;
    CTestMailServers& operator=(const CTestMailServers&) = delete;

    bool IsRunning() const { return m_bRunning; }
    const std::string& StartError() const { return m_strStartError; }
    const std::string& Folder() const { return m_strFolder; }
    std::string CaFile() const;

    int Pop3Port() const { return m_nPop3Port; }
    int Pop3sPort() const { return m_nPop3sPort; }
    int SmtpPort() const { return m_nSmtpPort; }               // STARTTLS offered
    int SmtpsPort() const { return m_nSmtpsPort; }             // implicit TLS
    int SmtpPlainPort() const { return m_nSmtpPlainPort; }     // no TLS at all
    int SmtpXoauth2Port() const { return m_nSmtpXoauth2Port; } // STARTTLS; XOAUTH2, no OAUTHBEARER
    int OAuthPort() const { return m_nOAuthPort; }
    int ImapPort() const { return m_nImapPort; }   // STARTTLS offered
    int ImapsPort() const { return m_nImapsPort; } // implicit TLS

    // "http://127.0.0.1:PORT" + path of the OAuth2 provider.
    std::string OAuthUrl(const std::string& path) const;
    // A POST of form (already encoded: "client_id=c&rotate=1") to one of the
    // provider's test endpoints ("/control/client", "/device/approve", ...);
    // the answer's body, empty when the request failed.
    std::string OAuthControl(const std::string& path, const std::string& form) const;

    // Server texts as a user writes them in the settings.
    std::string Pop3Server() const { return "127.0.0.1:" + std::to_string(m_nPop3Port); }
    std::string Pop3sServer() const { return "pop3s://127.0.0.1:" + std::to_string(m_nPop3sPort); }
    std::string SmtpServer() const { return "127.0.0.1:" + std::to_string(m_nSmtpPort); }
    // folder: "" for INBOX, else "/" + the folder as written in a URL.
    std::string ImapServer(const std::string& folder = "") const {
        return "imap://127.0.0.1:" + std::to_string(m_nImapPort) + folder;
    }
    std::string ImapsServer(const std::string& folder = "") const {
        return "imaps://127.0.0.1:" + std::to_string(m_nImapsPort) + folder;
    }

    void AddPop3User(std::string_view user, std::string_view password) const;
    void AddSmtpUser(std::string_view user, std::string_view password) const;

    // Delivers a message into the user's mailbox as the newest one; returns
    // its file name (the server's UIDL).
    std::string AddMessage(std::string_view user, std::string_view content);
    void RemoveMessage(std::string_view user, const std::string& name) const;

    // Another IMAP client at work in the user's mailbox (password
    // "pw-<user>-Secret", as the mail tests give it): one command on a
    // mailbox it opens read-write ("" for none: CREATE, DELETE); the
    // untagged reply lines, or "ERROR ..." when the command failed.
    std::string ImapCommand(std::string_view user, const std::string& mailbox,
                            const std::string& command) const;
    // Appends a message to a folder (modified UTF-7 name) as such a client.
    bool ImapAppend(std::string_view user, const std::string& mailbox,
                    std::string_view content) const;

    // Ends every IMAP connection of the user, as a server does that closes
    // idle connections or restarts.
    void KickImapUser(std::string_view user) const;

    // The file names of the user's INBOX messages (their flags are part of
    // the name), sorted.
    std::vector<std::string> MessageFileNames(std::string_view user) const;

    // From now on Dovecot logs every IMAP command of the user (one log per
    // connection).
    void RecordImapCommands(std::string_view user) const;
    // The commands of each recorded connection, oldest connection first,
    // without their tags ("LOGOUT", "UID FETCH 3 BODY[]").
    std::vector<std::vector<std::string>> RecordedImapCommands(std::string_view user) const;
    // Of those, the connections of the library under test (each sends STATUS
    // or EXAMINE, which the other client here never does), once Dovecot has
    // written at least nExpected of them whole (or after two seconds).
    std::vector<std::vector<std::string>> LibraryImapSessions(std::string_view user,
                                                              std::size_t nExpected) const;

    // Scripts an SMTP refusal for every address, in place of every rule
    // before, until cleared with an empty text: "rcpt 450", "rcpt 550",
    // "data 451", "data 554" or "data drop" (connection closed after DATA,
    // no reply).
    void SetSmtpFault(const std::string& fault) const;
    // Adds a rule beside those set before (the first that applies answers;
    // SetSmtpFault("") clears them all). One recipient is answered code at
    // RCPT, for good when attempts is 0, else for its next attempts RCPTs.
    void RefuseSmtpRecipient(std::string_view address, int code, int attempts = 0) const;
    // Every message that holds text (in its bytes, its decoded subject or a
    // decoded text part) is answered code after DATA.
    void RefuseSmtpContent(std::string_view text, int code) const;

    // Everything the SMTP server accepted, in arrival order.
    std::vector<CReceivedMail> ReceivedMails() const;

private:
    bool ReadPorts();
    bool RunScript(const char* command) const;
    std::string Maildir(std::string_view user) const;

    std::string m_strFolder;
    std::string m_strStartError;
    bool m_bRunning = false;
    int m_nPop3Port = 0;
    int m_nPop3sPort = 0;
    int m_nSmtpPort = 0;
    int m_nSmtpsPort = 0;
    int m_nSmtpPlainPort = 0;
    int m_nSmtpXoauth2Port = 0;
    int m_nOAuthPort = 0;
    int m_nImapPort = 0;
    int m_nImapsPort = 0;
    unsigned m_nMessageCounter = 0;
};

// A loopback port that nobody listens on (connections are refused).
int UnusedLoopbackPort();
