#pragma once
// The forwarding rules and the forward they let through. Sender list,
// subject list, attachments and size are tested in that order; each setting
// and rule file is read afresh at every test, so a change applies from the
// next message.

#include "engine/maillib/maillib.h"

#include <optional>
#include <string>

class CSettingsStore;
struct CRuleSettings;

class CForwardRules {
public:
    // settings must outlive the rules.
    explicit CForwardRules(const CSettingsStore& settings);

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
    bool PassesSenderAndSubject(const CRuleSettings& rules, const std::string& strFrom,
                                const std::string& strSubject) const;
    bool AnyRuleLineOccurs(const std::string& strValue, const char* pszRuleFile) const;

    const CSettingsStore& m_settings;
};
