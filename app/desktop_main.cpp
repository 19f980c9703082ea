// quiben-desktop: the desktop program (quiben starts it for everything but
// --once, which it also understands when started directly).
#include "app/CQuibenApp.h"

int main(int argc, char** argv) {
    CQuibenApp app(argc, argv);
    return app.Run();
}
