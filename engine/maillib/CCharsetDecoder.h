#pragma once
// Turns text in a MIME charset into UTF-8, with the repairs Japanese mail
// needs: Shift_JIS read as code page 932 (Windows mailers label it so),
// EUC-JP read with the Microsoft table, and ISO-2022-JP read as the superset
// Windows mailers write, so NEC and IBM characters (①, ㈱, 髙, 﨑) survive.

#include <string>
#include <string_view>

class CCharsetDecoder {
public:
    // Never fails: bytes that the charset does not define become '?'. An
    // empty or unknown charset is taken as UTF-8 when the bytes are valid
    // UTF-8, as ISO-2022-JP when they hold its escapes, else as code page 932.
    static std::string ToUtf8(std::string_view bytes, std::string_view charset);

    // ISO-2022-JP with the rows of code page 932 that JIS X 0208 lacks.
    static std::string Iso2022JpToUtf8(std::string_view bytes);

private:
    static std::string RepairUtf8(std::string_view bytes);
    static std::string Normalize(std::string_view charset);
    static std::string Guess(std::string_view bytes);
    static std::string FromIconvName(std::string_view bytes, const std::string& name);
};
