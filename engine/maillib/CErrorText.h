#pragma once
// The text of a CMailError: Japanese in UTF-8, one line, bounded, and never
// showing the password it was given.

#include <string>
#include <string_view>

class CErrorText {
public:
    // Longer texts carry nothing a log line could use; cut on a character.
    static constexpr std::size_t kMaxBytes = 240;

    // Control characters (a server reply's line end) become blanks; `secret`
    // (a password) is masked wherever it appears, though no text is ever
    // built from it.
    static std::string Render(std::string_view utf8Message, std::string_view secret = {});

    // "prefix: detail", or the prefix alone when there is no detail.
    static std::string Join(std::string_view prefix, std::string_view detail);
};
