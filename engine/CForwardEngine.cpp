#include "engine/CForwardEngine.h"

#include "engine/enginetexts.h"
#include "engine/errorlog.h"
#include "platform/codepage.h"
#include "platform/paths.h"
#include "settings/listfile.h"
#include "settings/schema.h"

#include <algorithm>
#include <cerrno>
#include <ctime>
#include <unistd.h>

namespace {

// A received file is removed by the cycle that received it. One that is gone
// already counts as removed; any other failure ends the cycle.
bool RemoveReceivedFile(const CReceivedMessage& message) {
    return ::unlink(message.strPath.c_str()) == 0 || errno == ENOENT;
}

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

// The marker is compared with the blanks the decoder puts for control
// characters: a subject folded with a TAB was stored with it.
std::string BlankControls(std::string text) {
    for (char& c : text)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F)
            c = ' ';
    return text;
}

} // namespace

CForwardEngine::CForwardEngine(std::string strAppDir, std::string strTempDir,
                               CMailLibrary* pLibrary)
    : m_strAppDir(std::move(strAppDir)), m_strTempDir(std::move(strTempDir)),
      m_profile(JoinPath(m_strAppDir, schema::kIniFile)), m_pLibrary(pLibrary) {
    if (m_pLibrary == nullptr) {
        m_pOwnedLibrary = std::make_unique<CMailLibrary>();
        m_pLibrary = m_pOwnedLibrary.get();
    }
    LoadMarker();
}

CForwardEngine::~CForwardEngine() = default;

bool CForwardEngine::RunForwardCycle() {
    m_report = CycleReport{};
    std::vector<std::string> addresses;
    if (ReadForwardAddresses(addresses) == 0)
        return FinishCycle(false);

    const Account account = ReadAccount();
    m_pLibrary->SetCaFile(account.strCaFile);
    std::vector<CReceivedMessage> received;
    CMailError error;
    if (!m_pLibrary->Receive(account.pop3, m_strTempDir, received, error)) {
        LogError(enginetexts::kReceiveError, error);
        return FinishCycle(false);
    }
    if (received.empty())
        return FinishCycle(true);

    const std::size_t boundary = static_cast<std::size_t>(FindForwardedBoundary(received));
    bool bSendFailed = false;
    for (std::size_t i = 0; i < received.size(); ++i) {
        const CReceivedMessage& message = received[i];
        // Before the boundary: forwarded by an earlier cycle (or passed over
        // then). After a failed send: held back for the next cycle, so the
        // marker can never pass the message that failed.
        if (i < boundary || bSendFailed) {
            if (!RemoveReceivedFile(message))
                return FinishCycle(false);
            continue;
        }
        // A message that cannot be decoded is tested with empty values.
        CDecodedMessage decoded;
        m_pLibrary->Decode(message, m_strTempDir, decoded, error);
        // The file goes before any test, so a skipped message leaves nothing behind.
        if (!RemoveReceivedFile(message))
            return FinishCycle(false);
        bSendFailed = !ForwardIfPasses(decoded, account, addresses);
    }

    StoreMarker();
    return FinishCycle(true);
}

void CForwardEngine::LogError(std::string_view tag, const CMailError& error) {
    std::string entry = std::string(tag) + error.strText;
    WriteErrorLog(m_strAppDir, Utf8ToCp932(entry));
    if (!m_report.strErrors.empty())
        m_report.strErrors += '\n';
    m_report.strErrors += entry;
}

bool CForwardEngine::FinishCycle(bool bSucceeded) {
    m_report.bSucceeded = bSucceeded;
    m_report.tFinished = std::time(nullptr);
    m_lastReport = m_report;
    return bSucceeded;
}

int CForwardEngine::ReadForwardAddresses(std::vector<std::string>& addresses) const {
    const std::size_t before = addresses.size();
    ReadListFile(JoinPath(m_strAppDir, schema::kAddressFile), addresses);
    return static_cast<int>(addresses.size() - before);
}

bool CForwardEngine::PassesRules(const std::string& strFrom, const std::string& strSubject) const {
    using namespace schema;
    if (m_profile.GetProfileInt(kSectionRule, kKeyRuleFrom, kDefaultRuleFrom) != 0 &&
        !AnyRuleLineOccurs(strFrom, kSenderRuleFile))
        return false;
    if (m_profile.GetProfileInt(kSectionRule, kKeyRuleSubject, kDefaultRuleSubject) == 0)
        return true;
    return AnyRuleLineOccurs(strSubject, kSubjectRuleFile);
}

int CForwardEngine::FindForwardedBoundary(const std::vector<CReceivedMessage>& received) {
    // The first match from the start decides: a later copy of the marked
    // message is tested again, which the stored Message-ID prevents. Only
    // the header fields are decoded: messages before the boundary never get
    // their bodies decoded or their attachments written.
    for (std::size_t i = 0; i < received.size(); ++i) {
        CMessageHeader header;
        CMailError error;
        m_pLibrary->DecodeHeader(received[i], header, error);
        if (MatchesMarker(header))
            return static_cast<int>(i + 1);
    }
    return 0;
}

