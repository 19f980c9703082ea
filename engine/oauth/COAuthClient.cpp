#include "engine/oauth/COAuthClient.h"

#include "config/CServerAddress.h"
#include "engine/maillib/CCurlHandle.h"
#include "engine/maillib/CErrorText.h"
#include "engine/oauth/CJsonObject.h"
#include "engine/oauth/OAuthTexts.h"
#include "platform/codepage.h"

#include <algorithm>
#include <chrono>
#include <ctime>
#include <memory>
#include <thread>

namespace {

// Token answers are a few kilobytes; more is not an answer to read.
constexpr size_t kMaxReplyBytes = 64 * 1024;
// RFC 8628: a provider that asks to slow down gets five seconds more.
constexpr int kSlowDownSeconds = 5;
constexpr const char* kDeviceGrant = "urn:ietf:params:oauth:grant-type:device_code";

std::string EncodeForm(const std::vector<std::pair<std::string, std::string>>& form) {
    std::string body;
    for (const auto& [name, value] : form) {
        if (!body.empty())
            body += '&';
        body += PercentEncode(name) + "=" + PercentEncode(value);
    }
    return body;
}

// Error names are shown to the user; only a plain word passes, so nothing a
// provider echoes back can reach a log.
std::string ShownErrorName(const std::string& name) {
    bool plain = !name.empty() && name.size() <= 40 &&
                 std::all_of(name.begin(), name.end(),
                             [](char c) { return (c >= 'a' && c <= 'z') || c == '_'; });
    return plain ? name : std::string();
}

struct CUrlFree {
    void operator()(CURLU* url) const { curl_url_cleanup(url); }
};

// "host" and "host:port" of an endpoint, for error texts.
std::pair<std::string, std::string> HostOf(const std::string& url) {
    std::unique_ptr<CURLU, CUrlFree> parsed(curl_url());
    char* host = nullptr;
    char* port = nullptr;
    std::pair<std::string, std::string> result;
    if (parsed && curl_url_set(parsed.get(), CURLUPART_URL, url.c_str(), 0) == CURLUE_OK &&
        curl_url_get(parsed.get(), CURLUPART_HOST, &host, 0) == CURLUE_OK &&
        curl_url_get(parsed.get(), CURLUPART_PORT, &port, CURLU_DEFAULT_PORT) == CURLUE_OK)
        result = {host, std::string(host) + ":" + port};
    curl_free(host);
    curl_free(port);
    return result;
}

bool Fail(COAuthError& error, EOAuthFailure failure, const std::string& text) {
    error.eFailure = failure;
    error.strText = CErrorText::Render(text);
    return false;
}

long long Now() {
    return static_cast<long long>(std::time(nullptr));
}

bool IsBearer(const std::string& type) {
    return LowerAscii(type) == "bearer";
}

} // namespace

struct COAuthClient::CReply {
    long nStatus = 0;
    CJsonObject json;
    std::string strError; // the provider's "error" member, empty when none

    // Sets error from a refusal or server trouble in this reply.
    bool Fail(COAuthError& error) const;
};

bool COAuthClient::CReply::Fail(COAuthError& error) const {
    std::string shown = ShownErrorName(strError);
    if (nStatus >= 500 || nStatus == 429)
        return ::Fail(error, EOAuthFailure::Temporary,
                      CErrorText::Join(oauthtext::kServerError, "HTTP " + std::to_string(nStatus)));
    if (strError == "invalid_grant")
        return ::Fail(error, EOAuthFailure::SignInAgain, oauthtext::kSignInAgain);
    if (strError == "access_denied")
        return ::Fail(error, EOAuthFailure::SignInAgain, oauthtext::kDenied);
    if (strError == "expired_token")
        return ::Fail(error, EOAuthFailure::SignInAgain, oauthtext::kCodeExpired);
    if (nStatus >= 400 && nStatus < 500)
        return ::Fail(error, EOAuthFailure::Settings,
                      CErrorText::Join(oauthtext::kClientRefused,
                                       shown.empty() ? "HTTP " + std::to_string(nStatus) : shown));
    return ::Fail(error, EOAuthFailure::Temporary,
                  CErrorText::Join(oauthtext::kBadAnswer, "HTTP " + std::to_string(nStatus)));
}

std::string COAuthDeviceCode::Instructions() const {
    std::string text = oauthtext::kDeviceInstructions;
    for (const std::string* value : {&strVerificationUrl, &strUserCode}) {
        size_t mark = text.find("%s");
        text.replace(mark, 2, *value);
    }
    return text;
}

