#pragma once
// The mail library: receive (POP3, IMAP), decode (MIME) and send (SMTP) with typed
// values. Every text is UTF-8; a failure comes back as a CMailError whose
// text says in Japanese what went wrong, on one line.

#include <cstddef>
#include <string>
#include <vector>

// The mailbox to receive from, as the settings name it.
struct CPop3Account {
    // "host", "host:port", "pop3://...", "pop3s://...", or an IMAP mailbox
    // "imap://host[:port][/Folder]", "imaps://..." (INBOX without a folder)
    std::string strServer;
    std::string strUser;
    std::string strPassword;
    // An OAuth2 access token: when set, the login is by token (XOAUTH2 or
    // OAUTHBEARER, whichever the server offers) over TLS only, and the
    // password is not used. (Braces: accounts written as three values stay
    // complete initializations.)
    std::string strAccessToken{};
};

// Signing in to an SMTP server with an OAuth2 access token instead of the
// server text's "user:password@" (TLS required).
struct CTokenLogin {
    std::string strUser;        // the mailbox's login name
    std::string strAccessToken; // a current access token
};

// One message of the mailbox, received into a file of its own.
struct CReceivedMessage {
    // The message's unique id: POP3 the server's UIDL (empty when it gave
    // none); IMAP "imap:<UIDVALIDITY>.<UID>@<mailbox tag>", which changes
    // when the server renews the mailbox's UIDs.
    std::string strUidl;
    std::string strPath; // the message file in the library's private folder
    long long nSize = 0; // bytes, as the server listed them
};

// The header fields the forwarding cycle tests and forwards. Encoded words
// are decoded; control characters (line breaks, TAB) are blanks, so no field
// can break a line of whatever it is written into.
struct CMessageHeader {
    std::string strFrom;      // display name decoded, with the address
    std::string strDate;      // the date text as written, trimmed
    std::string strSubject;   // trimmed
    std::string strMessageId; // without angle brackets, trimmed
};

struct CDecodedMessage {
    CMessageHeader header;
    std::string strBody;                     // the text, CR LF line ends
    std::vector<std::string> vecAttachments; // files written for it, in mail order
};

// A mail to send: UTF-8 text/plain (subject as an encoded word) plus one
// base64 part per attachment file.
struct COutgoingMail {
    std::string strFrom;
    std::string strTo;
    std::string strSubject;
    std::string strBody;
    std::vector<std::string> vecAttachments;
};

// What the SMTP server refused of a failed send. A refusal of the recipient
// or of the message concerns this one mail; any other failure (no
// connection, TLS, login, the sender address, a time-out, a connection
// dropped before the reply) concerns every send to that server.
enum class EMailRefusal { None, Recipient, Message };

struct CMailError {
    std::string strText; // empty while nothing failed
    int nReplyCode = 0;  // a server's refusal (e.g. SMTP 450, 550); 0 for any other failure
    // The server refused the access token: a refreshed one may pass, so the
    // caller refreshes it and tries once more. False for every other failure
    // (a server that could not check the token just now, a network fault).
    bool bTokenRefused = false;
    EMailRefusal refusal = EMailRefusal::None;
};

// The most messages one receive lists: the newest of a larger mailbox.
inline constexpr std::size_t kMaxListedMessages = 256;

// Leaves the mail on the server and lists the mailbox oldest first (the
// newest kMaxListedMessages when it holds more, by UID on IMAP), one file per
// message in a private folder inside tempDir. Files of the previous call, and
// attachments decoded since, are removed first. IMAP mail keeps its flags:
// nothing is marked read.
bool ReceiveMailbox(const CPop3Account& account, const std::string& tempDir,
                    std::vector<CReceivedMessage>& received, CMailError& error);

struct CReceiveOptions {
    // An IMAP mailbox whose UIDVALIDITY, UIDNEXT and message count are those
    // recorded by MarkMailboxHandled (one STATUS tells) is not listed: no
    // message arrived or left since. The call then receives nothing and
    // reports bUnchanged. Whether that may end a cycle early (no retries
    // waiting, say) is the caller's decision; false lists as always.
    bool bSkipWhenUnchanged = false;
};

struct CReceiveResult {
    std::vector<CReceivedMessage> messages; // as the call above receives them
    bool bUnchanged = false;                // skipped: the mailbox is as last handled
};

bool ReceiveMailbox(const CPop3Account& account, const std::string& tempDir,
                    const CReceiveOptions& options, CReceiveResult& result, CMailError& error);

// Records that every message the last ReceiveMailbox of this account listed
// has been handled, so a later call with bSkipWhenUnchanged may skip the
// mailbox while it stays as it is. Kept in tempDir's private folder (a lost
// record costs one listing). Does nothing for POP3, or when the last call
// listed nothing.
void MarkMailboxHandled(const CPop3Account& account, const std::string& tempDir);

// The header fields alone, from the message's header block; nothing is
// written. Answered from an index beside the message cache when an earlier
// call decoded the same message.
bool DecodeHeader(const CReceivedMessage& message, CMessageHeader& header, CMailError& error);

// The whole message: header fields, the first text part as the body (an
// HTML-only mail as plain text), attachments written under safe names into a
// folder of their own inside the private folder of tempDir.
bool DecodeMessage(const CReceivedMessage& message, const std::string& tempDir,
                   CDecodedMessage& decoded, CMailError& error);

// server: "host", "host:port", "smtp://..." or "smtps://...", with optional
// "user:password@" for SMTP authentication.
bool SendMail(const std::string& server, const COutgoingMail& mail, CMailError& error);
// The same, logging in with an access token (a "user:password@" in the
// server text is not used).
bool SendMail(const std::string& server, const CTokenLogin& login, const COutgoingMail& mail,
              CMailError& error);

// A CA certificate file trusted in addition to the system store for every
// later POP3, IMAP and SMTP connection; empty for the system store alone.
void SetMailCaFile(const std::string& path);

// Time-outs of every later connection, in seconds (at least 1): connect
// (TCP, greeting and TLS handshake) and stall (longest wait for a reply or
// for data). Defaults 30 and 30; tests shorten them.
void SetMailTimeouts(long connectSeconds, long stallSeconds);

// The total time one retrieval or one send may take, however steadily the
// data trickles: baseSeconds plus one second for every kilobytesPerSecond KB
// of the message. Defaults 60 and 10; tests shorten them.
void SetMailTransferBound(long baseSeconds, long kilobytesPerSecond);
