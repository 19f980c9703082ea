#pragma once
// How a sign-in step failed: what the caller should do next, and a Japanese
// text for the user that never holds a token, a code or a secret.

#include <string>

enum class EOAuthFailure {
    None,
    Temporary,   // network, server trouble, an unreadable answer: try again later
    SignInAgain, // the grant is gone (revoked, expired, refused by the user)
    Settings,    // the provider refuses the client or the request: fix the settings
    Cancelled,   // the caller stopped waiting, or the user did not finish in time
};

struct COAuthError {
    EOAuthFailure eFailure = EOAuthFailure::None;
    std::string strText;
};
