#include "app/OnceCycle.h"

#include "app/TerminalSignIn.h"

#include "config/CSettingsStore.h"
#include "engine/CForwardEngine.h"
#include "engine/errorlog.h"
#include "platform/CInstanceLock.h"
#include "platform/paths.h"
#include "res/strings.h"

#include <cstdio>
#include <unistd.h>

int RunOnceCycle(const std::string& strHome) {
    const std::string appDir = ResolveAppDir(strHome);
    const std::string tempDir = ResolveTempDir();
    if (appDir.empty() || tempDir.empty()) {
        std::fprintf(stderr, "quiben: the program folder cannot be used\n");
        return kExitFailed;
    }
    // A cycle beside a running copy on the same folder would forward the
    // same mail twice.
    CInstanceLock lock(appDir);
    if (lock.Acquire() == CInstanceLock::Result::HeldByOther) {
        std::fprintf(stderr, "%s\n", restext::kOnceLocked);
        return kExitOtherCopy;
    }
    // Run from cron or a timer unit, nobody reads the log file: the entries
    // also reach the mail or the journal that collects stderr.
    SetErrorLogEcho(true);
    // Someone at a terminal can sign in now; a timer or cron cannot, and
    // the cycle logs that a sign-in is needed.
    CSettingsStore store(appDir);
    if (isatty(STDIN_FILENO) && isatty(STDOUT_FILENO) && NeedsTerminalSignIn(store))
        SignInAtTerminal(store);
    CForwardEngine engine(appDir, tempDir);
    return engine.RunForwardCycle() ? kExitOk : kExitFailed;
}
