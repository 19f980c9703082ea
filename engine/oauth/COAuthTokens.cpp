#include "engine/oauth/COAuthTokens.h"

#include <charconv>

namespace {

constexpr std::string_view kSecretTag = "quiben-oauth2/1";

// The next blank-separated field (possibly empty), removed from text.
std::string_view TakeField(std::string_view& text) {
    size_t end = text.find(' ');
    std::string_view field = text.substr(0, end);
    text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
    return field;
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
    return std::string(kSecretTag) + " " + std::to_string(nExpiresAt) + " " + strAccessToken + " " +
           strRefreshToken;
}

bool COAuthTokens::FromSecret(std::string_view text, COAuthTokens& tokens) {
    if (TakeField(text) != kSecretTag)
        return false;
    std::string_view expiry = TakeField(text);
    COAuthTokens read;
    auto [end, ec] = std::from_chars(expiry.data(), expiry.data() + expiry.size(), read.nExpiresAt);
    if (ec != std::errc() || end != expiry.data() + expiry.size())
        return false;
    read.strAccessToken = TakeField(text);
    read.strRefreshToken = text;
    if (!IsSafeToken(read.strAccessToken) || !IsSafeToken(read.strRefreshToken))
        return false;
    tokens = std::move(read);
    return true;
}
