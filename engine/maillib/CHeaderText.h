#pragma once
// Header values as mail really carries them: RFC 2047 encoded words in any
// charset (split across words, even in the middle of a character), raw
// ISO-2022-JP, raw Shift_JIS or UTF-8. Every charset goes through
// CCharsetDecoder, so the Japanese repairs apply to headers as to bodies.

#include <string>
#include <string_view>

class CHeaderText {
public:
    // An unstructured value (Subject) as UTF-8 text, unfolded.
    static std::string DecodeText(std::string_view raw);

    // The same value with every encoded word and every raw 8-bit run turned
    // into UTF-8 encoded words, for GMime's address parser: the structure
    // (quotes, commas, angle brackets) stays as written.
    static std::string NormalizeEncodedWords(std::string_view raw);

    // Lenient decoders of the two encodings of RFC 2047.
    static std::string DecodeBase64(std::string_view text);
    static std::string DecodeQ(std::string_view text);
};
