#pragma once
// The values of one decoded message that the forwarding rules test and the
// forward text carries, taken from the decoder's tagged fields.

#include "engine/maillib/maillib.h"

#include <string>
#include <vector>

struct MessageSummary {
    std::string strFrom;      // as decoded, display name included, not trimmed
    std::string strDate;      // as decoded
    std::string strSubject;   // trimmed
    std::string strBody;      // trimmed, inner line breaks kept
    std::string strMessageId; // trimmed; identifies the message beside From and Subject
    std::vector<std::string> vecAttachments; // attachment paths that exist, in field order
};

// The identity of a message as the last-forwarded marker records it.
struct MessageIdentity {
    std::string strFrom;
    std::string strSubject;
    std::string strMessageId;
};

// Builds the summary from the first n fields (n: the decoder's result; n <= 0
// gives the empty summary). Later fields with the same tag replace earlier
// ones; a "File: " path is kept only when the file system has an entry there.
MessageSummary ExtractSummary(const MailList& fields, int n);

// From, Subject and Message-ID exactly as ExtractSummary takes them; the
// other tags are not looked at.
MessageIdentity ExtractIdentity(const MailList& fields, int n);
