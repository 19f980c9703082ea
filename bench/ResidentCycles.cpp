// The forwarding cycle as the desktop program runs it: one engine in a
// long-lived process, a cycle every few minutes, so no start-up per cycle.
// bench/run writes a line to standard input for each cycle it wants; each is
// answered with "<wall seconds> <CPU seconds> <peak KiB> <1 when the cycle
// succeeded>".

#include "engine/CForwardEngine.h"
#include "platform/LoadableModule.h"
#include "platform/paths.h"

#include <chrono>
#include <cstdio>
#include <iostream>
#include <string>
#include <sys/resource.h>

namespace {

double CpuSeconds(const struct rusage& usage) {
    auto seconds = [](const struct timeval& t) { return t.tv_sec + t.tv_usec / 1e6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: quiben-bench-resident PROGRAM-FOLDER\n");
        return 2;
    }
    SetModuleFolder(QUIBEN_BINARY_DIR); // the modules are built beside the programs
    CForwardEngine engine(ResolveAppDir(argv[1]), ResolveTempDir());
    std::string request;
    while (std::getline(std::cin, request)) {
        struct rusage before {
        }, after{};
        getrusage(RUSAGE_SELF, &before);
        auto start = std::chrono::steady_clock::now();
        bool ok = engine.RunForwardCycle();
        std::chrono::duration<double> wall = std::chrono::steady_clock::now() - start;
        getrusage(RUSAGE_SELF, &after);
        std::cout << wall.count() << ' ' << CpuSeconds(after) - CpuSeconds(before) << ' '
                  << after.ru_maxrss << ' ' << (ok ? 1 : 0) << std::endl;
    }
    return 0;
}
