#include "app/OnceCycle.h"

#include "engine/CForwardEngine.h"
#include "engine/errorlog.h"
#include "platform/CInstanceLock.h"
#include "platform/paths.h"
#include "res/strings.h"

#include <cstdio>

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
    CForwardEngine engine(appDir, tempDir);
    return engine.RunForwardCycle() ? kExitOk : kExitFailed;
}
