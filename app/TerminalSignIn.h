#pragma once
// Signing an OAuth2 account in from a terminal, without a window: `quiben
// --sign-in`, and `quiben --once` at a terminal before the account has
// tokens. The device flow prints a URL and a code to enter on any device;
// for a provider without it (Google does not allow its mail scope there) the
// code flow prints the authorization URL and takes the browser's redirect,
// either on the loopback listener or pasted on stdin.

#include <string>

class CSettingsStore;

// Whether the folder's account signs in with OAuth2 and has no tokens yet.
bool NeedsTerminalSignIn(CSettingsStore& store);

// Signs in and keeps the tokens; false (with the reason on stderr) when the
// account does not use OAuth2 or the sign-in failed.
bool SignInAtTerminal(CSettingsStore& store);

// `quiben --sign-in [--home DIR]`: the exit status.
int RunSignInCommand(const std::string& strHome);
