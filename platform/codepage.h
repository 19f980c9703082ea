#pragma once
// Byte strings in code page 932 (Shift_JIS with the Windows extensions): the
// character-aware helpers that the settings, the rules and the list editor
// need, and the conversions at the program's two borders (widgets, mail).

#include <cstddef>
#include <string>
#include <string_view>

// True for the first byte of a double-byte character (0x81-0x9F, 0xE0-0xFC).
bool IsCp932LeadByte(unsigned char byte);

// Byte length of the character that starts at offset (1 or 2; 1 for a lead
// byte cut off at the end of the text).
std::size_t Cp932CharLength(std::string_view text, std::size_t offset);

// Upper-cases the single-byte Latin letters a-z only; the bytes of
// double-byte characters (whose trail byte may look like 'a'..'z') are kept.
std::string MbsUpper(std::string_view text);

// Change the case of the letters A-Z / a-z byte by byte: for UTF-8 or ASCII
// text, where those bytes never stand inside another character.
std::string LowerAscii(std::string_view text);
std::string UpperAscii(std::string_view text);

// Compares without regard to the case of single-byte Latin letters, character
// by character: <0, 0 or >0 like strcmp.
int MbsICmp(std::string_view left, std::string_view right);

// Byte-wise search for needle that only accepts a match that starts and ends
// on character boundaries of haystack. An empty needle matches at `from`.
// Returns std::string::npos when there is no such match.
std::size_t MbsFind(std::string_view haystack, std::string_view needle, std::size_t from = 0);

// Removes blank, TAB, LF, VT, FF and CR from both ends; double-byte
// characters (the double-byte blank included) are never trimmed.
std::string TrimWhite(std::string_view text);

// Control characters (below 0x20, and DEL) become blanks, so the text keeps
// to one line wherever it is written. Bytes of double-byte characters, in
// code page 932 or UTF-8, are never below 0x40 and stay as they are.
std::string BlankControls(std::string_view text);

// The longest prefix of at most maxBytes bytes that does not split a
// double-byte character.
std::string MbsTruncate(std::string_view text, std::size_t maxBytes);

// Whether bytes are well-formed UTF-8: no overlong form, no surrogate,
// nothing above U+10FFFF, no character cut off. NUL bytes are allowed.
bool IsValidUtf8(std::string_view bytes);

// The longest prefix of at most maxBytes bytes that does not split a UTF-8
// character.
std::string Utf8Truncate(std::string_view utf8, std::size_t maxBytes);

// Conversions. A character that the target cannot hold, or a malformed byte
// sequence, is replaced one for one ('?' in code page 932, U+FFFD in UTF-8),
// never dropped together with the rest of the text.
std::string Cp932ToUtf8(std::string_view cp932);
std::string Utf8ToCp932(std::string_view utf8);

// The byte length of utf8 in code page 932, a character that the code page
// cannot hold counted as 2 bytes (as wide as most characters it can).
std::size_t Cp932Length(std::string_view utf8);
