#include "platform/textfile.h"

#include <fstream>
#include <iterator>

std::optional<std::string> ReadWholeFile(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    if (!file)
        return std::nullopt;
    std::string content((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    if (file.bad())
        return std::nullopt;
    return content;
}

std::vector<std::string> SplitLines(std::string_view content) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < content.size()) {
        std::size_t end = content.find('\n', start);
        if (end == std::string_view::npos)
            end = content.size();
        std::size_t length = end - start;
        if (length > 0 && content[end - 1] == '\r')
            --length; // CR LF is one line break
        lines.emplace_back(content.substr(start, length));
        start = end + 1;
    }
    return lines;
}
