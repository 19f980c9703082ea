#pragma once
// The program's own options (kUsageText); everything else is left for Qt
// (-platform ...). --home DIR may also be written --home=DIR.

#include <string>
#include <vector>

struct CommandLine {
    bool bOnce = false;
    bool bHelp = false;
    bool bVersion = false;
    bool bInstallTimer = false; // a systemd user timer runs --once
    bool bRemoveTimer = false;
    bool bSignIn = false; // OAuth2 sign-in at the terminal
    std::string strHome;
    std::string strError;            // non-empty: the command line is unusable
    std::vector<std::string> qtArgs; // argv[0] and the arguments for Qt
};

CommandLine ParseCommandLine(int argc, char** argv);

inline constexpr const char* kUsageText =
    "usage: quiben [--home DIR] [--once | --sign-in | --install-timer | --remove-timer]\n"
    "       quiben --help | --version\n"
    "  --home DIR       use DIR as the program folder (settings, lists, error log)\n"
    "  --once           run one forwarding cycle without a window; exit status 0\n"
    "                   when it completed, 1 when it failed, 3 when another copy runs;\n"
    "                   at a terminal, an OAuth2 account without tokens signs in first\n"
    "  --sign-in        sign the OAuth2 account in: prints a URL and a code to enter\n"
    "                   in any browser (Google: the URL; the browser comes back to\n"
    "                   this machine, or paste the address it ends on); the tokens\n"
    "                   go to the desktop keyring, else to Quiben.ini\n"
    "  --install-timer  run --once for this program folder from a systemd user\n"
    "                   timer every RECV/TIMEUP milliseconds (at least 60 s)\n"
    "  --remove-timer   stop and remove that timer\n"
    "  -h, --help       print this help\n"
    "  --version        print the version\n"
    "See quiben(1).\n";
