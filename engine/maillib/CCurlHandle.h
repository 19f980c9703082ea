#pragma once
// One libcurl easy handle with the options every mail connection shares:
// certificate checks always on, the optional extra CA file, STARTTLS when
// offered, connect and stall time-outs, a bound on each transfer's total
// time, no signals. Reusing the handle for
// several transfers reuses its connection (one POP3 login for a mailbox).

#include "config/CServerAddress.h"

#include <curl/curl.h>
#include <memory>
#include <string>

// A libcurl string list (recipients, request headers), freed with its owner.
struct CSlistFree {
    void operator()(curl_slist* list) const { curl_slist_free_all(list); }
};
using CSlistPtr = std::unique_ptr<curl_slist, CSlistFree>;

// libcurl's write callback for a reply into a std::string, refusing (a
// failed transfer) once it would pass nMaxBytes: a hostile server cannot
// fill the memory.
template <std::size_t nMaxBytes>
size_t AppendBounded(char* data, size_t size, size_t count, void* target) {
    auto* text = static_cast<std::string*>(target);
    if (text->size() + size * count > nMaxBytes)
        return 0;
    text->append(data, size * count);
    return size * count;
}

class CCurlHandle {
public:
    CCurlHandle();
    ~CCurlHandle();
    CCurlHandle(const CCurlHandle&) = delete;
    CCurlHandle& operator=(const CCurlHandle&) = delete;

    bool IsValid() const { return m_pCurl != nullptr; }
    CURL* Get() const { return m_pCurl; }

    // Options for a connection to the server; user and password go to
    // libcurl's own options, never into the URL.
    void Configure(const CServerAddress& server, const std::string& user,
                   const std::string& password);

    // After Configure: log in with an OAuth2 access token instead of the
    // password (XOAUTH2 or OAUTHBEARER, whichever the server offers). TLS is
    // then required: without it libcurl would skip a login the server offers
    // only after STARTTLS and carry on unauthenticated.
    void UseAccessToken(const std::string& accessToken);

    // Options for one request to an OAuth2 provider's endpoint (https, or
    // http to this machine); no redirects are followed.
    void ConfigureWeb(const std::string& url);

    // Bounds the next transfers' total time for a message of nBytes
    // (Configure sets the bound of an empty one).
    void BoundTransfer(long long nBytes);

    // Runs the transfer set up by the caller; clears the last reply first.
    CURLcode Perform();

    // While false, a transfer that would need a new connection fails
    // (CURLE_COULDNT_CONNECT) instead of opening one: an IMAP fetch must only
    // ever run on the connection whose mailbox was opened read-only.
    void AllowNewConnections(bool bAllow) { m_bNewConnections = bAllow; }
    // True when the last transfer failed for want of a new connection.
    bool RefusedNewConnection() const { return m_bRefusedConnection; }

    // The last refusal the server sent ("-ERR ...", "550 ..."), for error
    // texts; the polite end of the session ("221 Bye") does not replace it.
    const std::string& LastErrorReply() const { return m_strLastErrorReply; }
    // libcurl's detailed message of the last failure, empty when none.
    std::string ErrorDetail() const { return m_szError; }

    // A UTF-8 error text for a failed transfer: what went wrong in the
    // user's terms, then the server's reply or libcurl's detail.
    std::string DescribeFailure(CURLcode code, const CServerAddress& server) const;
    // The same for a server named by host and "host:port" alone.
    std::string DescribeFailure(CURLcode code, const std::string& host,
                                const std::string& display) const;

    // True when the last transfer failed because the server refused the
    // access token given to UseAccessToken (a new one may pass), not
    // because it could not check it just now or offers no token login.
    bool TokenRefused(CURLcode code) const;

private:
    void ConfigureCommon(const std::string& url, const char* protocols);
    static int OnDebug(CURL* handle, curl_infotype type, char* data, size_t size, void* self);
    static curl_socket_t OnOpenSocket(void* self, curlsocktype purpose, curl_sockaddr* address);
    static int OnSocketOptions(void* self, curl_socket_t socket, curlsocktype purpose);
    void RememberReply(const char* data, size_t size);
    std::string Detail(CURLcode code) const;

    CURL* m_pCurl = nullptr;
    char m_szError[CURL_ERROR_SIZE] = {};
    long m_nBoundSeconds = 0;
    std::string m_strLastErrorReply;
    bool m_bAccessToken = false;
    bool m_bNewConnections = true;
    bool m_bRefusedConnection = false;
    bool m_bTookEarlyConnection = false; // the socket just opened is already connected
    CSlistPtr m_pResolve;                // the early connection's address, for libcurl
};
