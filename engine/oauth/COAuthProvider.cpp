#include "engine/oauth/COAuthProvider.h"

#include <string_view>

COAuthProvider OAuthPreset(EOAuthPreset preset, const std::string& clientId,
                           const std::string& clientSecret, bool bImapMailbox) {
    COAuthProvider provider;
    switch (preset) {
    case EOAuthPreset::Google:
        provider.strAuthorizeUrl = "https://accounts.google.com/o/oauth2/v2/auth";
        provider.strTokenUrl = "https://oauth2.googleapis.com/token";
        provider.strDeviceUrl = "https://oauth2.googleapis.com/device/code";
        provider.strScope = "https://mail.google.com/";
        break;
    case EOAuthPreset::Microsoft:
        provider.strAuthorizeUrl = "https://login.microsoftonline.com/common/oauth2/v2.0/authorize";
        provider.strTokenUrl = "https://login.microsoftonline.com/common/oauth2/v2.0/token";
        provider.strDeviceUrl = "https://login.microsoftonline.com/common/oauth2/v2.0/devicecode";
        // offline_access: without it no refresh token comes back.
        provider.strScope =
            std::string(bImapMailbox ? "https://outlook.office.com/IMAP.AccessAsUser.All"
                                     : "https://outlook.office.com/POP.AccessAsUser.All") +
            " https://outlook.office.com/SMTP.Send offline_access";
        provider.strRedirectHost = "localhost";
        break;
    case EOAuthPreset::Other:
        break;
    }
    provider.strClientId = clientId;
    provider.strClientSecret = clientSecret;
    return provider;
}

bool IsAllowedEndpoint(const std::string& url) {
    std::string_view rest(url);
    for (unsigned char c : rest)
        if (c <= 0x20 || c >= 0x7F)
            return false;
    if (rest.substr(0, 8) == "https://")
        return rest.size() > 8;
    if (rest.substr(0, 7) != "http://")
        return false;
    rest.remove_prefix(7);
    std::string_view host = rest.substr(0, rest.find_first_of("/?#"));
    if (host.find('@') != std::string_view::npos)
        return false;
    if (host.substr(0, 5) == "[::1]")
        return host.size() == 5 || host[5] == ':';
    host = host.substr(0, host.find(':'));
    return host == "127.0.0.1" || host == "localhost";
}
