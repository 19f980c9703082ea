#include "engine/oauth/CRedirectListener.h"

#include "config/CServerAddress.h"
#include "engine/oauth/OAuthTexts.h"

#include <arpa/inet.h>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <map>
#include <netinet/in.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

// A request line with a code and a state fits in far less.
constexpr size_t kMaxRequestBytes = 16 * 1024;
// A connection that sends nothing (a browser's speculative one) is dropped
// after this, so it cannot hold up the real redirect.
constexpr int kRequestMillis = 5000;

// A query value as a browser sends it: '+' for a blank, the rest
// percent-encoded.
std::string FormDecode(std::string text) {
    for (char& c : text)
        if (c == '+')
            c = ' ';
    return PercentDecode(text);
}

std::map<std::string, std::string> ParseQuery(const std::string& query) {
    std::map<std::string, std::string> values;
    size_t start = 0;
    while (start <= query.size()) {
        size_t end = query.find('&', start);
        std::string pair = query.substr(start, end == std::string::npos ? end : end - start);
        size_t equals = pair.find('=');
        if (equals != std::string::npos)
            values.emplace(FormDecode(pair.substr(0, equals)), FormDecode(pair.substr(equals + 1)));
        if (end == std::string::npos)
            break;
        start = end + 1;
    }
    return values;
}

// The request line's target ("/?code=..."), empty when the request is not
// a complete GET within the bounds.
std::string ReadTarget(int connection) {
    std::string request;
    char buffer[2048];
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(kRequestMillis);
    while (request.find("\r\n\r\n") == std::string::npos && request.size() < kMaxRequestBytes) {
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        pollfd ready{connection, POLLIN, 0};
        if (left.count() <= 0 || poll(&ready, 1, static_cast<int>(left.count())) <= 0)
            return {};
        ssize_t got = recv(connection, buffer, sizeof buffer, 0);
        if (got <= 0)
            return {};
        request.append(buffer, static_cast<size_t>(got));
    }
    if (request.rfind("GET ", 0) != 0)
        return {};
    size_t end = request.find(' ', 4);
    size_t lineEnd = request.find("\r\n");
    if (end == std::string::npos || end > lineEnd)
        return {};
    return request.substr(4, end - 4);
}

void Respond(int connection, const char* status, const std::string& page) {
    std::string response = std::string("HTTP/1.1 ") + status +
                           "\r\nContent-Type: text/html; charset=utf-8\r\nContent-Length: " +
                           std::to_string(page.size()) +
                           "\r\nCache-Control: no-store\r\nConnection: close\r\n\r\n" + page;
    size_t sent = 0;
    while (sent < response.size()) {
        ssize_t n = send(connection, response.data() + sent, response.size() - sent, MSG_NOSIGNAL);
        if (n <= 0)
            return;
        sent += static_cast<size_t>(n);
    }
}

bool Fail(COAuthError& error, EOAuthFailure failure, const char* text) {
    error.eFailure = failure;
    error.strText = text;
    return false;
}

} // namespace

CRedirectListener::CRedirectListener() {
    m_nCancelFd = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
}

CRedirectListener::~CRedirectListener() {
    if (m_nListenFd >= 0)
        close(m_nListenFd);
    if (m_nCancelFd >= 0)
        close(m_nCancelFd);
}

bool CRedirectListener::Listen(COAuthError& error) {
    error = COAuthError{};
    m_nListenFd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (m_nListenFd < 0 || m_nCancelFd < 0 ||
        bind(m_nListenFd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        listen(m_nListenFd, 8) != 0 ||
        getsockname(m_nListenFd, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        if (m_nListenFd >= 0)
            close(m_nListenFd);
        m_nListenFd = -1;
        return Fail(error, EOAuthFailure::Temporary, oauthtext::kListen);
    }
    m_nPort = ntohs(address.sin_port);
    return true;
}

std::string CRedirectListener::RedirectUri() const {
    return m_nPort == 0 ? std::string() : "http://127.0.0.1:" + std::to_string(m_nPort) + "/";
}

void CRedirectListener::Cancel() {
    uint64_t one = 1;
    if (write(m_nCancelFd, &one, sizeof one) < 0)
        return; // already signalled: the counter is full
}

CRedirectListener::ERequest CRedirectListener::Answer(int connection, const std::string& state,
                                                      std::string& code) {
    std::string target = ReadTarget(connection);
    size_t question = target.find('?');
    if (target.substr(0, question) != "/") {
        Respond(connection, "404 Not Found", "");
        return ERequest::Ignored;
    }
    auto query = ParseQuery(question == std::string::npos ? "" : target.substr(question + 1));
    if (query["state"] != state || state.empty()) {
        Respond(connection, "400 Bad Request", "");
        return ERequest::Ignored;
    }
    if (!query["code"].empty() && query["error"].empty()) {
        Respond(connection, "200 OK", oauthtext::kBrowserDone);
        code = query["code"];
        return ERequest::Code;
    }
    Respond(connection, "200 OK", oauthtext::kBrowserFailed);
    m_strRefusal = query["error"];
    return ERequest::Refused;
}

bool CRedirectListener::WaitForCode(const std::string& state, int timeoutSeconds, std::string& code,
                                    COAuthError& error) {
    error = COAuthError{};
    if (m_nListenFd < 0)
        return Fail(error, EOAuthFailure::Temporary, oauthtext::kListen);
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(timeoutSeconds);
    for (;;) {
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0)
            return Fail(error, EOAuthFailure::Cancelled, oauthtext::kTimedOut);
        pollfd ready[2] = {{m_nListenFd, POLLIN, 0}, {m_nCancelFd, POLLIN, 0}};
        int n = poll(ready, 2, static_cast<int>(left.count()));
        if (n < 0 && errno != EINTR)
            return Fail(error, EOAuthFailure::Temporary, oauthtext::kListen);
        if (n > 0 && ready[1].revents != 0)
            return Fail(error, EOAuthFailure::Cancelled, oauthtext::kCancelled);
        if (n <= 0 || ready[0].revents == 0)
            continue;
        int connection = accept4(m_nListenFd, nullptr, nullptr, SOCK_CLOEXEC);
        if (connection < 0)
            continue;
        ERequest request = Answer(connection, state, code);
        close(connection);
        if (request == ERequest::Code)
            return true;
        // The user said no, or the provider refused the client's request.
        if (request == ERequest::Refused && m_strRefusal == "access_denied")
            return Fail(error, EOAuthFailure::SignInAgain, oauthtext::kDenied);
        if (request == ERequest::Refused)
            return Fail(error, EOAuthFailure::Settings, oauthtext::kClientRefused);
    }
}
