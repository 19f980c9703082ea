#include "config/listfile.h"

#include "platform/paths.h"
#include "platform/textfile.h"

#include <iterator>

namespace {

// The lists hold personal data (addresses, senders): private like the INI.
constexpr unsigned kListFileMode = 0600;

} // namespace

bool ReadListFile(const std::string& path, std::vector<std::string>& entries) {
    std::optional<std::string> content = ReadWholeFile(path);
    if (!content)
        return false;
    std::vector<std::string> lines = SplitLines(*content);
    entries.insert(entries.end(), std::make_move_iterator(lines.begin()),
                   std::make_move_iterator(lines.end()));
    return true;
}

bool WriteListFile(const std::string& path, const std::vector<std::string>& entries) {
    std::string content;
    for (const std::string& entry : entries)
        content += entry + "\r\n";
    return WriteFileAtomically(path, content, kListFileMode);
}
