#include "engine/CForwardEngine.h"

#include "config/ForwardAddresses.h"
#include "config/listfile.h"
#include "config/schema.h"
#include "engine/CTokenKeeper.h"
#include "engine/enginetexts.h"
#include "engine/errorlog.h"
#include "platform/codepage.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <ctime>
#include <unistd.h>

namespace {

// Messages the server no longer lists (deleted, or older than the newest it
// lists) stay in the record up to this many, newest first: should they come
// back into view they are still known, and the record stays small.
constexpr std::size_t kKeptUnlistedEntries = 1000;

// A received file is removed by the cycle that received it. One that is gone
// already counts as removed; any other failure ends the cycle.
bool RemoveReceivedFile(const CReceivedMessage& message) {
    return ::unlink(message.strPath.c_str()) == 0 || errno == ENOENT;
}

} // namespace

CForwardEngine::CForwardEngine(std::string strAppDir, std::string strTempDir,
                               CMailLibrary* pLibrary)
    : m_settings(std::move(strAppDir)), m_strTempDir(std::move(strTempDir)), m_rules(m_settings),
      m_pLibrary(pLibrary) {
    if (m_pLibrary == nullptr) {
        m_pOwnedLibrary = std::make_unique<CMailLibrary>();
        m_pLibrary = m_pOwnedLibrary.get();
    }
    m_pTokens = std::make_unique<CTokenKeeper>(m_settings);
    LoadMarker();
}

CForwardEngine::~CForwardEngine() = default;

struct CForwardEngine::Cycle {
    Cycle(Account accountRead, std::vector<std::string> usableAddresses, std::string recordPath)
        : account(std::move(accountRead)), addresses(std::move(usableAddresses)),
          record(std::move(recordPath)), tNow(std::time(nullptr)) {}

    Account account;
    std::vector<std::string> addresses; // usable, as written, each once
    CDeliveryRecord record;
    CDeliveryRecord::ELoad load = CDeliveryRecord::ELoad::Missing;
    std::time_t tNow = 0;
    std::vector<CReceivedMessage> received; // the mailbox, oldest first
    std::vector<std::string> keys; // of the received messages; empty: not to be handled now
    std::optional<std::ptrdiff_t> nMarkerAt; // the marked message's position, -1: none
    bool bSmtpFails = false;                 // a send failed for every mail: none more this cycle
    bool bRecordWritten = false;             // the record could be written in this cycle
    bool bTokenRenewed = false; // a server refused the access token and a new one was asked for
    bool bSignInFailed = false; // no access token to be had: nothing more is tried
};

bool CForwardEngine::RunForwardCycle() {
    m_report = CycleReport{};
    m_loggedThisCycle.clear();
    std::vector<std::string> addresses = ReadUsableAddresses();
    if (addresses.empty())
        return FinishCycle(false);

    Cycle cycle(ReadAccount(), std::move(addresses),
                m_settings.FilePath(schema::kDeliveryRecordFile));
    m_pLibrary->SetCaFile(cycle.account.strCaFile);
    if (!PrepareLogin(cycle) || !LoadRecord(cycle))
        return FinishCycle(false);
    CReceiveResult result;
    if (!ReceiveMailbox(cycle, result))
        return FinishCycle(false);
    if (result.bUnchanged)
        return FinishCycle(true);
    cycle.received = std::move(result.messages);
    if (!OpenRecord(cycle))
        return FinishCycle(false);
    for (std::size_t i = 0; i < cycle.received.size(); ++i)
        if (!HandleMessage(cycle, i))
            return FinishCycle(false);
    if (cycle.record.IsChanged() && !SaveRecord(cycle))
        return FinishCycle(false);
    // An empty mailbox leaves the stored marker as it is.
    if (!cycle.received.empty() && !StoreMarker())
        return FinishCycle(false);
    m_pLibrary->MarkHandled(cycle.account.pop3, m_strTempDir);
    return FinishCycle(true);
}

