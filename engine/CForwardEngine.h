#pragma once
// One forwarding cycle: receive the mailbox, skip what an earlier cycle
// already forwarded, test each newer message against the rules and send the
// passing ones to every forward-to address. The engine owns the
// last-forwarded marker; the main window owns one engine and calls
// RunForwardCycle from its timer. No window facility is used here.
//
// Mail text stays UTF-8 from the decoder to the sent mail. Code page 932 is
// the form of the files only: settings, address and rule lists, error log,
// and the marker as stored. The delivery record (CDeliveryRecord) decides
// what is forwarded; the marker is still stored for older versions of the
// program reading the same folder, and seeds the record when there is none.

#include "config/CSettingsStore.h"
#include "engine/CDeliveryRecord.h"
#include "engine/CForwardRules.h"
#include "engine/CMailLibrary.h"
#include "engine/CycleReport.h"

#include <memory>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

class CTokenKeeper;
struct COAuthError;

class CForwardEngine {
public:
    // Loads the marker from the settings store, as the main window does at
    // start-up. pLibrary == nullptr: the real mail library; otherwise the
    // given one, which must outlive the engine.
    CForwardEngine(std::string strAppDir, std::string strTempDir, CMailLibrary* pLibrary = nullptr);
    ~CForwardEngine();
    CForwardEngine(const CForwardEngine&) = delete;
    CForwardEngine& operator=(const CForwardEngine&) = delete;

    // False when the forward-to list holds no usable address (nothing is
    // received), when receiving failed (logged), when the delivery record or
    // the marker cannot be used or written (logged; nothing more is sent),
    // or when a received file could not be removed. True otherwise, also when
    // nothing was received or forwarded.
    //
    // Each message is forwarded once: the delivery record in the program
    // folder knows every message the cycle has handled, and for each address
    // whether it still waits. An address whose server asks to try later is
    // tried again at the next cycles, alone, for up to three days; one
    // refused for good is logged once and not tried again; neither holds
    // back other addresses or later mail.
    //
    // A cycle that finds the mailbox as the last finished cycle left it
    // (IMAP: the same UIDVALIDITY, UIDNEXT and message count) while no
    // address waits ends there, having listed and fetched nothing.
    bool RunForwardCycle();

    // Appends every line of the forward-to list, taken exactly as read;
    // returns how many were appended (0 when the file cannot be opened).
    // The cycle sends to the addresses these lines hold (ParseForwardAddresses).
    int ReadForwardAddresses(std::vector<std::string>& addresses) const;

    // The sender and subject rules, each when switched on: some line of its
    // rule file occurs in the value (UTF-8), ASCII letters compared without
    // case, whole characters only. A missing rule file rejects.
    bool PassesRules(const std::string& strFrom, const std::string& strSubject) const;

    // Position of the first received message that equals the marker, plus
    // one; 0 when none does. With a stored Message-ID the message must carry
    // that ID too. Decodes the header fields but leaves the files in place.
    int FindForwardedBoundary(const std::vector<CReceivedMessage>& received);

    // How long a message may wait for an address whose server asks to try
    // again later before it is given up.
    static constexpr std::time_t kGiveUpAfterSeconds = 3 * 24 * 60 * 60;

    // What the last RunForwardCycle did; tFinished is 0 before the first.
    const CycleReport& GetLastReport() const { return m_lastReport; }

    // The marker in its stored form, code page 932.
    const std::string& GetLastFrom() const { return m_strLastFrom; }
    const std::string& GetLastSubject() const { return m_strLastSubject; }
    const std::string& GetLastMessageId() const { return m_strLastMessageId; }

private:
    // The account settings in UTF-8, read once per cycle.
    struct Account {
        CPop3Account pop3;
        std::string strSmtp;
        std::string strMailAddress;
        std::string strCaFile;
        CTokenLogin smtpLogin{}; // an OAuth2 account's login; empty token: the password
    };

    struct Cycle; // one cycle's working values
    enum class ESendOutcome { Sent, TryLater, RefusedForGood, ServerFails };

    // Writes one entry to the error log, once per cycle, and keeps it for
    // the cycle's report.
    void LogError(std::string_view tag, const std::string& strText);
    void Report(const std::string& entry);
    void LogStateError(const char* pszFile, std::string_view problem, const std::string& reason);
    bool FinishCycle(bool bSucceeded);

    void LoadMarker();
    bool StoreMarker();
    Account ReadAccount() const;
    std::vector<std::string> ReadUsableAddresses();
    bool MatchesMarker(const CMessageHeader& header) const;

    bool PrepareLogin(Cycle& cycle);
    bool LoadRecord(Cycle& cycle);
    bool ReceiveMailbox(Cycle& cycle, CReceiveResult& result);
    bool RenewToken(Cycle& cycle, std::string_view tag);
    bool SignInFailed(std::string_view tag, const COAuthError& error);
    void NoteKeyringProblem();
    bool SendMail(Cycle& cycle, const COutgoingMail& mail, CMailError& error);

    bool OpenRecord(Cycle& cycle);
    std::vector<std::string> MessageKeys(const std::vector<CReceivedMessage>& received,
                                         const CDeliveryRecord& record);
    void SeedRecordFromMarker(Cycle& cycle);
    void SettleOldMailBackInView(Cycle& cycle);
    void LogGivenUp(std::string_view reason, const CDeliveryRecord::Entry& entry);
    bool SaveRecord(Cycle& cycle);

    bool HandleMessage(Cycle& cycle, std::size_t nIndex);
    bool ForwardNewMessage(Cycle& cycle, std::size_t nIndex, const CDecodedMessage& message);
    bool RetryPendingMessage(Cycle& cycle, std::size_t nIndex, const CDeliveryRecord::Entry& entry);
    bool Deliver(Cycle& cycle, std::size_t nIndex, COutgoingMail& mail,
                 const std::vector<std::string>& addresses, const CMessageHeader& header);
    void ReachedFirstAddress(Cycle& cycle, std::size_t nIndex, const CMessageHeader& header);
    ESendOutcome SendOne(Cycle& cycle, const COutgoingMail& mail);

    CSettingsStore m_settings; // of the program folder
    std::string m_strTempDir;
    CForwardRules m_rules;
    std::unique_ptr<CMailLibrary> m_pOwnedLibrary; // the real library when none was given
    CMailLibrary* m_pLibrary;
    std::unique_ptr<CTokenKeeper> m_pTokens; // the account's OAuth2 tokens and other secrets

    // The last-forwarded marker: what the next cycle's boundary search
    // compares against, in code page 932 as stored; the settings store only
    // carries it across restarts.
    std::string m_strLastFrom;
    std::string m_strLastSubject;
    std::string m_strLastMessageId;

    CycleReport m_report;     // the cycle in progress
    CycleReport m_lastReport; // the last finished cycle
    std::set<std::string> m_loggedThisCycle;
};
