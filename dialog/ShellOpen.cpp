#include "dialog/ShellOpen.h"

#include <QDesktopServices>

namespace {

ShellOpenHandler& CurrentHandler() {
    static ShellOpenHandler handler;
    return handler;
}

} // namespace

bool ShellOpen(const QUrl& target) {
    if (!target.isValid())
        return false;
    if (const ShellOpenHandler& handler = CurrentHandler())
        return handler(target);
    return QDesktopServices::openUrl(target);
}

ShellOpenHandler SetShellOpenHandler(ShellOpenHandler handler) {
    ShellOpenHandler previous = std::move(CurrentHandler());
    CurrentHandler() = std::move(handler);
    return previous;
}
