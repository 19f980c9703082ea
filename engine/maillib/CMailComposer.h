#pragma once
// The forwarded mail as MIME bytes: From, To, Subject (an encoded word),
// Date, Message-ID, MIME-Version, a UTF-8 text/plain body and one base64
// part per attachment, every line ending in CR LF.

#include "engine/maillib/maillib.h"

#include <string>

class CMailComposer {
public:
    // False with a reason when an attachment cannot be read.
    bool Compose(const COutgoingMail& mail, std::string& message, std::string& error);
};
