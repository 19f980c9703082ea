#include "engine/oauth/CPkce.h"

#include <cerrno>
#include <cstdlib>
#include <openssl/sha.h>
#include <sys/random.h>
#include <vector>

namespace {

// Base64 with the URL-safe alphabet and no padding (RFC 7636, appendix A).
std::string Base64Url(const unsigned char* data, size_t size) {
    static constexpr char kAlphabet[] =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789-_";
    std::string text;
    text.reserve((size * 4 + 2) / 3);
    for (size_t i = 0; i < size; i += 3) {
        const size_t count = size - i < 3 ? size - i : 3;
        unsigned long group = static_cast<unsigned long>(data[i]) << 16;
        if (count > 1)
            group |= static_cast<unsigned long>(data[i + 1]) << 8;
        if (count > 2)
            group |= data[i + 2];
        for (size_t k = 0; k <= count; ++k)
            text += kAlphabet[(group >> (18 - 6 * k)) & 0x3F];
    }
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
    unsigned char digest[SHA256_DIGEST_LENGTH];
    SHA256(reinterpret_cast<const unsigned char*>(verifier.data()), verifier.size(), digest);
    return Base64Url(digest, sizeof digest);
}
