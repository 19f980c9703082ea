#pragma once
// The 81-byte error text that every mail call may fill: built in UTF-8,
// handed over in code page 932, at most 80 bytes cut at a character boundary.

#include <string>
#include <string_view>

class CErrorText {
public:
    // Writes the message into the caller's buffer. Control characters (a
    // server reply's line end) become blanks; `secret` (a password) is masked
    // wherever it appears, though no text is ever built from it.
    static void Write(char* buffer, std::string_view utf8Message, std::string_view secret = {});
    static void Clear(char* buffer);

    // "prefix: detail", or the prefix alone when there is no detail.
    static std::string Join(std::string_view prefix, std::string_view detail);

    // The text as it would be written, for callers that keep it.
    static std::string Render(std::string_view utf8Message, std::string_view secret);
};
