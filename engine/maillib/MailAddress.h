#pragma once
// Checks on envelope addresses before they reach SMTP: libcurl passes the
// sender and recipient text into MAIL FROM and RCPT TO unchanged, so a line
// end inside one would let a crafted address add commands of its own.

#include <string_view>

// True for a non-empty address of printable ASCII without blanks or angle
// brackets. Everything else (control characters, CR, LF, DEL, blanks,
// '<', '>', bytes of double-byte characters) is refused.
bool IsSafeMailAddress(std::string_view address);

// The domain part after the last '@', empty when there is none.
std::string_view MailDomain(std::string_view address);

// True for a non-empty user name or access token without control
// characters or blanks: both go into a SASL login line, where a line end
// would end the command early.
bool IsSafeLoginText(std::string_view text);
