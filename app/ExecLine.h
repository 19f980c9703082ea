#pragma once
// Command lines written into files that another program parses and runs:
// the Exec key of a desktop entry (the login autostart) and the ExecStart
// line of a systemd unit (the user timer). Each format has its own quoting,
// and a folder name may hold any byte, so every argument is quoted.

#include <string>
#include <string_view>
#include <vector>

// The value of a desktop entry's Exec key: each argument that needs it in
// double quotes (with ", `, $ and \ escaped inside), % doubled, and the
// result escaped as a string value (\\, \n, \t, \r). Empty when an argument
// is not valid UTF-8, which a desktop entry cannot hold.
std::string DesktopExecLine(const std::vector<std::string>& args);

// The value of a desktop entry's string key (TryExec, Name): \\, \n, \t, \r.
std::string DesktopStringValue(std::string_view text);

// The command of a unit's ExecStart: every argument in double quotes with
// C escapes (\\, \", \xNN for control bytes and, in text that is not valid
// UTF-8, for bytes from 0x80), % doubled everywhere and $ doubled in the
// arguments (the program path is not subject to variable expansion).
std::string SystemdExecLine(const std::vector<std::string>& args);

// False when systemd refuses the path as a unit's program: it holds a
// quote, a backslash or a control byte.
bool SystemdAcceptsProgramPath(std::string_view path);

// Text for a unit's Description: % doubled; control bytes and, in text that
// is not valid UTF-8, bytes from 0x80 become '?'.
std::string SystemdDescriptionText(std::string_view text);

// The name systemd-escape --path gives a folder: leading, trailing and
// doubled separators dropped, '/' as '-', every byte but ASCII letters,
// digits, ':', '_' and a '.' that does not start the name as \xNN; "/" is
// "-". The path is taken as normalised (no "." or ".." parts).
std::string SystemdEscapePath(std::string_view path);

// A word as a POSIX shell reads it back: unchanged when it holds only safe
// characters, else in single quotes.
std::string ShellQuoted(std::string_view word);
