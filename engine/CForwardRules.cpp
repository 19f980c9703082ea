#include "engine/CForwardRules.h"

#include "config/CSettingsStore.h"
#include "config/listfile.h"
#include "config/schema.h"
#include "engine/enginetexts.h"
#include "platform/codepage.h"

#include <algorithm>

namespace {

// "Title:" subject, "From:" from, "Date:" date, "Body:" body, each line
// ending in CR LF, the last one included.
std::string ComposeForwardText(const CDecodedMessage& message) {
    using namespace enginetexts;
    std::string text;
    auto addLine = [&text](std::string_view label, std::string_view value) {
        text.append(label).append(value).append(kLineEnd);
    };
    addLine(kLabelTitle, message.header.strSubject);
    addLine(kLabelFrom, message.header.strFrom);
    addLine(kLabelDate, message.header.strDate);
    addLine(kLabelBody, TrimWhite(message.strBody));
    return text;
}

} // namespace

CForwardRules::CForwardRules(const CSettingsStore& settings) : m_settings(settings) {}

COutgoingMail CForwardRules::Compose(const CDecodedMessage& message, const std::string& strSender) {
    return COutgoingMail{strSender, "", std::string(enginetexts::kForwardSubject),
                         ComposeForwardText(message), message.vecAttachments};
}

bool CForwardRules::PassesSenderAndSubject(const std::string& strFrom,
                                           const std::string& strSubject) const {
    return PassesSenderAndSubject(m_settings.Load<CRuleSettings>(), strFrom, strSubject);
}

bool CForwardRules::PassesSenderAndSubject(const CRuleSettings& rules, const std::string& strFrom,
                                           const std::string& strSubject) const {
    if (rules.bFromRule != 0 && !AnyRuleLineOccurs(strFrom, schema::kSenderRuleFile))
        return false;
    return rules.bSubjectRule == 0 || AnyRuleLineOccurs(strSubject, schema::kSubjectRuleFile);
}

// Rules in the order sender, subject, attachments, size; the settings and
// the rule files are read afresh for every message, so a change applies from
// the next one. The size limit keeps its meaning for a phone: the text's
// length in code page 932 bytes, a character outside it counted as 2; a text
// exactly as long as the limit passes. The limit compares unsigned, so a
// negative value hand-edited into the settings never holds mail back.
std::optional<COutgoingMail> CForwardRules::ForwardOf(const CDecodedMessage& message,
                                                      const std::string& strSender) const {
    const CRuleSettings rules = m_settings.Load<CRuleSettings>();
    const CMessageHeader& header = message.header;
    if (!PassesSenderAndSubject(rules, header.strFrom, header.strSubject))
        return std::nullopt;
    if (!message.vecAttachments.empty() && rules.bNoAttachment != 0)
        return std::nullopt;
    COutgoingMail mail = Compose(message, strSender);
    if (rules.bSizeLimit != 0 &&
        Cp932Length(mail.strBody) > static_cast<unsigned int>(rules.nLimitByte))
        return std::nullopt;
    return mail;
}

bool CForwardRules::AnyRuleLineOccurs(const std::string& strValue, const char* pszRuleFile) const {
    std::vector<std::string> lines;
    if (!ReadListFile(m_settings.FilePath(pszRuleFile), lines))
        return false;
    const std::string upperValue = UpperAscii(strValue);
    // An empty line occurs in every value and so lets every message pass.
    // Both texts are whole UTF-8, so a match starts and ends on characters.
    return std::any_of(lines.begin(), lines.end(), [&upperValue](const std::string& line) {
        return upperValue.find(UpperAscii(Cp932ToUtf8(line))) != std::string::npos;
    });
}
