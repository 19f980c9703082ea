#include "engine/CForwardEngine.h"

#include "engine/enginetexts.h"
#include "engine/errorlog.h"
#include "platform/codepage.h"
#include "platform/paths.h"
#include "settings/listfile.h"
#include "settings/schema.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <ctime>
#include <unistd.h>

namespace {

std::string TextOf(const std::array<char, kMailErrorTextSize>& errorText) {
    return std::string(errorText.data(), ::strnlen(errorText.data(), errorText.size()));
}

// The library never lists more than 256 messages; a wrong count is not
// allowed to take us past the list.
int ReceivedCount(const MailList& received) {
    return std::clamp(static_cast<int>(received.nCount), 0, kMailListMax);
}

const char* ReceivedPath(const MailList& received, int i) {
    return received.pszItem[i] != nullptr ? received.pszItem[i] : "";
}

// A received file is removed by the cycle that received it. One that is gone
// already counts as removed; any other failure ends the cycle.
bool RemoveReceivedFile(const char* path) {
    return ::unlink(path) == 0 || errno == ENOENT;
}

// "Title:" subject, "From:" from, "Date:" date, "Body:" body, each line
// ending in CR LF, the last one included.
std::string ComposeForwardText(const MessageSummary& summary) {
    using namespace enginetexts;
    std::string text;
    auto addLine = [&text](std::string_view label, const std::string& value) {
        text.append(label).append(value).append(kLineEnd);
    };
    addLine(kLabelTitle, summary.strSubject);
    addLine(kLabelFrom, summary.strFrom);
    addLine(kLabelDate, summary.strDate);
    addLine(kLabelBody, summary.strBody);
    return text;
}

std::string JoinAttachments(const std::vector<std::string>& paths) {
    std::string joined;
    for (std::size_t k = 0; k < paths.size(); ++k) {
        if (k > 0)
            joined += enginetexts::kAttachmentSeparator;
        joined += paths[k];
    }
    return joined;
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

    // One error text for the whole cycle, cleared only here: each call may
    // leave its message in it.
    ErrorText errorText{};
    const Account account = ReadAccount();
    m_pLibrary->SetCAFile(account.strCaFile.c_str());

    MailList received{};
    int result = m_pLibrary->Receive(account.strPop3.c_str(), account.strAccount.c_str(),
                                     account.strPassword.c_str(), enginetexts::kModeSaveAll,
                                     m_strTempDir.c_str(), &received, errorText.data());
    if (result <= 0 && errorText[0] != '\0') {
        LogError(FormatReceiveError(TextOf(errorText)));
        return FinishCycle(false);
    }

    const int count = ReceivedCount(received);
    if (count == 0)
        return FinishCycle(true);

    const int boundary = FindForwardedBoundary(received, m_strTempDir);
    bool bSendFailed = false;
    for (int i = 0; i < count; ++i) {
        const char* path = ReceivedPath(received, i);
        // Before the boundary: forwarded by an earlier cycle (or passed over
        // then). After a failed send: held back for the next cycle, so the
        // marker can never pass the message that failed.
        if (i < boundary || bSendFailed) {
            if (!RemoveReceivedFile(path))
                return FinishCycle(false);
            continue;
        }
        MailList fields{};
        int n = m_pLibrary->Decode(enginetexts::kModeGet, path, m_strTempDir.c_str(), &fields,
                                   errorText.data());
        // The file goes before any test, so a skipped message leaves nothing behind.
        if (!RemoveReceivedFile(path))
            return FinishCycle(false);
        bSendFailed = !ForwardIfPasses(ExtractSummary(fields, n), account, addresses, errorText);
    }

    StoreMarker();
    return FinishCycle(true);
}

void CForwardEngine::LogError(const std::string& strEntryCp932) {
    WriteErrorLog(m_strAppDir, strEntryCp932);
    if (!m_report.strErrors.empty())
        m_report.strErrors += '\n';
    m_report.strErrors += Cp932ToUtf8(strEntryCp932);
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

int CForwardEngine::FindForwardedBoundary(const MailList& received, const std::string& strTempDir) {
    // The first match from the start decides: a later copy of the marked
    // message is tested again, which the stored Message-ID prevents. Only
    // the header fields are decoded: messages before the boundary never get
    // their bodies decoded or their attachments written.
    const int count = ReceivedCount(received);
    for (int i = 0; i < count; ++i) {
        MailList fields{};
        ErrorText errorText{};
        int n = m_pLibrary->Decode(enginetexts::kModeHead, ReceivedPath(received, i),
                                   strTempDir.c_str(), &fields, errorText.data());
        if (MatchesMarker(ExtractIdentity(fields, n)))
            return i + 1;
    }
    return 0;
}

void CForwardEngine::LoadMarker() {
    using namespace schema;
    m_strLastFrom = m_profile.GetProfileString(kSectionLastSend, kKeyLastFrom, "");
    m_strLastSubject = m_profile.GetProfileString(kSectionLastSend, kKeyLastSubject, "");
    m_strLastMessageId = m_profile.GetProfileString(kSectionLastSend, kKeyLastMessageId, "");
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
    Account account;
    account.strPop3 = m_profile.GetProfileString(kSectionRecv, kKeyPop3, "");
    account.strSmtp = m_profile.GetProfileString(kSectionRecv, kKeySmtp, "");
    account.strAccount = m_profile.GetProfileString(kSectionRecv, kKeyAccount, "");
    account.strPassword = m_profile.GetProfileString(kSectionRecv, kKeyPassword, "");
    account.strMailAddress = m_profile.GetProfileString(kSectionRecv, kKeyMailAddress, "");
    account.strCaFile = m_profile.GetProfileString(kSectionRecv, kKeyCaFile, "");
    return account;
}

// From and Subject compare whole and byte for byte. A stored Message-ID must
// match as well, so a second message with the same From and Subject (a daily
// report) is not mistaken for the marked one; markers stored without an ID
// keep matching on From and Subject alone.
bool CForwardEngine::MatchesMarker(const MessageIdentity& identity) const {
    if (identity.strFrom != m_strLastFrom || identity.strSubject != m_strLastSubject)
        return false;
    return m_strLastMessageId.empty() || identity.strMessageId == m_strLastMessageId;
}

// Rules in the order sender, subject, attachments, size; each setting and
// rule file is read afresh here, so a change applies from the next message.
// A skipped message leaves no trace; a failed send is logged and keeps the
// marker where it was. False only when a send failed.
bool CForwardEngine::ForwardIfPasses(const MessageSummary& summary, const Account& account,
                                     const std::vector<std::string>& addresses,
                                     ErrorText& errorText) {
    if (!PassesRules(summary.strFrom, summary.strSubject) || !PassesAttachmentRule(summary))
        return true;
    const std::string text = ComposeForwardText(summary);
    if (!PassesSizeRule(text))
        return true;
    const std::string attachments = JoinAttachments(summary.vecAttachments);
    if (!SendToEveryAddress(account, addresses, text, attachments, errorText)) {
        LogError(FormatSendError(TextOf(errorText)));
        return false;
    }
    ++m_report.nForwarded;
    m_strLastSubject = summary.strSubject;
    m_strLastFrom = summary.strFrom;
    m_strLastMessageId = summary.strMessageId;
    return true;
}

// One send per address in file order; the first failure ends the round, and
// the remaining addresses get nothing for this message.
bool CForwardEngine::SendToEveryAddress(const Account& account,
                                        const std::vector<std::string>& addresses,
                                        const std::string& strText,
                                        const std::string& strAttachments, ErrorText& errorText) {
    for (const std::string& address : addresses) {
        if (m_pLibrary->Send(account.strSmtp.c_str(), address.c_str(),
                             account.strMailAddress.c_str(), ForwardSubjectCp932().c_str(),
                             strText.c_str(), strAttachments.c_str(), errorText.data()) == 0)
            return false;
    }
    return true;
}

bool CForwardEngine::AnyRuleLineOccurs(const std::string& strValue, const char* pszRuleFile) const {
    std::vector<std::string> lines;
    if (!ReadListFile(JoinPath(m_strAppDir, pszRuleFile), lines))
        return false;
    const std::string upperValue = MbsUpper(strValue);
    // An empty line occurs in every value and so lets every message pass.
    return std::any_of(lines.begin(), lines.end(), [&upperValue](const std::string& line) {
        return MbsFind(upperValue, MbsUpper(line)) != std::string::npos;
    });
}

bool CForwardEngine::PassesAttachmentRule(const MessageSummary& summary) const {
    using namespace schema;
    return summary.vecAttachments.empty() ||
           m_profile.GetProfileInt(kSectionRule, kKeyRuleTemp, kDefaultRuleTemp) == 0;
}

// A text exactly as long as the limit passes. The limit compares unsigned,
// so a negative value hand-edited into the settings never holds mail back.
bool CForwardEngine::PassesSizeRule(const std::string& strText) const {
    using namespace schema;
    if (m_profile.GetProfileInt(kSectionRule, kKeyRuleSize, kDefaultRuleSize) == 0)
        return true;
    const auto limit = static_cast<unsigned int>(
        m_profile.GetProfileInt(kSectionRule, kKeyLimitByte, kDefaultLimitByte));
    return strText.size() <= limit;
}