void CForwardEngine::LogError(std::string_view tag, const std::string& strText) {
    std::string entry = std::string(tag) + strText;
    // The same failure for many messages (a busy mailbox, a server that is
    // down) is one entry per cycle.
    if (!m_loggedThisCycle.insert(entry).second)
        return;
    WriteErrorLog(m_settings.AppDir(), Utf8ToCp932(entry));
    Report(entry);
}

// The cycle's report shows the entry (badge, tooltip, notification) also
// when the log already holds it.
void CForwardEngine::Report(const std::string& entry) {
    if (!m_report.strErrors.empty())
        m_report.strErrors += '\n';
    m_report.strErrors += entry;
}

// The account's secrets: a password from the keyring, or an OAuth2 access
// token, refreshed when due. False (reported) when there is no token to be
// had: nothing is received or sent then.
bool CForwardEngine::PrepareLogin(Cycle& cycle) {
    m_pTokens->Reload();
    const CSignInSettings& signIn = m_pTokens->SignIn();
    const CAccountSettings& account = m_pTokens->Account();
    CAccountSecrets& secrets = m_pTokens->Secrets();
    if (!signIn.IsOAuth2()) {
        if (!signIn.bPasswordInKeyring)
            return true;
        // A password left in the INI while no keyring could take it moves
        // there as soon as one can.
        const std::string password = secrets.Password(account, signIn);
        if (!account.strPassword.empty())
            secrets.StorePassword(account, password, true);
        cycle.account.pop3.strPassword = password;
        NoteKeyringProblem();
        return true;
    }
    std::string token;
    COAuthError error;
    if (!m_pTokens->AccessToken(token, error))
        return SignInFailed(enginetexts::kReceiveError, error);
    NoteKeyringProblem();
    cycle.account.pop3.strAccessToken = token;
    cycle.account.smtpLogin = {cycle.account.pop3.strUser, token};
    return true;
}

// A mailbox that is as the last finished cycle left it (the library can
// tell for IMAP at the cost of one question) has nothing new, and ends the
// cycle, unless an address waits for a retry. A server that refuses the
// access token gets one fresh token per cycle.
bool CForwardEngine::ReceiveMailbox(Cycle& cycle, CReceiveResult& result) {
    const CReceiveOptions options{.bSkipWhenUnchanged = !cycle.record.HasPending()};
    CMailError error;
    if (m_pLibrary->Receive(cycle.account.pop3, m_strTempDir, options, result, error))
        return true;
    if (error.bTokenRefused && !cycle.bTokenRenewed) {
        if (!RenewToken(cycle, enginetexts::kReceiveError))
            return false;
        result = CReceiveResult{};
        error = CMailError{};
        if (m_pLibrary->Receive(cycle.account.pop3, m_strTempDir, options, result, error))
            return true;
    }
    LogError(enginetexts::kReceiveError, error.strText);
    return false;
}

bool CForwardEngine::RenewToken(Cycle& cycle, std::string_view tag) {
    cycle.bTokenRenewed = true;
    std::string token;
    COAuthError error;
    if (!m_pTokens->Renew(token, error)) {
        cycle.bSignInFailed = true;
        return SignInFailed(tag, error);
    }
    NoteKeyringProblem();
    cycle.account.pop3.strAccessToken = token;
    cycle.account.smtpLogin.strAccessToken = token;
    return true;
}

// A provider that is down is an ordinary error of this cycle. A sign-in
// that is gone is logged once, then only reported, until a new sign-in
// clears the memory of it: the log does not fill with one entry per cycle.
bool CForwardEngine::SignInFailed(std::string_view tag, const COAuthError& error) {
    if (error.eFailure != EOAuthFailure::SignInAgain) {
        LogError(tag, error.strText);
        return false;
    }
    m_report.bSignInNeeded = true;
    CStoredSecrets stored = m_settings.Load<CStoredSecrets>();
    if (stored.bSignInNeededLogged) {
        Report(std::string(tag) + error.strText);
        return false;
    }
    LogError(tag, error.strText);
    stored.bSignInNeededLogged = 1;
    m_settings.Save(stored);
    return false;
}

