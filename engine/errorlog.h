#pragma once
// The error log "ErrorLog.txt" in the program folder: three-line entries
// (local time, message, 40 hyphens), CR LF line ends, started afresh once it
// has grown past 64000 bytes.

#include <string>
#include <string_view>

inline constexpr long long kErrorLogLimit = 64000;

// Appends one entry (message in code page 932). A log that is not a regular
// file of the user with one link (a FIFO, a link, a folder, another user's
// file) is left untouched; then, as when the log cannot be written at all,
// the problem and the entry go to stderr instead, and the caller carries on.
void WriteErrorLog(const std::string& appDir, std::string_view message);

// For the whole process: every entry also goes to stderr, in UTF-8, so a run
// from cron or a service manager shows it in its mail or journal. Off until
// switched on.
void SetErrorLogEcho(bool bEcho);
