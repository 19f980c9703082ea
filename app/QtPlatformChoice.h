#pragma once
// The window is shaped and places itself where it was left, which a
// Wayland compositor does not allow a client to do. On a Wayland desktop
// with XWayland the program therefore runs as an X11 client, unless the
// user chose a platform (QT_QPA_PLATFORM, or -platform on the command line).

#include <string>
#include <vector>

// True when the X11 platform should be asked for: a Wayland session
// (WAYLAND_DISPLAY, or XDG_SESSION_TYPE=wayland) with an X display, and no
// platform chosen. Arguments are the environment variables, null when unset.
bool ShouldPreferXcb(const char* pszQpaPlatform, const char* pszWaylandDisplay,
                     const char* pszSessionType, const char* pszDisplay);

// Adds "-platform xcb" to Qt's arguments when ShouldPreferXcb says so for
// this process's environment and the arguments name no platform. Only this
// process is affected: programs it starts (the read-me viewer) keep the
// session's platform.
void PreferXcbOnWayland(std::vector<std::string>& qtArgs);
