#include "app/CommandLine.h"

#include <string_view>

CommandLine ParseCommandLine(int argc, char** argv) {
    CommandLine line;
    if (argc > 0)
        line.qtArgs.emplace_back(argv[0]);
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (arg == "--once") {
            line.bOnce = true;
        } else if (arg == "--sign-in") {
            line.bSignIn = true;
        } else if (arg == "--help" || arg == "-h") {
            line.bHelp = true;
        } else if (arg == "--version") {
            line.bVersion = true;
        } else if (arg == "--install-timer") {
            line.bInstallTimer = true;
        } else if (arg == "--remove-timer") {
            line.bRemoveTimer = true;
        } else if (arg == "--home") {
            if (i + 1 >= argc || argv[i + 1][0] == '\0') {
                line.strError = "--home needs a folder";
                break;
            }
            line.strHome = argv[++i];
        } else if (arg.starts_with("--home=")) {
            line.strHome = arg.substr(7);
            if (line.strHome.empty()) {
                line.strError = "--home needs a folder";
                break;
            }
        } else {
            line.qtArgs.emplace_back(arg);
        }
    }
    if (line.strError.empty() &&
        line.bOnce + line.bSignIn + line.bInstallTimer + line.bRemoveTimer > 1)
        line.strError = "choose one of --once, --sign-in, --install-timer and --remove-timer";
    return line;
}
