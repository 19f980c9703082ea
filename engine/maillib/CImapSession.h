#pragma once
// One IMAP session over libcurl: the mailbox's status, its newest messages
// and their contents over one connection, without changing any flag.
//
// libcurl fetches a message by URL with "UID FETCH n BODY[]", which marks it
// read in a mailbox opened read-write, and it opens the mailbox read-write
// (SELECT) on every new connection. So the mailbox is opened read-only
// (EXAMINE) on the connection first, and a fetch never runs on any other: it
// may not open a connection of its own, and after any failed transfer the
// mailbox is examined again before the next fetch.

#include "config/CServerAddress.h"
#include "engine/maillib/CCurlHandle.h"

#include <string>
#include <vector>

// What STATUS or EXAMINE tell about a mailbox; 0 / -1 when the server did
// not say.
struct CImapStatus {
    unsigned long long nUidValidity = 0;
    unsigned long long nUidNext = 0;
    long long nMessages = -1;

    bool IsComplete() const { return nUidValidity != 0 && nUidNext != 0 && nMessages >= 0; }
    bool operator==(const CImapStatus&) const = default;
};

struct CImapEntry {
    unsigned long long nUid = 0;
    long long nSize = -1;
};

class CImapSession {
public:
    // user and password in UTF-8. With an access token the login is by
    // token (TLS required), the password unused.
    CImapSession(const CServerAddress& server, const std::string& user, const std::string& password,
                 const std::string& accessToken = {});

    // True when the last failure was the server refusing the access token.
    bool TokenRefused() const { return m_bTokenRefused; }

    // The mailbox's STATUS without opening it: the cheapest question a
    // server answers. Logs in on the first call.
    bool Status(CImapStatus& status, std::string& error);

    // Opens the mailbox read-only. Later calls work on its UIDVALIDITY.
    bool Examine(CImapStatus& status, std::string& error);

    // The newest nMax messages of the examined mailbox by UID, oldest first.
    bool ListNewest(std::size_t nMax, std::vector<CImapEntry>& entries, std::string& error);

    // The examined mailbox's UIDVALIDITY: the UIDs listed belong to it.
    unsigned long long UidValidity() const { return m_nUidValidity; }

    enum class ERetrieve { Ok, Gone, Failed };
    // Fetches message uid of the examined mailbox into a new file at path
    // (see CMessageFile). Gone: the server no longer has it. Fewer bytes
    // than nListedSize count as a cut transfer.
    ERetrieve Retrieve(unsigned long long uid, const std::string& path, std::string& error,
                       long long nListedSize);

private:
    // Runs the custom command on the URL; its untagged reply lines in reply.
    CURLcode Command(const std::string& url, const std::string& command, std::string& reply);
    ERetrieve FetchOnce(unsigned long long uid, const std::string& path, std::string& error,
                        long long nListedSize, CURLcode& code);
    bool WorthAnotherTry(CURLcode code) const;
    std::string Fail(CURLcode code);
    std::string MailboxUrl() const;

    CServerAddress m_server;
    std::string m_strMailbox; // as the server names it (modified UTF-7)
    CCurlHandle m_curl;
    bool m_bTokenRefused = false;
    bool m_bExamined = false; // the connection has the mailbox open read-only
    unsigned long long m_nUidValidity = 0;
    long long m_nExists = 0;
};

// Parsers of the reply lines (exposed for tests).
CImapStatus ParseImapStatus(const std::string& reply);
std::vector<CImapEntry> ParseImapFetchListing(const std::string& reply);
