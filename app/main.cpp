// quiben: the commands without a window (--once, the timer, --help,
// --version) are answered by the headless module beside it; anything else is
// the desktop program, quiben-desktop beside this file, which takes over this
// process with the same arguments. This program links no Qt, no libcurl and
// no TLS library: for --once it starts connecting to the receive server
// before loading the module, so the cycle that a timer or cron starts every
// few minutes loads its libraries while the server prepares its greeting.
#include "app/CommandLine.h"
#include "app/OnceCycle.h"
#include "app/OnceModuleTable.h"
#include "config/CServerAddress.h"
#include "config/CSettingsStore.h"
#include "config/Settings.h"
#include "engine/maillib/CEarlyConnection.h"
#include "platform/LoadableModule.h"
#include "platform/paths.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <unistd.h>

namespace {

constexpr const char* kDesktopProgram = "quiben-desktop";

// For --once, a connection to the settings' receive server; not started for
// any other command or when the settings name no usable server.
CEarlyConnection ConnectEarly(int argc, char** argv) {
    const CommandLine line = ParseCommandLine(argc, argv);
    if (!line.bOnce || !line.strError.empty())
        return {};
    const std::string appDir = ResolveAppDir(line.strHome);
    if (appDir.empty())
        return {};
    const auto account = CSettingsStore(appDir).Load<CAccountSettings>();
    CServerAddress server;
    if (!server.Parse(account.strPop3Server, EMailProtocol::Pop3))
        return {};
    return CEarlyConnection::Start(server);
}

const COnceModuleTable* LoadHeadlessModule() {
    std::string error;
    const COnceModuleTable* table = LoadModuleTable<COnceModuleTable>(
        kOnceModuleFile, kOnceModuleEntry, kOnceModuleVersion, error);
    if (table == nullptr)
        std::fprintf(stderr, "quiben: %s\n", error.c_str());
    return table;
}

} // namespace

int main(int argc, char** argv) {
    CEarlyConnection early = ConnectEarly(argc, argv);
    const COnceModuleTable* table = LoadHeadlessModule();
    if (table == nullptr)
        return kExitFailed;
    const int status = table->pRunHeadless(argc, argv, early);
    if (status != kNotHeadless)
        return status;

    const std::string desktop = JoinPath(ExtractDirectory(GetExecutablePath()), kDesktopProgram);
    execv(desktop.c_str(), argv);
    std::fprintf(stderr, "quiben: cannot start %s: %s\n", desktop.c_str(), std::strerror(errno));
    return kExitFailed;
}
