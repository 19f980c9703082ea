#include "engine/oauth/CPkce.h"

#include <cerrno>
#include <cstdlib>
#include <glib.h>
#include <memory>
#include <sys/random.h>
#include <vector>

namespace {

std::string Base64Url(const unsigned char* data, size_t size) {
    std::unique_ptr<gchar, decltype(&g_free)> encoded(g_base64_encode(data, size), &g_free);
    std::string text(encoded.get());
    for (char& c : text) {
        if (c == '+')
            c = '-';
        else if (c == '/')
            c = '_';
    }
    while (!text.empty() && text.back() == '=')
        text.pop_back();
    return text;
}

} // namespace

std::string RandomUrlSafeText(size_t nBytes) {
    std::vector<unsigned char> bytes(nBytes);
    size_t filled = 0;
    while (filled < nBytes) {
        ssize_t got = getrandom(bytes.data() + filled, nBytes - filled, 0);
        if (got > 0)
            filled += static_cast<size_t>(got);
        else if (got < 0 && errno != EINTR)
            std::abort(); // no randomness: a guessable verifier is worse than no sign-in
    }
    return Base64Url(bytes.data(), bytes.size());
}

CPkce CPkce::Generate() {
    CPkce pkce;
    pkce.strVerifier = RandomUrlSafeText(32);
    pkce.strChallenge = ChallengeOf(pkce.strVerifier);
    return pkce;
}

std::string CPkce::ChallengeOf(const std::string& verifier) {
    unsigned char digest[32];
    gsize length = sizeof digest;
    GChecksum* checksum = g_checksum_new(G_CHECKSUM_SHA256);
    g_checksum_update(checksum, reinterpret_cast<const guchar*>(verifier.data()),
                      static_cast<gssize>(verifier.size()));
    g_checksum_get_digest(checksum, digest, &length);
    g_checksum_free(checksum);
    return Base64Url(digest, length);
}