std::string COAuthClient::AuthorizationUrl(const std::string& redirectUri, const std::string& state,
                                           const std::string& codeChallenge,
                                           const std::string& loginHint) const {
    CForm form{{"response_type", "code"},
               {"client_id", m_provider.strClientId},
               {"redirect_uri", redirectUri},
               {"scope", m_provider.strScope},
               {"state", state},
               {"code_challenge", codeChallenge},
               {"code_challenge_method", "S256"}};
    if (!loginHint.empty())
        form.emplace_back("login_hint", loginHint);
    const std::string& base = m_provider.strAuthorizeUrl;
    return base + (base.find('?') == std::string::npos ? "?" : "&") + EncodeForm(form);
}

bool COAuthClient::Post(const std::string& url, CForm form, CReply& reply,
                        COAuthError& error) const {
    error = COAuthError{};
    if (m_provider.strClientId.empty())
        return Fail(error, EOAuthFailure::Settings, oauthtext::kNoClientId);
    if (!IsAllowedEndpoint(url))
        return Fail(error, EOAuthFailure::Settings, oauthtext::kBadEndpoint);
    form.emplace_back("client_id", m_provider.strClientId);
    if (!m_provider.strClientSecret.empty())
        form.emplace_back("client_secret", m_provider.strClientSecret);
    const std::string body = EncodeForm(form);

    CCurlHandle curl;
    if (!curl.IsValid())
        return Fail(error, EOAuthFailure::Temporary, oauthtext::kUnreachable);
    curl.ConfigureWeb(url);
    CSlistPtr headers(curl_slist_append(nullptr, "Accept: application/json"));
    std::string answer;
    CURL* handle = curl.Get();
    curl_easy_setopt(handle, CURLOPT_HTTPHEADER, headers.get());
    curl_easy_setopt(handle, CURLOPT_POSTFIELDS, body.c_str());
    curl_easy_setopt(handle, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(body.size()));
    curl_easy_setopt(handle, CURLOPT_WRITEFUNCTION, &AppendBounded<kMaxReplyBytes>);
    curl_easy_setopt(handle, CURLOPT_WRITEDATA, &answer);
    CURLcode code = curl.Perform();
    if (code != CURLE_OK) {
        auto [host, display] = HostOf(url);
        return Fail(
            error, EOAuthFailure::Temporary,
            CErrorText::Join(oauthtext::kUnreachable, curl.DescribeFailure(code, host, display)));
    }
    curl_easy_getinfo(handle, CURLINFO_RESPONSE_CODE, &reply.nStatus);
    if (reply.json.Parse(answer))
        reply.strError = reply.json.String("error").value_or("");
    return true;
}

bool COAuthClient::ReadTokens(const CReply& reply, COAuthTokens& tokens, COAuthError& error) const {
    if (reply.nStatus != 200 || !reply.strError.empty())
        return reply.Fail(error);
    std::string access = reply.json.String("access_token").value_or("");
    std::string refresh = reply.json.String("refresh_token").value_or("");
    std::string type = reply.json.String("token_type").value_or("Bearer");
    if (access.empty() || !IsSafeToken(access) || !IsSafeToken(refresh))
        return Fail(error, EOAuthFailure::Temporary, oauthtext::kBadAnswer);
    if (!IsBearer(type))
        return Fail(error, EOAuthFailure::Settings, CErrorText::Join(oauthtext::kBadAnswer, type));
    tokens.strAccessToken = std::move(access);
    if (!refresh.empty())
        tokens.strRefreshToken = std::move(refresh);
    long long lifetime = reply.json.Integer("expires_in").value_or(0);
    tokens.nExpiresAt = lifetime > 0 ? Now() + lifetime : 0;
    return true;
}

bool COAuthClient::ExchangeCode(const std::string& code, const std::string& verifier,
                                const std::string& redirectUri, COAuthTokens& tokens,
                                COAuthError& error) {
    CReply reply;
    CForm form{{"grant_type", "authorization_code"},
               {"code", code},
               {"redirect_uri", redirectUri},
               {"code_verifier", verifier}};
    COAuthTokens fresh;
    if (!Post(m_provider.strTokenUrl, std::move(form), reply, error) ||
        !ReadTokens(reply, fresh, error))
        return false;
    tokens = std::move(fresh);
    return true;
}

