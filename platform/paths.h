#pragma once
// The program folder and the temporary folder.

#include <string>
#include <string_view>

// The folder part of a full path without a trailing separator; the root
// stays "/". A bare file name gives an empty string.
std::string ExtractDirectory(std::string_view fullPath);

// folder + "/" + name (no doubled separator when folder is "/").
std::string JoinPath(std::string_view folder, std::string_view name);

// Full path of the running executable, empty when it cannot be found.
std::string GetExecutablePath();

// The program folder: homeOption when given (--home DIR), else the
// executable's folder when it is writable and not a folder of the system
// (under /usr, /bin, /sbin: an installed copy run by root), else
// $XDG_CONFIG_HOME/quiben (~/.config/quiben), created when missing. Empty on
// failure.
std::string ResolveAppDir(std::string_view homeOption);

// $XDG_CONFIG_HOME when it is an absolute path, else ~/.config; empty when
// neither is known.
std::string UserConfigHome();

// $TMPDIR when set and non-empty, else "/tmp", without a trailing separator.
std::string ResolveTempDir();

// Writes content to path through a temporary file in the same folder and a
// rename, so a crash or a full disk never leaves a half-written file. mode is
// applied to the new file before it replaces the old one.
bool WriteFileAtomically(const std::string& path, std::string_view content, unsigned mode);

// Writes all of content to a file descriptor, retrying short writes; false on
// an error (a full disk).
bool WriteFully(int fd, std::string_view content);
