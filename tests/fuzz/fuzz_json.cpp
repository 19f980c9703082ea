// Any answer a provider (or something pretending to be one) sends: reading
// never crashes, and a string without escapes reads back as it was written.
#include "engine/oauth/CJsonObject.h"

#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string_view text(reinterpret_cast<const char*>(data), size);
    CJsonObject json;
    if (!json.Parse(text))
        return 0;
    for (const char* name : {"access_token", "error", "expires_in"}) {
        std::optional<std::string> value = json.String(name);
        if (value && text.find('\\') == std::string_view::npos && text.find(*value) == text.npos)
            std::abort();
        json.Integer(name);
    }
    return 0;
}
