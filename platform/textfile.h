#pragma once
// Reading the program's small text files (settings, lists) whole.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The file's bytes; nullopt when it cannot be opened or read (a folder).
std::optional<std::string> ReadWholeFile(const std::string& path);

// Lines without their line ends: CR LF and a bare LF both end a line, a last
// line without a break still counts, a lone CR elsewhere stays in the line.
std::vector<std::string> SplitLines(std::string_view content);
