#include "platform/textfile.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

std::optional<std::string> ReadWholeFile(const std::string& path) {
    // O_NONBLOCK: opening a FIFO for reading would otherwise wait for a writer.
    int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0)
        return std::nullopt;
    struct stat info {};
    std::string content;
    bool ok = fstat(fd, &info) == 0 && S_ISREG(info.st_mode) && ReadToEnd(fd, content);
    close(fd);
    if (!ok)
        return std::nullopt;
    return content;
}

bool ReadToEnd(int fd, std::string& content, std::size_t maxBytes) {
    char buffer[65536];
    std::size_t appended = 0;
    for (;;) {
        ssize_t got = read(fd, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            return false;
        if (got == 0)
            return true;
        if (static_cast<std::size_t>(got) > maxBytes - appended)
            return false;
        content.append(buffer, static_cast<std::size_t>(got));
        appended += static_cast<std::size_t>(got);
    }
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
