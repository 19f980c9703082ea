#pragma once
// The program's own options; everything else is left for Qt (-platform ...).
//   --home DIR   use DIR as the program folder (also --home=DIR)
//   --once       run one forwarding cycle without a window and exit
//   --help       print the usage

#include <string>
#include <vector>

struct CommandLine {
    bool bOnce = false;
    bool bHelp = false;
    std::string strHome;
    std::string strError;            // non-empty: the command line is unusable
    std::vector<std::string> qtArgs; // argv[0] and the arguments for Qt
};

CommandLine ParseCommandLine(int argc, char** argv);

inline constexpr const char* kUsageText =
    "usage: quiben [--home DIR] [--once]\n"
    "  --home DIR  use DIR as the program folder (settings, lists, error log)\n"
    "  --once      run one forwarding cycle without a window; exit status 0 when\n"
    "              it completed, 1 when it failed, 3 when another copy runs\n";
