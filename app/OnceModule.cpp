// The entry of libquiben-once.so. Nothing but the table leaves the module,
// and no exception crosses into the program that loaded it.

#include "app/CommandLine.h"
#include "app/HeadlessCommand.h"
#include "app/OnceCycle.h"
#include "app/OnceModuleTable.h"
#include "engine/maillib/CEarlyConnection.h"

#include <cstdio>
#include <exception>

namespace {

int RunHeadless(int argc, char** argv, CEarlyConnection& early) {
    try {
        CEarlyConnection::Offer(std::move(early));
        const std::optional<int> status = RunHeadlessCommand(ParseCommandLine(argc, argv));
        CEarlyConnection::Drop();
        return status.value_or(kNotHeadless);
    } catch (const std::exception& error) { // out of memory, in practice
        std::fprintf(stderr, "quiben: %s\n", error.what());
        return kExitFailed;
    }
}

} // namespace

extern "C" __attribute__((visibility("default"))) const COnceModuleTable* QuibenOnceModule() {
    static const COnceModuleTable table{kOnceModuleVersion, sizeof(COnceModuleTable), &RunHeadless};
    return &table;
}
