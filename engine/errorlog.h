#pragma once
// The error log "ErrorLog.txt" in the program folder: three-line entries
// (local time, message, 40 hyphens), CR LF line ends, started afresh once it
// has grown past 64000 bytes.

#include <string>
#include <string_view>

inline constexpr long long kErrorLogLimit = 64000;

// Appends one entry; a log that cannot be written loses the entry silently.
void WriteErrorLog(const std::string& appDir, std::string_view message);
