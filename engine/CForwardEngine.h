#pragma once
// One forwarding cycle: receive the mailbox, skip what an earlier cycle
// already forwarded, test each newer message against the rules and send the
// passing ones to every forward-to address. The engine owns the
// last-forwarded marker; the main window owns one engine and calls
// RunForwardCycle from its timer. No window facility is used here.
//
// Mail text stays UTF-8 from the decoder to the sent mail. Code page 932 is
// the form of the files only: settings, address and rule lists, error log,
// and the marker as stored.

#include "engine/CMailLibrary.h"
#include "engine/CycleReport.h"
#include "platform/profile.h"

#include <memory>
#include <string>
#include <string_view>
#include <vector>

class CForwardEngine {
public:
    // Loads the marker from the settings store, as the main window does at
    // start-up. pLibrary == nullptr: the real mail library; otherwise the
    // given one, which must outlive the engine.
    CForwardEngine(std::string strAppDir, std::string strTempDir, CMailLibrary* pLibrary = nullptr);
    ~CForwardEngine();
    CForwardEngine(const CForwardEngine&) = delete;
    CForwardEngine& operator=(const CForwardEngine&) = delete;

    // False when the forward-to list is missing or empty (nothing received),
    // when receiving failed (logged), or when a received file could not be
    // removed (the cycle ends there and the marker is not stored). True
    // otherwise, also when nothing was received or forwarded. A message
    // whose send failed ends the forwarding of this cycle: it and every
    // later message are tried again by the next cycle, so the marker never
    // passes mail that did not reach every address.
    bool RunForwardCycle();

    // Appends every line of the forward-to list, taken exactly as read;
    // returns how many were appended (0 when the file cannot be opened).
    int ReadForwardAddresses(std::vector<std::string>& addresses) const;

    // The sender and subject rules, each when switched on: some line of its
    // rule file occurs in the value (UTF-8), ASCII letters compared without
    // case, whole characters only. A missing rule file rejects.
    bool PassesRules(const std::string& strFrom, const std::string& strSubject) const;

    // Position of the first received message that equals the marker, plus
    // one; 0 when none does. With a stored Message-ID the message must carry
    // that ID too. Decodes the header fields but leaves the files in place.
    int FindForwardedBoundary(const std::vector<CReceivedMessage>& received);

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
    };

    // Writes one entry to the error log and keeps it for the cycle's report.
    void LogError(std::string_view tag, const CMailError& error);
    bool FinishCycle(bool bSucceeded);

    void LoadMarker();
    void StoreMarker();
    Account ReadAccount() const;
    bool MatchesMarker(const CMessageHeader& header) const;
    bool ForwardIfPasses(const CDecodedMessage& message, const Account& account,
                         const std::vector<std::string>& addresses);
    bool SendToEveryAddress(const Account& account, const std::vector<std::string>& addresses,
                            COutgoingMail& mail, CMailError& error);
    bool AnyRuleLineOccurs(const std::string& strValue, const char* pszRuleFile) const;
    bool PassesAttachmentRule(const CDecodedMessage& message) const;
    bool PassesSizeRule(const std::string& strText) const;

    std::string m_strAppDir;
    std::string m_strTempDir;
    CProfile m_profile;
    std::unique_ptr<CMailLibrary> m_pOwnedLibrary; // the real library when none was given
    CMailLibrary* m_pLibrary;

    // The last-forwarded marker: what the next cycle's boundary search
    // compares against, in code page 932 as stored; the settings store only
    // carries it across restarts.
    std::string m_strLastFrom;
    std::string m_strLastSubject;
    std::string m_strLastMessageId;

    CycleReport m_report;     // the cycle in progress
    CycleReport m_lastReport; // the last finished cycle
};
