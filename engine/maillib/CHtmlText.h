#pragma once
// Plain text of an HTML-only mail: what a reader would see, line breaks at
// block ends, entities decoded, scripts, styles and the head left out.

#include <string>
#include <string_view>

class CHtmlText {
public:
    static std::string ToPlainText(std::string_view utf8Html);

    // The charset a <meta> tag names, for HTML parts without one in their
    // Content-Type; empty when none.
    static std::string MetaCharset(std::string_view html);

private:
    static std::string DecodeEntity(std::string_view name);
};