// Secrets kept in the INI for want of a keyring are logged once (not in the
// cycle's report: forwarding works); a keyring that works again is noted
// too, so losing it later is logged again.
void CForwardEngine::NoteKeyringProblem() {
    const std::string& problem = m_pTokens->KeyringProblem();
    CStoredSecrets stored = m_settings.Load<CStoredSecrets>();
    if (problem.empty() == !stored.bKeyringMissingLogged)
        return;
    if (!problem.empty())
        WriteErrorLog(m_settings.AppDir(),
                      Utf8ToCp932(std::string(enginetexts::kKeyringMissing) + problem));
    stored.bKeyringMissingLogged = problem.empty() ? 0 : 1;
    m_settings.Save(stored);
}

void CForwardEngine::LogStateError(const char* pszFile, std::string_view problem,
                                   const std::string& reason) {
    std::string text = std::string(pszFile) + std::string(problem);
    if (!reason.empty())
        text += " (" + reason + ")";
    LogError(enginetexts::kStateError, text + std::string(enginetexts::kForwardingStopped));
}

bool CForwardEngine::FinishCycle(bool bSucceeded) {
    m_report.bSucceeded = bSucceeded;
    m_report.tFinished = std::time(nullptr);
    m_lastReport = m_report;
    return bSucceeded;
}

int CForwardEngine::ReadForwardAddresses(std::vector<std::string>& addresses) const {
    const std::size_t before = addresses.size();
    ReadListFile(m_settings.FilePath(schema::kAddressFile), addresses);
    return static_cast<int>(addresses.size() - before);
}

// The addresses the list's lines hold; an entry that is none is logged with
// its line number, and the others still get the mail.
std::vector<std::string> CForwardEngine::ReadUsableAddresses() {
    using namespace enginetexts;
    std::vector<std::string> lines;
    ReadForwardAddresses(lines);
    ForwardAddressList list = ParseForwardAddresses(lines);
    for (const UnusableAddressLine& line : list.unusable) {
        std::string_view why = line.problem == AddressLineProblem::ControlCharacter
                                   ? kControlCharacter
                               : line.problem == AddressLineProblem::Unclosed ? kUnclosed
                                                                              : kNotAnAddress;
        LogError(kSendError, std::string(schema::kAddressFile) + " " + std::to_string(line.nLine) +
                                 std::string(kLineNumber) + " \"" + line.strEntryUtf8 +
                                 "\": " + std::string(why));
    }
    return list.addresses;
}

