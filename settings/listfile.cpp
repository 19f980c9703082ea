#include "settings/listfile.h"

#include "platform/paths.h"

#include <fstream>
#include <iterator>

namespace {

// The lists hold personal data (addresses, senders): private like the INI.
constexpr unsigned kListFileMode = 0600;

} // namespace

bool ReadListFile(const std::string& path, std::vector<std::string>& entries) {
    std::ifstream file(path, std::ios::binary);
    if (!file)
        return false;
    std::string content((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    if (file.bad())
        return false;

    std::size_t start = 0;
    while (start < content.size()) {
        std::size_t end = content.find('\n', start);
        if (end == std::string::npos)
            end = content.size();
        std::size_t length = end - start;
        if (length > 0 && content[end - 1] == '\r')
            --length; // CR LF is one line break
        entries.push_back(content.substr(start, length));
        start = end + 1;
    }
    return true;
}

bool WriteListFile(const std::string& path, const std::vector<std::string>& entries) {
    std::string content;
    for (const std::string& entry : entries)
        content += entry + "\r\n";
    return WriteFileAtomically(path, content, kListFileMode);
}
