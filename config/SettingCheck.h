#pragma once
// Checks of what the user typed on the account page, for a warning before
// the settings are stored: the same rules the mail calls apply later.

#include "config/CServerAddress.h"

#include <string_view>

enum class EServerTextProblem {
    None,           // usable (an empty text is left to the user)
    Unreadable,     // not "host", "host:port" or one of the URLs
    PortOutOfRange, // readable, but the port is not 1 to 65535
};

EServerTextProblem CheckServerText(std::string_view text, EMailProtocol protocol);

// "local@domain" of printable ASCII without blanks or angle brackets, with
// a domain of letters, digits, hyphens and dots (or an address literal in
// brackets). Blanks around the address are allowed.
bool IsWellFormedMailAddress(std::string_view address);
