// quiben: the desktop program, or with --once one headless forwarding cycle.
#include "app/CQuibenApp.h"

int main(int argc, char** argv) {
    CQuibenApp app(argc, argv);
    return app.Run();
}
