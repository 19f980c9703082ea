#pragma once
// Proof Key for Code Exchange (RFC 7636, method S256): the verifier stays in
// this process, only its hash travels with the authorization request, so a
// code caught on its way back through the browser is worthless to anyone else.

#include <string>

struct CPkce {
    std::string strVerifier;  // 43 characters of base64url from 32 random bytes
    std::string strChallenge; // base64url(SHA-256(verifier)), no padding

    static CPkce Generate();
    static std::string ChallengeOf(const std::string& verifier);
};

// nBytes from the kernel's random source as base64url without padding (for
// verifiers and the state that ties a redirect to its request).
std::string RandomUrlSafeText(size_t nBytes);
