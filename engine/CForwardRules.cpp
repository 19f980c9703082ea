#include "engine/CForwardRules.h"

#include "engine/enginetexts.h"
#include "platform/codepage.h"
#include "platform/paths.h"
#include "settings/listfile.h"
#include "settings/schema.h"

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

// Case is ignored for ASCII letters only; in UTF-8 their bytes never occur
// inside another character, so byte-wise upper-casing is safe.
std::string AsciiUpper(std::string text) {
    for (char& c : text)
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    return text;
}

} // namespace

CForwardRules::CForwardRules(const CProfile& profile, std::string strAppDir)
    : m_profile(profile), m_strAppDir(std::move(strAppDir)) {}

COutgoingMail CForwardRules::Compose(const CDecodedMessage& message, const std::string& strSender) {
    return COutgoingMail{strSender, "", std::string(enginetexts::kForwardSubject),
                         ComposeForwardText(message), message.vecAttachments};
}

bool CForwardRules::PassesSenderAndSubject(const std::string& strFrom,
                                           const std::string& strSubject) const {
    using namespace schema;
    if (m_profile.GetProfileInt(kSectionRule, kKeyRuleFrom, kDefaultRuleFrom) != 0 &&
        !AnyRuleLineOccurs(strFrom, kSenderRuleFile))
        return false;
    if (m_profile.GetProfileInt(kSectionRule, kKeyRuleSubject, kDefaultRuleSubject) == 0)
        return true;
    return AnyRuleLineOccurs(strSubject, kSubjectRuleFile);
}

// Rules in the order sender, subject, attachments, size; each setting and
// rule file is read afresh here, so a change applies from the next message.
std::optional<COutgoingMail> CForwardRules::ForwardOf(const CDecodedMessage& message,
                                                      const std::string& strSender) const {
    const CMessageHeader& header = message.header;
    if (!PassesSenderAndSubject(header.strFrom, header.strSubject) ||
        !PassesAttachmentRule(message))
        return std::nullopt;
    COutgoingMail mail = Compose(message, strSender);
    if (!PassesSizeRule(mail.strBody))
        return std::nullopt;
    return mail;
}

bool CForwardRules::AnyRuleLineOccurs(const std::string& strValue, const char* pszRuleFile) const {
    std::vector<std::string> lines;
    if (!ReadListFile(JoinPath(m_strAppDir, pszRuleFile), lines))
        return false;
    const std::string upperValue = AsciiUpper(strValue);
    // An empty line occurs in every value and so lets every message pass.
    // Both texts are whole UTF-8, so a match starts and ends on characters.
    return std::any_of(lines.begin(), lines.end(), [&upperValue](const std::string& line) {
        return upperValue.find(AsciiUpper(Cp932ToUtf8(line))) != std::string::npos;
    });
}

bool CForwardRules::PassesAttachmentRule(const CDecodedMessage& message) const {
    using namespace schema;
    return message.vecAttachments.empty() ||
           m_profile.GetProfileInt(kSectionRule, kKeyRuleTemp, kDefaultRuleTemp) == 0;
}

// The limit keeps its meaning for a phone: the text's length in code page
// 932 bytes, a character outside it counted as 2. A text exactly as long as
// the limit passes. The limit compares unsigned, so a negative value
// hand-edited into the settings never holds mail back.
bool CForwardRules::PassesSizeRule(const std::string& strText) const {
    using namespace schema;
    if (m_profile.GetProfileInt(kSectionRule, kKeyRuleSize, kDefaultRuleSize) == 0)
        return true;
    const auto limit = static_cast<unsigned int>(
        m_profile.GetProfileInt(kSectionRule, kKeyLimitByte, kDefaultLimitByte));
    return Cp932Length(strText) <= limit;
}
