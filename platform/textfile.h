#pragma once
// Reading the program's small text files (settings, lists) whole.

#include <cstddef>
#include <limits>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The file's bytes; nullopt when it cannot be opened or read, or when it is
// no regular file (a folder; a FIFO, which is never waited on).
std::optional<std::string> ReadWholeFile(const std::string& path);

// Appends what is left to read from a file descriptor; false on a read error
// or when more than maxBytes would have to be appended (content then holds
// what was read so far).
bool ReadToEnd(int fd, std::string& content,
               std::size_t maxBytes = std::numeric_limits<std::size_t>::max());

// Lines without their line ends: CR LF and a bare LF both end a line, a last
// line without a break still counts, a lone CR elsewhere stays in the line.
std::vector<std::string> SplitLines(std::string_view content);
