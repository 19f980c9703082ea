// Any bytes through the code page helpers: no crash, lengths and boundaries
// as promised.
#include "platform/codepage.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string_view text(reinterpret_cast<const char*>(data), size);
    std::string upper = MbsUpper(text);
    if (upper.size() != text.size() || MbsICmp(text, upper) != 0)
        std::abort();
    std::string_view needle = text.substr(0, size / 4);
    std::size_t found = MbsFind(text.substr(size / 4), needle);
    if (found != std::string::npos && text.substr(size / 4).compare(found, needle.size(), needle))
        std::abort();
    std::string cut = MbsTruncate(text, size / 2);
    if (cut.size() > size / 2 || text.substr(0, cut.size()) != cut)
        std::abort();
    std::string trimmed = TrimWhite(text);
    if (trimmed.size() > size)
        std::abort();
    std::string utf8 = Cp932ToUtf8(text);
    std::string back = Utf8ToCp932(utf8);
    std::string fromUtf8 = Utf8ToCp932(text);
    (void)back;
    if (Cp932Length(text) < fromUtf8.size())
        std::abort();
    std::string prefix = Utf8Truncate(utf8, size / 3);
    if (prefix.size() > size / 3 || utf8.compare(0, prefix.size(), prefix) != 0 ||
        (prefix.size() < utf8.size() &&
         (static_cast<unsigned char>(utf8[prefix.size()]) & 0xC0) == 0x80))
        std::abort(); // cut inside a character
    return 0;
}