bool COAuthClient::Refresh(COAuthTokens& tokens, COAuthError& error) {
    if (tokens.strRefreshToken.empty())
        return Fail(error, EOAuthFailure::SignInAgain, oauthtext::kNoRefreshToken);
    CReply reply;
    CForm form{{"grant_type", "refresh_token"}, {"refresh_token", tokens.strRefreshToken}};
    COAuthTokens fresh = tokens;
    if (!Post(m_provider.strTokenUrl, std::move(form), reply, error) ||
        !ReadTokens(reply, fresh, error))
        return false;
    tokens = std::move(fresh);
    return true;
}

bool COAuthClient::RefreshIfDue(COAuthTokens& tokens, long long now, bool& bRefreshed,
                                COAuthError& error) {
    bRefreshed = false;
    error = COAuthError{};
    if (!tokens.NeedsRefresh(now))
        return true;
    bRefreshed = Refresh(tokens, error);
    return bRefreshed;
}

bool COAuthClient::RequestDeviceCode(COAuthDeviceCode& device, COAuthError& error) {
    CReply reply;
    if (!Post(m_provider.strDeviceUrl, {{"scope", m_provider.strScope}}, reply, error))
        return false;
    if (reply.nStatus != 200 || !reply.strError.empty())
        return reply.Fail(error);
    COAuthDeviceCode read;
    read.strDeviceCode = reply.json.String("device_code").value_or("");
    read.strUserCode = reply.json.String("user_code").value_or("");
    // RFC 8628 names it verification_uri; Google sends verification_url.
    read.strVerificationUrl = reply.json.String("verification_uri")
                                  .value_or(reply.json.String("verification_url").value_or(""));
    read.strVerificationUrlComplete = reply.json.String("verification_uri_complete").value_or("");
    read.nExpiresIn =
        static_cast<int>(std::clamp(reply.json.Integer("expires_in").value_or(1800), 1LL, 86400LL));
    read.nInterval =
        static_cast<int>(std::clamp(reply.json.Integer("interval").value_or(5), 1LL, 300LL));
    // The URL and the code are printed on the user's terminal: visible ASCII
    // only, so an answer cannot carry terminal control sequences.
    bool printable = IsSafeToken(read.strUserCode) && IsSafeToken(read.strVerificationUrl) &&
                     IsSafeToken(read.strVerificationUrlComplete) &&
                     IsSafeToken(read.strDeviceCode);
    if (read.strDeviceCode.empty() || read.strUserCode.empty() || read.strVerificationUrl.empty() ||
        !printable)
        return Fail(error, EOAuthFailure::Temporary, oauthtext::kBadAnswer);
    device = std::move(read);
    return true;
}

COAuthClient::EPoll COAuthClient::PollDevice(const COAuthDeviceCode& device, COAuthTokens& tokens,
                                             COAuthError& error) {
    CReply reply;
    CForm form{{"grant_type", kDeviceGrant}, {"device_code", device.strDeviceCode}};
    if (!Post(m_provider.strTokenUrl, std::move(form), reply, error))
        return EPoll::Failed;
    if (reply.strError == "authorization_pending")
        return EPoll::Pending;
    if (reply.strError == "slow_down")
        return EPoll::SlowDown;
    COAuthTokens fresh;
    if (!ReadTokens(reply, fresh, error))
        return EPoll::Failed;
    tokens = std::move(fresh);
    return EPoll::Granted;
}

bool COAuthClient::WaitForDevice(const COAuthDeviceCode& device, COAuthTokens& tokens,
                                 COAuthError& error, const CSleep& sleep) {
    int interval = device.nInterval;
    for (int waited = 0; waited < device.nExpiresIn; waited += interval) {
        if (!sleep(interval))
            return Fail(error, EOAuthFailure::Cancelled, oauthtext::kCancelled);
        switch (PollDevice(device, tokens, error)) {
        case EPoll::Granted:
            return true;
        case EPoll::Pending:
            break;
        case EPoll::SlowDown:
            interval += kSlowDownSeconds;
            break;
        case EPoll::Failed:
            // A network hiccup during a long wait is no reason to give up.
            if (error.eFailure != EOAuthFailure::Temporary)
                return false;
            break;
        }
    }
    return Fail(error, EOAuthFailure::SignInAgain, oauthtext::kCodeExpired);
}

bool COAuthClient::SleepSeconds(int nSeconds) {
    std::this_thread::sleep_for(std::chrono::seconds(nSeconds));
    return true;
}
