#pragma once
// One POP3 session over libcurl: every command of a receive call goes over
// the same connection (one login, then LIST and one RETR per message). Mail is
// never deleted.

#include "config/CServerAddress.h"
#include "engine/maillib/CCurlHandle.h"

#include <string>
#include <utility>
#include <vector>

struct CPop3Entry {
    int nNumber = 0;
    long long nSize = 0;
    std::string strUidl; // empty when the server gave none
};

class CPop3Session {
public:
    // user and password in UTF-8, as the server expects them. With an
    // access token the login is by token (TLS required), the password unused.
    CPop3Session(const CServerAddress& server, const std::string& user, const std::string& password,
                 const std::string& accessToken = {});

    // True when the last failure was the server refusing the access token.
    bool TokenRefused() const { return m_bTokenRefused; }

    // The mailbox listing in the server's order (oldest first). Logs in on
    // the first call. False with a UTF-8 reason on failure.
    bool List(std::vector<CPop3Entry>& entries, std::string& error);

    // Adds each entry's UIDL from the server's UIDL listing, over the same
    // connection. False with a UTF-8 reason when the server cannot list them
    // (the entries then keep empty UIDLs and the caller can do without).
    bool AddUidls(std::vector<CPop3Entry>& entries, std::string& error);

    // Retrieves message `number` into a new file at path (created 0600,
    // never through an existing name). A partial file is removed; fewer
    // bytes than nListedSize (the size LIST gave) count as a cut transfer.
    bool Retrieve(int number, const std::string& path, std::string& error,
                  long long nListedSize = -1);

private:
    std::string Fail(CURLcode code);

    CServerAddress m_server;
    CCurlHandle m_curl;
    bool m_bTokenRefused = false;
};

// Parses UIDL lines "<number> <uidl>"; a UIDL is 1 to 70 printable
// characters, other lines are skipped.
std::vector<std::pair<int, std::string>> ParsePop3UidlListing(const std::string& listing);

// Parses LIST lines "<number> <size>"; lines of any other shape are skipped.
std::vector<CPop3Entry> ParsePop3Listing(const std::string& listing);
