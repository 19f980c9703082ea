#pragma once
// The forwarded mail as MIME bytes: From, To, Subject (an encoded word),
// Date, Message-ID, MIME-Version, a UTF-8 text/plain body and one base64
// part per attachment, every line ending in CR LF.

#include <string>

class CMailComposer {
public:
    // Texts and paths in code page 932; attachments are paths separated by
    // one TAB, empty for none. False with a UTF-8 reason when an attachment
    // cannot be read.
    bool Compose(const std::string& from, const std::string& to, const std::string& subject,
                 const std::string& body, const std::string& attachments, std::string& message,
                 std::string& error);
};
