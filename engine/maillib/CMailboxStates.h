#pragma once
// What the forwarding cycle last handled of each IMAP mailbox: its
// UIDVALIDITY, UIDNEXT and message count. While a mailbox's STATUS shows the
// same three values, no message arrived (UIDNEXT would have grown) and none
// left (the count would differ), so a cycle may skip listing it. A receive
// call notes what its listing saw, in memory; only when the caller says the
// cycle handled it is that written, so a cycle that fails or ends half-way
// lists the mailbox again next time.
//
// One file in the library's private folder, owner-only, replaced whole; a
// file that is no plain file of the user, or damaged, counts as empty (the
// cost is one listing):
//
//   QUIBEN-MAILBOXES 1
//   <uidvalidity> <uidnext> <messages> <mailbox>
//
// <mailbox> names account, server and folder, percent-encoded so it holds
// no blank; most recently handled first, at most kMaxMailboxes lines.

#include "engine/maillib/CImapSession.h"

#include <map>
#include <mutex>
#include <optional>
#include <string>

class CMailboxStates {
public:
    static constexpr std::size_t kMaxMailboxes = 32;
    static constexpr const char* kFileName = "mailboxes.state";

    static CMailboxStates& Instance();

    // The status recorded as handled for mailbox in the private folder.
    std::optional<CImapStatus> Handled(const std::string& privateFolder,
                                       const std::string& mailbox) const;

    // What the listing of mailbox just saw; empty status: nothing usable.
    void NoteListed(const std::string& mailbox, const CImapStatus& status);

    // Writes what the last listing of mailbox saw as handled; false when the
    // file could not be written.
    bool MarkHandled(const std::string& privateFolder, const std::string& mailbox);

private:
    mutable std::mutex m_mutex;
    std::map<std::string, CImapStatus> m_listed; // by mailbox, not yet handled
};
