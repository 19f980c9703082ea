#include "app/QtPlatformChoice.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace {

bool IsSet(const char* pszValue) {
    return pszValue != nullptr && pszValue[0] != '\0';
}

bool NamesPlatform(const std::string& arg) {
    return arg == "-platform" || arg == "--platform" || arg.rfind("-platform=", 0) == 0 ||
           arg.rfind("--platform=", 0) == 0;
}

} // namespace

bool ShouldPreferXcb(const char* pszQpaPlatform, const char* pszWaylandDisplay,
                     const char* pszSessionType, const char* pszDisplay) {
    if (IsSet(pszQpaPlatform) || !IsSet(pszDisplay))
        return false;
    return IsSet(pszWaylandDisplay) ||
           (pszSessionType != nullptr && std::strcmp(pszSessionType, "wayland") == 0);
}

void PreferXcbOnWayland(std::vector<std::string>& qtArgs) {
    if (std::any_of(qtArgs.begin(), qtArgs.end(), NamesPlatform))
        return;
    if (ShouldPreferXcb(std::getenv("QT_QPA_PLATFORM"), std::getenv("WAYLAND_DISPLAY"),
                        std::getenv("XDG_SESSION_TYPE"), std::getenv("DISPLAY")))
        qtArgs.insert(qtArgs.end(), {"-platform", "xcb"});
}
