// quiben: the commands without a window (--once, the timer, --help,
// --version) are answered here; anything else is the desktop program,
// quiben-desktop beside this file, which takes over this process with the
// same arguments. This program links no Qt, so the cycle that a timer or
// cron starts every few minutes does not pay for loading the desktop
// libraries.
#include "app/CommandLine.h"
#include "app/HeadlessCommand.h"
#include "app/OnceCycle.h"
#include "platform/paths.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <unistd.h>

namespace {

constexpr const char* kDesktopProgram = "quiben-desktop";

} // namespace

int main(int argc, char** argv) {
    if (const std::optional<int> status = RunHeadlessCommand(ParseCommandLine(argc, argv)))
        return *status;

    const std::string desktop = JoinPath(ExtractDirectory(GetExecutablePath()), kDesktopProgram);
    execv(desktop.c_str(), argv);
    std::fprintf(stderr, "quiben: cannot start %s: %s\n", desktop.c_str(), std::strerror(errno));
    return kExitFailed;
}