void CForwardEngine::LoadMarker() {
    using namespace schema;
    m_strLastFrom = BlankControls(m_profile.GetProfileString(kSectionLastSend, kKeyLastFrom, ""));
    m_strLastSubject =
        BlankControls(m_profile.GetProfileString(kSectionLastSend, kKeyLastSubject, ""));
    m_strLastMessageId =
        BlankControls(m_profile.GetProfileString(kSectionLastSend, kKeyLastMessageId, ""));
}

void CForwardEngine::StoreMarker() {
    using namespace schema;
    // Each replacement of the INI file is flushed to disk, which costs more
    // than the rest of a cycle without new mail. A marker that the store
    // already holds is therefore not written again (the store reads the same
    // either way), and a changed one in one replacement of the file.
    // A missing key reads as the line break, which no stored value holds.
    auto stored = [this](const char* key) {
        return m_profile.GetProfileString(kSectionLastSend, key, "\n");
    };
    if (stored(kKeyLastFrom) == m_strLastFrom && stored(kKeyLastSubject) == m_strLastSubject &&
        stored(kKeyLastMessageId) == m_strLastMessageId)
        return;
    m_profile.WriteProfileStrings(kSectionLastSend, {{kKeyLastFrom, m_strLastFrom},
                                                     {kKeyLastSubject, m_strLastSubject},
                                                     {kKeyLastMessageId, m_strLastMessageId}});
}

CForwardEngine::Account CForwardEngine::ReadAccount() const {
    using namespace schema;
    auto read = [this](const char* key) {
        return Cp932ToUtf8(m_profile.GetProfileString(kSectionRecv, key, ""));
    };
    return Account{{read(kKeyPop3), read(kKeyAccount), read(kKeyPassword)},
                   read(kKeySmtp),
                   read(kKeyMailAddress),
                   read(kKeyCaFile)};
}

// The marker is stored in code page 932, so the message's fields are
// compared in that form: a character the code page lacks is '?' on both
// sides, as earlier versions stored it, and markers they wrote still match.
// From and Subject compare whole and byte for byte. A stored Message-ID must
// match as well, so a second message with the same From and Subject (a daily
// report) is not mistaken for the marked one; markers stored without an ID
// keep matching on From and Subject alone.
bool CForwardEngine::MatchesMarker(const CMessageHeader& header) const {
    if (Utf8ToCp932(header.strFrom) != m_strLastFrom ||
        Utf8ToCp932(header.strSubject) != m_strLastSubject)
        return false;
    return m_strLastMessageId.empty() || Utf8ToCp932(header.strMessageId) == m_strLastMessageId;
}

// Rules in the order sender, subject, attachments, size; each setting and
// rule file is read afresh here, so a change applies from the next message.
// A skipped message leaves no trace; a failed send is logged and keeps the
// marker where it was. False only when a send failed.
bool CForwardEngine::ForwardIfPasses(const CDecodedMessage& message, const Account& account,
                                     const std::vector<std::string>& addresses) {
    const CMessageHeader& header = message.header;
    if (!PassesRules(header.strFrom, header.strSubject) || !PassesAttachmentRule(message))
        return true;
    COutgoingMail mail{account.strMailAddress, "", std::string(enginetexts::kForwardSubject),
                       ComposeForwardText(message), message.vecAttachments};
    if (!PassesSizeRule(mail.strBody))
        return true;
    CMailError error;
    if (!SendToEveryAddress(account, addresses, mail, error)) {
        LogError(enginetexts::kSendError, error);
        return false;
    }
    ++m_report.nForwarded;
    m_strLastSubject = Utf8ToCp932(header.strSubject);
    m_strLastFrom = Utf8ToCp932(header.strFrom);
    m_strLastMessageId = Utf8ToCp932(header.strMessageId);
    return true;
}

// One send per address in file order; the first failure ends the round, and
// the remaining addresses get nothing for this message.
bool CForwardEngine::SendToEveryAddress(const Account& account,
                                        const std::vector<std::string>& addresses,
                                        COutgoingMail& mail, CMailError& error) {
    for (const std::string& address : addresses) {
        mail.strTo = Cp932ToUtf8(address);
        if (!m_pLibrary->Send(account.strSmtp, mail, error))
            return false;
    }
    return true;
}

bool CForwardEngine::AnyRuleLineOccurs(const std::string& strValue, const char* pszRuleFile) const {
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

bool CForwardEngine::PassesAttachmentRule(const CDecodedMessage& message) const {
    using namespace schema;
    return message.vecAttachments.empty() ||
           m_profile.GetProfileInt(kSectionRule, kKeyRuleTemp, kDefaultRuleTemp) == 0;
}

// The limit keeps its meaning for a phone: the text's length in code page
// 932 bytes, a character outside it counted as 2. A text exactly as long as
// the limit passes. The limit compares unsigned, so a negative value
// hand-edited into the settings never holds mail back.
bool CForwardEngine::PassesSizeRule(const std::string& strText) const {
    using namespace schema;
    if (m_profile.GetProfileInt(kSectionRule, kKeyRuleSize, kDefaultRuleSize) == 0)
        return true;
    const auto limit = static_cast<unsigned int>(
        m_profile.GetProfileInt(kSectionRule, kKeyLimitByte, kDefaultLimitByte));
    return Cp932Length(strText) <= limit;
}
