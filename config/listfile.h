#pragma once
// The list files (forward-to addresses, sender and subject rules): one entry
// per line, CR LF or a bare LF ends a line, a last line without a break is
// still an entry, nothing is trimmed. Written whole with CR LF after every
// entry, atomically.

#include <string>
#include <vector>

// Appends the file's entries; false (nothing appended) when it cannot be opened.
bool ReadListFile(const std::string& path, std::vector<std::string>& entries);

// False when the file could not be replaced; the old file is then intact.
bool WriteListFile(const std::string& path, const std::vector<std::string>& entries);
