#include "engine/maillib/CSmtpSender.h"

#include "engine/maillib/CCurlHandle.h"
#include "engine/maillib/CErrorText.h"
#include "engine/maillib/MailTexts.h"

#include <algorithm>
#include <charconv>
#include <cstring>
#include <memory>
#include <string_view>
#include <unistd.h>

namespace {

struct CUploadSource {
    std::string_view remaining;
};

bool IsDnsName(std::string_view name) {
    if (name.empty() || name.size() > 253)
        return false;
    for (char c : name)
        if (!((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
              c == '-' || c == '.'))
            return false;
    return true;
}

// libcurl reports a refused MAIL or RCPT as a send error whose detail names
// the command; a refusal after DATA as an odd reply.
std::string DescribeSmtpFailure(CURLcode code, const CCurlHandle& curl,
                                const CServerAddress& server, EMailRefusal& refusal) {
    std::string detail = curl.ErrorDetail();
    std::string reply = curl.LastErrorReply();
    std::string shown = reply.empty() ? detail : reply;
    refusal = EMailRefusal::None;
    if (detail.rfind("RCPT failed", 0) == 0) {
        refusal = EMailRefusal::Recipient;
        return CErrorText::Join(mailtext::kRecipientRefused, shown);
    }
    if (detail.rfind("MAIL failed", 0) == 0)
        return CErrorText::Join(mailtext::kSenderRefused, shown);
    if (code == CURLE_WEIRD_SERVER_REPLY && !reply.empty() &&
        (reply[0] == '4' || reply[0] == '5')) {
        refusal = EMailRefusal::Message;
        return CErrorText::Join(mailtext::kDataRefused, reply);
    }
    return curl.DescribeFailure(code, server);
}

// "550 5.1.1 unknown user" gives 550; anything else 0.
int ReplyCodeOf(const std::string& reply) {
    int code = 0;
    auto [end, ec] = std::from_chars(reply.data(), reply.data() + reply.size(), code);
    return ec == std::errc() && end - reply.data() == 3 && code >= 400 && code <= 599 ? code : 0;
}

} // namespace

std::string CSmtpSender::GreetingName() {
    char name[256] = {};
    if (gethostname(name, sizeof name - 1) == 0 && IsDnsName(name))
        return name;
    return "localhost";
}

void CSmtpSender::UseAccessToken(const std::string& user, const std::string& accessToken) {
    m_strTokenUser = user;
    m_strAccessToken = accessToken;
}

size_t CSmtpSender::ReadMessage(char* buffer, size_t size, size_t count, void* source) {
    auto* upload = static_cast<CUploadSource*>(source);
    size_t length = std::min(size * count, upload->remaining.size());
    std::memcpy(buffer, upload->remaining.data(), length);
    upload->remaining.remove_prefix(length);
    return length;
}

bool CSmtpSender::Send(const CServerAddress& server, const std::string& from, const std::string& to,
                       const std::string& message, std::string& error) {
    m_bTimedOut = false;
    m_bTokenRefused = false;
    m_nReplyCode = 0;
    m_refusal = EMailRefusal::None;
    CCurlHandle curl;
    if (!curl.IsValid()) {
        error = mailtext::kNetwork;
        return false;
    }
    if (m_strAccessToken.empty()) {
        curl.Configure(server, server.User(), server.Password());
    } else {
        curl.Configure(server, m_strTokenUser, {});
        curl.UseAccessToken(m_strAccessToken);
    }
    std::string url = server.Url() + GreetingName();
    std::string mailFrom = "<" + from + ">";
    CSlistPtr recipients(curl_slist_append(nullptr, ("<" + to + ">").c_str()));
    CUploadSource upload{message};
    CURL* handle = curl.Get();
    curl_easy_setopt(handle, CURLOPT_URL, url.c_str());
    curl_easy_setopt(handle, CURLOPT_MAIL_FROM, mailFrom.c_str());
    curl_easy_setopt(handle, CURLOPT_MAIL_RCPT, recipients.get());
    curl_easy_setopt(handle, CURLOPT_UPLOAD, 1L);
    curl_easy_setopt(handle, CURLOPT_READFUNCTION, &CSmtpSender::ReadMessage);
    curl_easy_setopt(handle, CURLOPT_READDATA, &upload);
    curl_easy_setopt(handle, CURLOPT_INFILESIZE_LARGE, static_cast<curl_off_t>(message.size()));
    curl.BoundTransfer(static_cast<long long>(message.size()));
    CURLcode code = curl.Perform();
    m_bTimedOut = code == CURLE_OPERATION_TIMEDOUT;
    if (code != CURLE_OK) {
        m_nReplyCode = ReplyCodeOf(curl.LastErrorReply());
        m_bTokenRefused = curl.TokenRefused(code);
        error = m_bTokenRefused ? CErrorText::Join(mailtext::kTokenRefused, curl.LastErrorReply())
                                : DescribeSmtpFailure(code, curl, server, m_refusal);
        return false;
    }
    return true;
}
