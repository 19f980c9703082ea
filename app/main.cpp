// Placeholder until the desktop program lands: the build must produce quiben.
#include <cstdio>

int main() {
    std::puts("quiben: the desktop program is not built yet");
    return 0;
}
