// One main for every test program: widgets need a QApplication, and the tests
// must run without a display, so the offscreen platform is the default.
#include "platform/LoadableModule.h"

#include <QApplication>
#include <cstdlib>
#include <gtest/gtest.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace {

void UseOffscreenPlatformUnlessSet() {
    if (std::getenv("QT_QPA_PLATFORM") == nullptr)
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
}

// Qt warns about a missing or shared runtime folder; give it a private one.
void UsePrivateRuntimeDirUnlessSet() {
    if (std::getenv("XDG_RUNTIME_DIR") != nullptr)
        return;
    std::string dir = "/tmp/quiben-test-runtime-" + std::to_string(getuid());
    mkdir(dir.c_str(), 0700);
    chmod(dir.c_str(), 0700);
    setenv("XDG_RUNTIME_DIR", dir.c_str(), 1);
}

} // namespace

int main(int argc, char** argv) {
    UseOffscreenPlatformUnlessSet();
    UsePrivateRuntimeDirUnlessSet();
    SetModuleFolder(QUIBEN_BINARY_DIR); // the modules are built beside the programs
    testing::InitGoogleTest(&argc, argv);
    QApplication app(argc, argv);
    return RUN_ALL_TESTS();
}
