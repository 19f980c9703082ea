#pragma once
// Texts of the IMAP dialogue that come from the user: folder names in the
// form servers keep them (modified UTF-7), as quoted strings of a command,
// and inside a URL for libcurl. The replies the session reads are parsed
// here too, so each rule lives in one place.

#include <optional>
#include <string>
#include <string_view>

// A folder name (UTF-8) as IMAP servers name it: printable ASCII as it is
// ("&" as "&-"), every other character in modified base64 of UTF-16.
// Empty when the name is not valid UTF-8.
std::string EncodeImapMailboxName(std::string_view utf8);

// An IMAP quoted string: "..." with backslash before '"' and '\'.
std::string QuoteImapString(std::string_view text);

// A URL path part: unreserved characters and '/' as they are, every other
// byte as %XX, so libcurl's own decoding gives back exactly text.
std::string EncodeUrlPath(std::string_view text);

// The number after word in an IMAP reply line ("UIDNEXT 42", "[UIDVALIDITY
// 7]"); word must stand alone, not as the end of a longer word.
std::optional<unsigned long long> ImapNumberAfter(std::string_view line, std::string_view word);
