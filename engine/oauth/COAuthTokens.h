#pragma once
// What a sign-in leaves behind: the access token the mail servers take, when
// it runs out, and the refresh token that gets the next one without the user.

#include <string>
#include <string_view>

struct COAuthTokens {
    // An access token is renewed this long before it runs out, so it never
    // expires between the check and the mail server's login.
    static constexpr long long kRefreshAheadSeconds = 60;

    std::string strAccessToken;
    std::string strRefreshToken;
    long long nExpiresAt = 0; // seconds since the epoch; 0 when the provider gave no lifetime

    bool IsSignedIn() const { return !strRefreshToken.empty() || !strAccessToken.empty(); }
    // True when the access token is missing or runs out within a minute of now.
    bool NeedsRefresh(long long now) const;

    // One line for the keyring or, without one, an INI value: a tag, the
    // expiry, the access token and the refresh token, blank-separated
    // (tokens hold no blanks).
    std::string ToSecret() const;
    // False (tokens unchanged) for a text that ToSecret did not write.
    static bool FromSecret(std::string_view text, COAuthTokens& tokens);
};

// A token as RFC 6750 lets it travel in a bearer login: visible ASCII, no
// blank. Anything else is refused before it reaches a file or a server.
bool IsSafeToken(std::string_view token);
