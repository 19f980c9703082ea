#pragma once
// The forward-to list as people write it: one or more addresses per line,
// separated by commas, each bare ("phone@example.net") or with a name
// ("Phone <phone@example.net>", "\"Doe, John\" <j@example.net>"); blanks
// around anything; empty lines and lines starting with '#' skipped. Only
// what can safely go into RCPT TO comes out: printable ASCII of the form
// local@domain, without blanks, angle brackets or control characters, so a
// line can never add SMTP commands of its own.

#include <string>
#include <string_view>
#include <vector>

enum class AddressLineProblem {
    ControlCharacter, // CR, NUL, DEL ... anywhere in the entry
    Unclosed,         // a quote or '<' without its end
    NotAnAddress,     // anything else that is not local@domain
};

// One entry of a line that was not taken: where it stands and what it says
// (UTF-8, control characters shown as '?', for the error log).
struct UnusableAddressLine {
    int nLine = 0; // 1-based line number in the file
    std::string strEntryUtf8;
    AddressLineProblem problem = AddressLineProblem::NotAnAddress;
};

struct ForwardAddressList {
    // The addresses to send to, in the order written; an address written
    // twice (letter case aside) appears once, as first written.
    std::vector<std::string> addresses;
    // The entries that were not taken; the other entries of their lines are.
    std::vector<UnusableAddressLine> unusable;
};

// Parses the lines of the forward-to list as read from the file (code page
// 932; a trail byte of a double-byte character such as 0x40 '@' or 0x5C
// '\' is never taken for that character).
ForwardAddressList ParseForwardAddresses(const std::vector<std::string>& linesCp932);

// A single address as the sender setting holds it: blanks (ASCII blanks,
// TAB, the double-byte blank) around it removed, nothing else changed.
std::string TrimMailAddress(std::string_view addressCp932);

// True for printable ASCII of the form local@domain (one '@', both parts
// non-empty) without blanks, double quotes, brackets, commas or backslashes.
bool IsUsableMailAddress(std::string_view address);
