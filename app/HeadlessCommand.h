#pragma once
// The command lines answered without a window and without Qt: usage
// errors, --help, --version, --once, --install-timer and --remove-timer.
// quiben answers them itself; quiben-desktop answers them the same way when
// it is started directly.

#include "app/CommandLine.h"

#include <optional>
#include <string>

// The exit status of a command answered here; nothing when the desktop
// program must run.
std::optional<int> RunHeadlessCommand(const CommandLine& line);

// Full path of quiben, beside the running program.
std::string QuibenProgramPath();
