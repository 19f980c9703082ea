#include "engine/oauth/COAuthTokens.h"

#include <charconv>

namespace {

constexpr std::string_view kSecretTag = "quiben-oauth2 1";

// The next line of text (without its end), removed from text.
std::string_view TakeLine(std::string_view& text) {
    size_t end = text.find('\n');
    std::string_view line = text.substr(0, end);
    text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
    return line;
}

} // namespace

bool IsSafeToken(std::string_view token) {
    for (unsigned char c : token)
        if (c <= 0x20 || c >= 0x7F)
            return false;
    return true;
}

bool COAuthTokens::NeedsRefresh(long long now) const {
    return strAccessToken.empty() || (nExpiresAt != 0 && now + kRefreshAheadSeconds >= nExpiresAt);
}

std::string COAuthTokens::ToSecret() const {
    return std::string(kSecretTag) + "\n" + std::to_string(nExpiresAt) + "\n" + strAccessToken +
           "\n" + strRefreshToken + "\n";
}

bool COAuthTokens::FromSecret(std::string_view text, COAuthTokens& tokens) {
    if (TakeLine(text) != kSecretTag)
        return false;
    std::string_view expiry = TakeLine(text);
    COAuthTokens read;
    auto [end, ec] = std::from_chars(expiry.data(), expiry.data() + expiry.size(), read.nExpiresAt);
    if (ec != std::errc() || end != expiry.data() + expiry.size())
        return false;
    read.strAccessToken = TakeLine(text);
    read.strRefreshToken = TakeLine(text);
    if (!text.empty() || !IsSafeToken(read.strAccessToken) || !IsSafeToken(read.strRefreshToken))
        return false;
    tokens = std::move(read);
    return true;
}
