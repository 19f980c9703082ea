#pragma once
// The forwarding rules and the forward they let through. Sender list,
// subject list, attachments and size are tested in that order; each setting
// and rule file is read afresh at every test, so a change applies from the
// next message.

#include "engine/maillib/maillib.h"
#include "platform/profile.h"

#include <optional>
#include <string>

class CForwardRules {
public:
    // profile must outlive the rules.
    CForwardRules(const CProfile& profile, std::string strAppDir);

    // The sender and subject rules, each when switched on: some line of its
    // rule file occurs in the value (UTF-8), ASCII letters compared without
    // case, whole characters only. A missing rule file rejects.
    bool PassesSenderAndSubject(const std::string& strFrom, const std::string& strSubject) const;

    // The forward of a message that every rule lets through; nullopt when a
    // rule holds it back.
    std::optional<COutgoingMail> ForwardOf(const CDecodedMessage& message,
                                           const std::string& strSender) const;

    // The forward of a message, rules aside: from strSender, the fixed
    // subject, the summary ("Title:", "From:", "Date:", "Body:" lines, each
    // ending in CR LF) as text, the attachments as decoded.
    static COutgoingMail Compose(const CDecodedMessage& message, const std::string& strSender);

private:
    bool AnyRuleLineOccurs(const std::string& strValue, const char* pszRuleFile) const;
    bool PassesAttachmentRule(const CDecodedMessage& message) const;
    bool PassesSizeRule(const std::string& strText) const;

    const CProfile& m_profile;
    std::string m_strAppDir;
};
