// quiben: with --once one headless forwarding cycle, run here; anything else
// is the desktop program, quiben-desktop beside this file, which takes over
// this process with the same arguments. This program links no Qt, so the
// cycle that a timer or cron starts every few minutes does not pay for
// loading the desktop libraries.
#include "app/CommandLine.h"
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
    const CommandLine line = ParseCommandLine(argc, argv);
    if (line.bOnce && !line.bHelp && line.strError.empty())
        return RunOnceCycle(line.strHome);

    // Usage errors and --help are answered by the desktop program too, so
    // both programs read the command line the same way.
    const std::string desktop = JoinPath(ExtractDirectory(GetExecutablePath()), kDesktopProgram);
    execv(desktop.c_str(), argv);
    std::fprintf(stderr, "quiben: cannot start %s: %s\n", desktop.c_str(), std::strerror(errno));
    return kExitFailed;
}
