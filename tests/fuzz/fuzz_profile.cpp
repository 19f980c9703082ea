// Any INI content: reads never crash, and a written value always reads back
// while the other keys keep their values.
#include "FuzzFile.h"
#include "platform/profile.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    CFuzzFile file(data, size);
    if (file.Path().empty())
        return 0;
    CProfile profile(file.Path());
    std::string pop3 = profile.GetProfileString("RECV", "POP3", "none");
    int limit = profile.GetProfileInt("RULE", "LIMIT_BYTE", 256);
    std::string value(reinterpret_cast<const char*>(data), size < 40 ? size : 40);
    if (profile.WriteProfileString("LASTSEND", "FROM", value)) {
        if (profile.GetProfileString("LASTSEND", "FROM", "") != value)
            std::abort();
        if (profile.GetProfileString("RECV", "POP3", "none") != pop3 ||
            profile.GetProfileInt("RULE", "LIMIT_BYTE", 256) != limit)
            std::abort();
    }
    return 0;
}
