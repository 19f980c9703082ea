#include "engine/maillib/GMimeRuntime.h"

#include <gmime/gmime.h>
#include <mutex>

void EnsureGMimeInitialized() {
    static std::once_flag once;
    std::call_once(once, [] { g_mime_init(); });
}
