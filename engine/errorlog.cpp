#include "engine/errorlog.h"

#include "config/schema.h"
#include "platform/CStateFile.h"
#include "platform/codepage.h"
#include "platform/paths.h"

#include <atomic>
#include <cstdio>
#include <ctime>

namespace {

// The log may hold addresses and server replies: private to its owner.
constexpr unsigned kErrorLogMode = 0600;

std::atomic<bool> g_bEchoToStderr{false};

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

// One write per report, so lines of two threads do not interleave.
void PrintToStderr(const std::string& utf8) {
    std::string text;
    for (char c : utf8)
        if (c != '\r')
            text += c;
    text += '\n';
    std::fwrite(text.data(), 1, text.size(), stderr);
    std::fflush(stderr);
}

bool AppendEntry(const std::string& path, const std::string& entry) {
    CStateFile log = CStateFile::OpenForAppending(path, kErrorLogMode);
    // The size is tested before the entry, so the log may pass the limit by
    // one entry before it is started afresh.
    if (log.IsOpen() && log.RestartIfLongerThan(kErrorLogLimit) && log.Append(entry))
        return true;
    PrintToStderr("quiben: " + path + ": " + log.GetStatus().Reason() +
                  " (エラーログに書けません)");
    return false;
}

} // namespace

void WriteErrorLog(const std::string& appDir, std::string_view message) {
    std::string path = JoinPath(appDir, schema::kErrorLogFile);
    std::string entry =
        FormatLocalTime() + "\r\n" + WithCrLf(message) + "\r\n" + std::string(40, '-') + "\r\n";
    if (!AppendEntry(path, entry) || g_bEchoToStderr)
        PrintToStderr("quiben: " + Cp932ToUtf8(message));
}

void SetErrorLogEcho(bool bEcho) {
    g_bEchoToStderr = bEcho;
}