bool CForwardEngine::PassesRules(const std::string& strFrom, const std::string& strSubject) const {
    return m_rules.PassesSenderAndSubject(strFrom, strSubject);
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

// The marker is compared with the blanks the decoder puts for control
// characters: a subject folded with a TAB was stored with it.
void CForwardEngine::LoadMarker() {
    const CForwardMarker marker = m_settings.Load<CForwardMarker>();
    m_strLastFrom = BlankControls(marker.strFrom);
    m_strLastSubject = BlankControls(marker.strSubject);
    m_strLastMessageId = BlankControls(marker.strMessageId);
}

// Each replacement of the INI file is flushed to disk, which costs more than
// the rest of a cycle without new mail; the store leaves the file alone when
// it already holds the marker.
bool CForwardEngine::StoreMarker() {
    errno = 0;
    if (m_settings.Save(CForwardMarker{m_strLastFrom, m_strLastSubject, m_strLastMessageId}))
        return true;
    LogStateError(schema::kIniFile, enginetexts::kCannotWrite,
                  errno != 0 ? std::strerror(errno) : "");
    return false;
}

CForwardEngine::Account CForwardEngine::ReadAccount() const {
    const CAccountSettings settings = m_settings.Load<CAccountSettings>();
    // Blanks around the sender address would make every send fail.
    return Account{{Cp932ToUtf8(settings.strPop3Server), Cp932ToUtf8(settings.strAccount),
                    Cp932ToUtf8(settings.strPassword)},
                   Cp932ToUtf8(settings.strSmtpServer),
                   Cp932ToUtf8(TrimMailAddress(settings.strMailAddress)),
                   Cp932ToUtf8(settings.strCaFile)};
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

// Reads the record of this mailbox. A record that cannot be trusted (a
// link, a FIFO, someone else's file, damaged) stops the cycle before
// anything is received or sent: guessing what was forwarded could send the
// whole mailbox again.
bool CForwardEngine::LoadRecord(Cycle& cycle) {
    std::string problem;
    const CPop3Account& pop3 = cycle.account.pop3;
    cycle.load = cycle.record.Load(LowerAscii(pop3.strServer) + " " + pop3.strUser, problem);
    if (cycle.load != CDeliveryRecord::ELoad::Unusable)
        return true;
    LogStateError(schema::kDeliveryRecordFile, enginetexts::kCannotUse, problem);
    return false;
}

// Brings the record up to date with what the server lists.
bool CForwardEngine::OpenRecord(Cycle& cycle) {
    cycle.keys = MessageKeys(cycle.received, cycle.record);
    if (cycle.load == CDeliveryRecord::ELoad::Missing) {
        SeedRecordFromMarker(cycle);
        return true;
    }
    // A listing that names some message by nothing says too little about
    // which messages are gone.
    if (std::find(cycle.keys.begin(), cycle.keys.end(), "") != cycle.keys.end())
        return true;
    // Not one listed message known, though the record knows this mailbox:
    // the server has given its messages new ids (an IMAP mailbox made anew,
    // a POP3 server moved). Mail up to the marker is old mail, as without a
    // record; the rest is new.
    const bool bNoneKnown =
        std::none_of(cycle.keys.begin(), cycle.keys.end(),
                     [&](const std::string& key) { return cycle.record.Find(key) != nullptr; });
    if (bNoneKnown && !cycle.record.IsEmpty())
        SeedRecordFromMarker(cycle);
    for (const CDeliveryRecord::Entry& entry :
         cycle.record.Prune({cycle.keys.begin(), cycle.keys.end()}, kKeptUnlistedEntries))
        LogGivenUp(enginetexts::kGivenUpGone, entry);
    SettleOldMailBackInView(cycle);
    return true;
}

// A server that gave UIDLs before and names a message by nothing now has a
// passing fault: the message waits for a cycle that lists its UIDL rather
// than being taken for new mail under another key.
std::vector<std::string> CForwardEngine::MessageKeys(const std::vector<CReceivedMessage>& received,
                                                     const CDeliveryRecord& record) {
    const bool bUidlsBefore = record.HasKeyOfSource(CDeliveryRecord::kUidlSource);
    std::vector<std::string> keys;
    for (const CReceivedMessage& message : received) {
        if (!message.strUidl.empty()) {
            keys.push_back(CDeliveryRecord::KeyOfUidl(message.strUidl));
            continue;
        }
        CMessageHeader header;
        CMailError error;
        if (!bUidlsBefore)
            m_pLibrary->DecodeHeader(message, header, error);
        keys.push_back(bUidlsBefore ? "" : CDeliveryRecord::KeyOfHeader(message.nSize, header));
    }
    return keys;
}

// Without a record (the first cycle, or one after an upgrade), the marker
// tells where forwarded mail ends: everything up to it counts as handled.
void CForwardEngine::SeedRecordFromMarker(Cycle& cycle) {
    const int boundary = FindForwardedBoundary(cycle.received);
    cycle.nMarkerAt = boundary - 1;
    for (std::size_t i = 0; i < static_cast<std::size_t>(boundary); ++i)
        if (!cycle.keys[i].empty())
            cycle.record.MarkDone(cycle.keys[i], cycle.tNow);
}

// A full listing shows the newest messages only. When newer mail is deleted,
// older messages come back into view at its old end, before every message
// the record knows; they are old mail, not new, and are not forwarded. New
// mail is listed after the messages already known.
void CForwardEngine::SettleOldMailBackInView(Cycle& cycle) {
    if (cycle.keys.size() < kMaxListedMessages)
        return;
    auto firstKnown = std::find_if(cycle.keys.begin(), cycle.keys.end(), [&](const auto& key) {
        return cycle.record.Find(key) != nullptr;
    });
    if (firstKnown == cycle.keys.end())
        return;
    for (auto it = cycle.keys.begin(); it != firstKnown; ++it)
        cycle.record.MarkDone(*it, cycle.tNow);
}

void CForwardEngine::LogGivenUp(std::string_view reason, const CDeliveryRecord::Entry& entry) {
    std::string addresses;
    for (const std::string& address : entry.pending)
        addresses += (addresses.empty() ? "" : ", ") + address;
    LogError(enginetexts::kSendError,
             std::string(reason) + entry.strSubject + " (" + addresses + ")");
}

bool CForwardEngine::SaveRecord(Cycle& cycle) {
    std::string problem;
    if (cycle.record.Save(problem)) {
        cycle.bRecordWritten = true;
        return true;
    }
    LogStateError(schema::kDeliveryRecordFile, enginetexts::kCannotWrite, problem);
    return false;
}

// The message's file is removed in every case, before any test, so a
// skipped message leaves nothing behind. False ends the cycle.
bool CForwardEngine::HandleMessage(Cycle& cycle, std::size_t nIndex) {
    const CReceivedMessage& message = cycle.received[nIndex];
    const std::string& key = cycle.keys[nIndex];
    const CDeliveryRecord::Entry* pEntry = key.empty() ? nullptr : cycle.record.Find(key);
    if (key.empty() || (pEntry != nullptr && pEntry->IsDone()))
        return RemoveReceivedFile(message);
    if (pEntry != nullptr)
        return RetryPendingMessage(cycle, nIndex, CDeliveryRecord::Entry(*pEntry));
    // A message that cannot be decoded is tested with empty values.
    CDecodedMessage decoded;
    CMailError error;
    m_pLibrary->Decode(message, m_strTempDir, decoded, error);
    return RemoveReceivedFile(message) && ForwardNewMessage(cycle, nIndex, decoded);
}

// Rules first: a message they hold back is done. One that passes waits for
// every address until it is served.
bool CForwardEngine::ForwardNewMessage(Cycle& cycle, std::size_t nIndex,
                                       const CDecodedMessage& message) {
    const std::string& key = cycle.keys[nIndex];
    std::optional<COutgoingMail> mail = m_rules.ForwardOf(message, cycle.account.strMailAddress);
    if (!mail) {
        cycle.record.MarkDone(key, cycle.tNow);
        return true;
    }
    // Addresses are recorded in lower case: Phone@X and phone@x reach one
    // mailbox.
    std::vector<std::string> pending;
    for (const std::string& address : cycle.addresses)
        pending.push_back(LowerAscii(address));
    cycle.record.SetPending(key, {cycle.tNow, std::move(pending), message.header.strSubject});
    return Deliver(cycle, nIndex, *mail, cycle.addresses, message.header);
}

// Only the addresses still waiting are tried, as the list writes them now;
// one taken off the list no longer waits. The rules decided when the message
// was new and are not asked again.
bool CForwardEngine::RetryPendingMessage(Cycle& cycle, std::size_t nIndex,
                                         const CDeliveryRecord::Entry& entry) {
    const CReceivedMessage& message = cycle.received[nIndex];
    const std::string& key = cycle.keys[nIndex];
    std::vector<std::string> addresses;
    for (const std::string& address : cycle.addresses)
        if (std::find(entry.pending.begin(), entry.pending.end(), LowerAscii(address)) !=
            entry.pending.end())
            addresses.push_back(address);
    const bool bExpired = cycle.tNow - entry.tFirstSeen >= kGiveUpAfterSeconds;
    if (bExpired)
        LogGivenUp(enginetexts::kGivenUpAfterDays, entry);
    if (bExpired || addresses.empty()) {
        cycle.record.MarkDone(key, entry.tFirstSeen);
        return RemoveReceivedFile(message);
    }
    if (cycle.bSmtpFails)
        return RemoveReceivedFile(message);
    CDecodedMessage decoded;
    CMailError error;
    m_pLibrary->Decode(message, m_strTempDir, decoded, error);
    if (!RemoveReceivedFile(message))
        return false;
    COutgoingMail mail = CForwardRules::Compose(decoded, cycle.account.strMailAddress);
    return Deliver(cycle, nIndex, mail, addresses, decoded.header);
}

// Sends the mail to each address in turn. The record is written before the
// first send of a cycle, so a folder that cannot take it stops the cycle
// before anything goes out, and again after every accepted DATA, so a
// crash repeats at most the one send whose acceptance was not yet written.
bool CForwardEngine::Deliver(Cycle& cycle, std::size_t nIndex, COutgoingMail& mail,
                             const std::vector<std::string>& addresses,
                             const CMessageHeader& header) {
    const std::string& key = cycle.keys[nIndex];
    bool bReached = false;
    if (cycle.bSmtpFails)
        return true; // the addresses wait for a later cycle
    if (!cycle.bRecordWritten && !SaveRecord(cycle))
        return false;
    for (const std::string& address : addresses) {
        mail.strTo = address;
        switch (SendOne(cycle, mail)) {
        case ESendOutcome::Sent:
            if (!bReached)
                ReachedFirstAddress(cycle, nIndex, header);
            bReached = true;
            cycle.record.Serve(key, LowerAscii(address));
            if (!SaveRecord(cycle))
                return false;
            break;
        case ESendOutcome::RefusedForGood:
            cycle.record.Serve(key, LowerAscii(address));
            break;
        case ESendOutcome::TryLater:
            break;
        case ESendOutcome::ServerFails:
            return true; // this and the remaining addresses wait
        }
    }
    return true;
}

// The marker names the message forwarded last in mailbox order, as older
// versions of the program expect: a message sent again after a later one
// was forwarded leaves it where it is.
void CForwardEngine::ReachedFirstAddress(Cycle& cycle, std::size_t nIndex,
                                         const CMessageHeader& header) {
    ++m_report.nForwarded;
    if (!cycle.nMarkerAt)
        cycle.nMarkerAt = static_cast<std::ptrdiff_t>(FindForwardedBoundary(cycle.received)) - 1;
    if (static_cast<std::ptrdiff_t>(nIndex) < *cycle.nMarkerAt)
        return;
    cycle.nMarkerAt = static_cast<std::ptrdiff_t>(nIndex);
    m_strLastSubject = Utf8ToCp932(header.strSubject);
    m_strLastFrom = Utf8ToCp932(header.strFrom);
    m_strLastMessageId = Utf8ToCp932(header.strMessageId);
}

// A refusal of this recipient or this message counts for this mail alone:
// 5xx for good, 4xx until a later cycle. Any other failure (no connection,
// TLS, login, the sender refused, a time-out) would fail every send alike,
// so none more is tried in this cycle.
CForwardEngine::ESendOutcome CForwardEngine::SendOne(Cycle& cycle, const COutgoingMail& mail) {
    using namespace enginetexts;
    CMailError error;
    if (SendMail(cycle, mail, error))
        return ESendOutcome::Sent;
    if (cycle.bSignInFailed) {
        cycle.bSmtpFails = true;
        return ESendOutcome::ServerFails;
    }
    const bool bForGood = error.refusal != EMailRefusal::None && error.nReplyCode >= 500;
    LogError(kSendError, error.strText + " (" + mail.strTo +
                             std::string(bForGood ? kNotRetried : kRetriedLater) + ")");
    if (bForGood)
        return ESendOutcome::RefusedForGood;
    if (error.refusal != EMailRefusal::None)
        return ESendOutcome::TryLater;
    cycle.bSmtpFails = true;
    return ESendOutcome::ServerFails;
}

bool CForwardEngine::SendMail(Cycle& cycle, const COutgoingMail& mail, CMailError& error) {
    const CTokenLogin& login = cycle.account.smtpLogin;
    if (login.strAccessToken.empty())
        return m_pLibrary->Send(cycle.account.strSmtp, mail, error);
    if (m_pLibrary->SendByToken(cycle.account.strSmtp, login, mail, error))
        return true;
    if (!error.bTokenRefused || cycle.bTokenRenewed || !RenewToken(cycle, enginetexts::kSendError))
        return false;
    error = CMailError{};
    return m_pLibrary->SendByToken(cycle.account.strSmtp, login, mail, error);
}
