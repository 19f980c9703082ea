#include "engine/enginetexts.h"

#include "platform/codepage.h"

namespace {

const std::string& ReceiveErrorFormatCp932() {
    static const std::string text = Utf8ToCp932(enginetexts::kReceiveErrorFormatUtf8);
    return text;
}

const std::string& SendErrorFormatCp932() {
    static const std::string text = Utf8ToCp932(enginetexts::kSendErrorFormatUtf8);
    return text;
}

// Puts the text where the format's %s stands. No printf: the error text
// comes from the network and is taken as it is. Code page 932 has no '%' as
// a trail byte, so the first "%s" is the placeholder.
std::string FillFormat(const std::string& format, std::string_view text) {
    std::string result = format;
    std::size_t at = result.find("%s");
    if (at != std::string::npos)
        result.replace(at, 2, text);
    return result;
}

} // namespace

const std::string& ForwardSubjectCp932() {
    static const std::string text = Utf8ToCp932(enginetexts::kForwardSubjectUtf8);
    return text;
}

std::string FormatReceiveError(std::string_view errorText) {
    return FillFormat(ReceiveErrorFormatCp932(), errorText);
}

std::string FormatSendError(std::string_view errorText) {
    return FillFormat(SendErrorFormatCp932(), errorText);
}
