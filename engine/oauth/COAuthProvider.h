#pragma once
// Where and for what a user signs in: the provider's endpoints, the scope of
// mail access, and the client the user registered with that provider.

#include <string>

enum class EOAuthPreset { Google, Microsoft, Other };

struct COAuthProvider {
    std::string strAuthorizeUrl; // the browser's sign-in page (code flow)
    std::string strTokenUrl;     // codes, refresh tokens and device codes become tokens here
    std::string strDeviceUrl;    // device codes for a sign-in without a browser here
    std::string strScope;        // blank-separated
    std::string strClientId;
    std::string strClientSecret; // empty for public clients (Microsoft does not issue one)
    // The host name the browser's redirect names. The listener is on
    // 127.0.0.1 either way; Microsoft's app registrations take a loopback
    // redirect as http://localhost (any port), where 127.0.0.1 needs a
    // hand edit of the manifest.
    std::string strRedirectHost = "127.0.0.1";
};

// The endpoints and mail scopes of a preset, with the user's client; Other
// leaves the endpoints and the scope empty for the user to fill in.
// bImapMailbox: the mail is received over IMAP, not POP3 (Microsoft grants
// each protocol by its own scope, and refuses a POP3 token on IMAP).
COAuthProvider OAuthPreset(EOAuthPreset preset, const std::string& clientId = {},
                           const std::string& clientSecret = {}, bool bImapMailbox = false);

// True for https:// URLs, and for http:// to this machine only (a loopback
// provider), so client secrets and tokens never cross a network in clear.
bool IsAllowedEndpoint(const std::string& url);
