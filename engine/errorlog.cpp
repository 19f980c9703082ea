#include "engine/errorlog.h"

#include "platform/codepage.h"
#include "platform/paths.h"
#include "settings/schema.h"

#include <ctime>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// "2026年12月07日 05:52:05" in code page 932.
std::string FormatLocalTime() {
    static const std::string format = Utf8ToCp932("%Y年%m月%d日 %H:%M:%S");
    std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char buffer[64];
    std::size_t length = std::strftime(buffer, sizeof buffer, format.c_str(), &local);
    return std::string(buffer, length);
}

// The log is a text file with CR LF line ends, also inside a message.
std::string WithCrLf(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\n' && (i == 0 || text[i - 1] != '\r'))
            out += '\r';
        out += text[i];
    }
    return out;
}

} // namespace

void WriteErrorLog(const std::string& appDir, std::string_view message) {
    std::string path = JoinPath(appDir, schema::kErrorLogFile);
    int flags = O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC | O_NOFOLLOW;
    struct stat info {};
    // The size is tested before the entry, so the log may pass the limit by
    // one entry before it is started afresh.
    if (stat(path.c_str(), &info) == 0 && info.st_size > kErrorLogLimit)
        flags |= O_TRUNC;
    int fd = open(path.c_str(), flags, 0600);
    if (fd < 0)
        return;
    std::string entry =
        FormatLocalTime() + "\r\n" + WithCrLf(message) + "\r\n" + std::string(40, '-') + "\r\n";
    WriteFully(fd, entry);
    close(fd);
}
