#include "engine/maillib/CCurlHandle.h"

#include "engine/maillib/CEarlyConnection.h"
#include "engine/maillib/CErrorText.h"
#include "engine/maillib/CMailOptions.h"
#include "engine/maillib/MailTexts.h"

#include <mutex>
#include <string_view>
#include <sys/socket.h>

namespace {

// A reply line longer than this carries nothing an 80-byte text could show.
constexpr size_t kMaxReplyKept = 200;

void InitCurlOnce() {
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

// IMAP: "A003 NO ...", "A003 BAD ...", "* BYE ...": libcurl's tag (a letter
// and digits) or '*', then the word.
bool IsImapRefusal(const std::string& reply) {
    std::size_t blank = reply.find(' ');
    if (blank == std::string::npos || blank == 0)
        return false;
    std::string_view tag = std::string_view(reply).substr(0, blank);
    bool tagged = tag.size() > 1 && tag[0] >= 'A' && tag[0] <= 'Z' &&
                  tag.find_first_not_of("0123456789", 1) == std::string_view::npos;
    if (tag != "*" && !tagged)
        return false;
    std::string_view word = std::string_view(reply).substr(blank + 1);
    return word.rfind("NO ", 0) == 0 || word.rfind("BAD ", 0) == 0 ||
           (reply[0] == '*' && word.rfind("BYE ", 0) == 0);
}

bool IsErrorReply(const std::string& reply) {
    return reply.rfind("-ERR", 0) == 0 ||
           (!reply.empty() && (reply[0] == '4' || reply[0] == '5')) || IsImapRefusal(reply);
}

} // namespace

CCurlHandle::CCurlHandle() {
    InitCurlOnce();
    m_pCurl = curl_easy_init();
}

CCurlHandle::~CCurlHandle() {
    if (m_pCurl != nullptr)
        curl_easy_cleanup(m_pCurl);
}

void CCurlHandle::ConfigureCommon(const std::string& url, const char* protocols) {
    CMailOptions& options = CMailOptions::Instance();
    curl_easy_setopt(m_pCurl, CURLOPT_URL, url.c_str());
    curl_easy_setopt(m_pCurl, CURLOPT_PROTOCOLS_STR, protocols);
    curl_easy_setopt(m_pCurl, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(m_pCurl, CURLOPT_ERRORBUFFER, m_szError);
    curl_easy_setopt(m_pCurl, CURLOPT_SSL_VERIFYPEER, 1L);
    curl_easy_setopt(m_pCurl, CURLOPT_SSL_VERIFYHOST, 2L);
    // CAINFO replaces only the bundle file; the system's hashed certificate
    // folder (CAPATH) stays in use, so the file adds to the system store.
    std::string caFile = options.CaFile();
    if (!caFile.empty())
        curl_easy_setopt(m_pCurl, CURLOPT_CAINFO, caFile.c_str());

    // Connect covers TCP, greeting and TLS handshake; a server that goes
    // silent later is caught by the reply time-out and the low-speed check.
    curl_easy_setopt(m_pCurl, CURLOPT_CONNECTTIMEOUT, options.ConnectSeconds());
    curl_easy_setopt(m_pCurl, CURLOPT_SERVER_RESPONSE_TIMEOUT, options.StallSeconds());
    curl_easy_setopt(m_pCurl, CURLOPT_LOW_SPEED_LIMIT, 1L);
    curl_easy_setopt(m_pCurl, CURLOPT_LOW_SPEED_TIME, options.StallSeconds());
    BoundTransfer(0);

    curl_easy_setopt(m_pCurl, CURLOPT_OPENSOCKETFUNCTION, &CCurlHandle::OnOpenSocket);
    curl_easy_setopt(m_pCurl, CURLOPT_OPENSOCKETDATA, this);
    curl_easy_setopt(m_pCurl, CURLOPT_SOCKOPTFUNCTION, &CCurlHandle::OnSocketOptions);
    curl_easy_setopt(m_pCurl, CURLOPT_SOCKOPTDATA, this);
    curl_easy_setopt(m_pCurl, CURLOPT_DEBUGFUNCTION, &CCurlHandle::OnDebug);
    curl_easy_setopt(m_pCurl, CURLOPT_DEBUGDATA, this);
    curl_easy_setopt(m_pCurl, CURLOPT_VERBOSE, 1L);
}

void CCurlHandle::Configure(const CServerAddress& server, const std::string& user,
                            const std::string& password) {
    ConfigureCommon(server.Url(), "pop3,pop3s,imap,imaps,smtp,smtps");
    const std::string early = CEarlyConnection::ResolveEntry(
        server.Host(), server.Port(), CMailOptions::Instance().ConnectSeconds());
    if (!early.empty()) {
        m_pResolve.reset(curl_slist_append(nullptr, early.c_str()));
        curl_easy_setopt(m_pCurl, CURLOPT_RESOLVE, m_pResolve.get());
    }
    if (!user.empty()) {
        curl_easy_setopt(m_pCurl, CURLOPT_USERNAME, user.c_str());
        curl_easy_setopt(m_pCurl, CURLOPT_PASSWORD, password.c_str());
    }
    // A plain connection is upgraded when the server offers STARTTLS; a
    // certificate that does not verify then fails the call, never downgrades.
    if (!server.ImplicitTls())
        curl_easy_setopt(m_pCurl, CURLOPT_USE_SSL, static_cast<long>(CURLUSESSL_TRY));
}

void CCurlHandle::UseAccessToken(const std::string& accessToken) {
    m_bAccessToken = true;
    curl_easy_setopt(m_pCurl, CURLOPT_PASSWORD, nullptr);
    curl_easy_setopt(m_pCurl, CURLOPT_XOAUTH2_BEARER, accessToken.c_str());
    // On an implicit TLS connection this changes nothing; on a plain one
    // it makes a server without STARTTLS a failure.
    curl_easy_setopt(m_pCurl, CURLOPT_USE_SSL, static_cast<long>(CURLUSESSL_ALL));
}

void CCurlHandle::ConfigureWeb(const std::string& url) {
    ConfigureCommon(url, "https,http");
    curl_easy_setopt(m_pCurl, CURLOPT_FOLLOWLOCATION, 0L);
}

// The stall checks never fire while a server sends a byte now and then; the
// bound ends such a transfer, so a cycle cannot be held for ever.
void CCurlHandle::BoundTransfer(long long nBytes) {
    m_nBoundSeconds = CMailOptions::Instance().TransferSeconds(nBytes);
    curl_easy_setopt(m_pCurl, CURLOPT_TIMEOUT, m_nBoundSeconds);
}

CURLcode CCurlHandle::Perform() {
    m_strLastErrorReply.clear();
    m_szError[0] = '\0';
    m_bRefusedConnection = false;
    return curl_easy_perform(m_pCurl);
}

curl_socket_t CCurlHandle::OnOpenSocket(void* self, curlsocktype, curl_sockaddr* address) {
    auto* handle = static_cast<CCurlHandle*>(self);
    if (!handle->m_bNewConnections) {
        handle->m_bRefusedConnection = true;
        return CURL_SOCKET_BAD;
    }
    const int early = CEarlyConnection::Take(&address->addr, address->addrlen);
    handle->m_bTookEarlyConnection = early >= 0;
    if (early >= 0)
        return early;
    // Close-on-exec: a program started while a cycle runs gets no mail connection.
    return socket(address->family, address->socktype | SOCK_CLOEXEC, address->protocol);
}

int CCurlHandle::OnSocketOptions(void* self, curl_socket_t, curlsocktype) {
    auto* handle = static_cast<CCurlHandle*>(self);
    if (!handle->m_bTookEarlyConnection)
        return CURL_SOCKOPT_OK;
    handle->m_bTookEarlyConnection = false;
    return CURL_SOCKOPT_ALREADY_CONNECTED;
}

// Only what the server sends is kept: outgoing lines hold the credentials.
int CCurlHandle::OnDebug(CURL*, curl_infotype type, char* data, size_t size, void* self) {
    if (type == CURLINFO_HEADER_IN)
        static_cast<CCurlHandle*>(self)->RememberReply(data, size);
    return 0;
}

void CCurlHandle::RememberReply(const char* data, size_t size) {
    std::string line(data, size < kMaxReplyKept ? size : kMaxReplyKept);
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r'))
        line.pop_back();
    if (IsErrorReply(line))
        m_strLastErrorReply = std::move(line);
}

std::string CCurlHandle::Detail(CURLcode code) const {
    if (!m_strLastErrorReply.empty())
        return m_strLastErrorReply;
    if (m_szError[0] != '\0')
        return m_szError;
    return curl_easy_strerror(code);
}

std::string CCurlHandle::DescribeFailure(CURLcode code, const CServerAddress& server) const {
    return DescribeFailure(code, server.Host(), server.Display());
}

std::string CCurlHandle::DescribeFailure(CURLcode code, const std::string& host,
                                         const std::string& display) const {
    switch (code) {
    case CURLE_COULDNT_RESOLVE_HOST:
        return CErrorText::Join(mailtext::kResolve, host);
    case CURLE_COULDNT_CONNECT:
        return CErrorText::Join(mailtext::kConnect, display);
    case CURLE_OPERATION_TIMEDOUT: {
        curl_off_t micros = 0;
        curl_easy_getinfo(m_pCurl, CURLINFO_TOTAL_TIME_T, &micros);
        // The bound, not a silent server, when the whole time ran out.
        bool bound = micros + 500000 >= static_cast<curl_off_t>(m_nBoundSeconds) * 1000000;
        return CErrorText::Join(bound ? mailtext::kTooSlow : mailtext::kTimeout, display);
    }
    case CURLE_PEER_FAILED_VERIFICATION:
#if LIBCURL_VERSION_NUM < 0x073e00
    case CURLE_SSL_CACERT:
#endif
    case CURLE_SSL_CACERT_BADFILE:
        return CErrorText::Join(mailtext::kCertificate, m_szError);
    case CURLE_USE_SSL_FAILED:
        if (m_bAccessToken)
            return mailtext::kNoTls;
        [[fallthrough]];
    case CURLE_SSL_CONNECT_ERROR:
        return CErrorText::Join(mailtext::kTls, Detail(code));
    case CURLE_LOGIN_DENIED:
        return CErrorText::Join(mailtext::kLogin, Detail(code));
    case CURLE_WRITE_ERROR:
        return mailtext::kSaveFailed;
    case CURLE_WEIRD_SERVER_REPLY:
    case CURLE_GOT_NOTHING:
    case CURLE_RECV_ERROR:
    case CURLE_SEND_ERROR:
        return CErrorText::Join(mailtext::kProtocol, Detail(code));
    default:
        return CErrorText::Join(mailtext::kNetwork, Detail(code));
    }
}

// A refused token ends the login with a permanent refusal: POP3 "-ERR"
// ("-ERR [AUTH] ..."), SMTP 5xx (535). A server that could not reach its
// token check says so ("-ERR [SYS/TEMP]", "[UNAVAILABLE]", SMTP 4xx), and a
// server without a token login sends no refusal at all.
bool CCurlHandle::TokenRefused(CURLcode code) const {
    if (!m_bAccessToken || code != CURLE_LOGIN_DENIED || m_strLastErrorReply.empty())
        return false;
    const std::string& reply = m_strLastErrorReply;
    bool temporary = reply[0] == '4' || reply.find("[SYS/TEMP]") != std::string::npos ||
                     reply.find("[UNAVAILABLE]") != std::string::npos ||
                     reply.find("[IN-USE]") != std::string::npos;
    return !temporary;
}
