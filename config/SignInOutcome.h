#pragma once
// What a sign-in started from the account page found (the application runs
// it; the page shows it). Texts are UTF-8 and never hold a token.

#include <string>

struct CSignInOutcome {
    bool bSignedIn = false;
    bool bKeptInIni = false; // signed in, but no keyring took the tokens
    std::string strText;     // why the sign-in failed
};
