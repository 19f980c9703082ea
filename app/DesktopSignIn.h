#pragma once
// The account page's サインイン for the desktop program: the browser's code
// flow with PKCE on the page's worker thread, the tokens kept in the keyring
// (else the INI).

#include "settings/CPageAccount.h"

#include <string>

// The sign-in for the program folder appDir.
CPageAccount::SignInRunner BrowserSignIn(const std::string& appDir);
