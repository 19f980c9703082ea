#pragma once
// The shell's "open": hands a file or an address (web, mailto:) to the
// desktop's default program. Tests put their own opener in place so that
// nothing is launched.

#include <QUrl>
#include <functional>

using ShellOpenHandler = std::function<bool(const QUrl&)>;

// True when the desktop accepted the request; callers may ignore it.
bool ShellOpen(const QUrl& target);

// Replaces the opener (an empty handler restores the desktop's); returns the
// previous one.
ShellOpenHandler SetShellOpenHandler(ShellOpenHandler handler);
