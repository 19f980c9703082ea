// Any bytes as a header value and as text in a named charset: the encoded
// word decoders, the charset decoder and the HTML reduction never crash and
// always give valid UTF-8.
#include "engine/maillib/CCharsetDecoder.h"
#include "engine/maillib/CHeaderText.h"
#include "engine/maillib/CHtmlText.h"
#include "platform/codepage.h"

#include <cstdint>
#include <cstdlib>
#include <string>

namespace {

void RequireUtf8(const std::string& text) {
    if (!IsValidUtf8(text))
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string_view bytes(reinterpret_cast<const char*>(data), size);
    RequireUtf8(CHeaderText::DecodeText(bytes));
    // NormalizeEncodedWords is read by GMime's address parser, not shown.
    (void)CHeaderText::NormalizeEncodedWords(bytes);
    (void)CHeaderText::DecodeBase64(bytes);
    (void)CHeaderText::DecodeQ(bytes);
    // The first line names a charset, the rest is text in it.
    std::size_t newline = bytes.find('\n');
    std::string_view charset = newline == std::string_view::npos ? "" : bytes.substr(0, newline);
    std::string_view text = newline == std::string_view::npos ? bytes : bytes.substr(newline + 1);
    RequireUtf8(CCharsetDecoder::ToUtf8(text, charset));
    RequireUtf8(CHtmlText::ToPlainText(CCharsetDecoder::ToUtf8(text, "utf-8")));
    (void)CHtmlText::MetaCharset(text);
    return 0;
}
