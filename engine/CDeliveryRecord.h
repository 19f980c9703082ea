#pragma once
// What the forwarding cycle has done with each message of the mailbox, kept
// in the program folder so that it survives a restart, a wiped temporary
// folder and a crash. A message is known by a key that names its source
// ("pop3:" + the server's UIDL; later sources bring prefixes of their own).
// A known message is either done (forwarded to every address it could
// reach, refused for good, held back by the rules, given up) or pending for
// the addresses whose server asked to try again later.
//
// The file is plain text, UTF-8, CR LF line ends, replaced whole and
// atomically, readable by its owner only:
//
//   QUIBEN-DELIVERY 1
//   mailbox <server> <account>
//   done <time> <key>
//   pending <time> <key> <address>,<address> <subject>
//
// <time> is when a cycle first saw the message, in seconds since 1970 (UTC);
// addresses are lower-case; the subject (control characters as blanks) only
// names the message in the log should it be given up.

#include <ctime>
#include <map>
#include <string>
#include <unordered_set>
#include <vector>

struct CMessageHeader;

class CDeliveryRecord {
public:
    struct Entry {
        std::time_t tFirstSeen = 0;
        std::vector<std::string> pending; // addresses still to serve; empty: done
        std::string strSubject;
        bool IsDone() const { return pending.empty(); }
    };

    enum class ELoad {
        Loaded,   // the record of this mailbox
        Missing,  // none yet, or the record of another mailbox: starts empty
        Unusable, // not a plain file of the user with one link, or damaged
    };

    explicit CDeliveryRecord(std::string strPath);

    // Reads the record of strMailbox (the text of its "mailbox" line). On
    // Unusable, strProblem says why in UTF-8 and the record stays empty.
    ELoad Load(const std::string& strMailbox, std::string& strProblem);
    // Replaces the file with the record; false with the reason in strProblem
    // (read-only folder, full disk, something else in the file's place).
    bool Save(std::string& strProblem);
    bool IsChanged() const { return m_bChanged; }

    const Entry* Find(const std::string& key) const;
    bool HasKeyOfSource(const std::string& prefix) const;
    bool IsEmpty() const { return m_entries.empty(); }
    // Some message still waits for an address.
    bool HasPending() const;
    void MarkDone(const std::string& key, std::time_t tFirstSeen);
    void SetPending(const std::string& key, Entry entry);
    // The address is served (sent, or refused for good); a message with no
    // address left is done.
    void Serve(const std::string& key, const std::string& address);

    // Entries whose key is not listed: those still pending are given up
    // (done, and returned so the cycle can say so); of the others the
    // nKeepUnlisted first seen most recently are kept, the rest dropped.
    std::vector<Entry> Prune(const std::unordered_set<std::string>& listedKeys,
                             std::size_t nKeepUnlisted);

    // The key of a message the server names by UIDL (an IMAP message's id
    // names its source already: "imap:..."); of one it names by nothing, a
    // digest of its size and header fields.
    static std::string KeyOfUidl(const std::string& uidl);
    static std::string KeyOfHeader(long long nSize, const CMessageHeader& header);
    static constexpr const char* kUidlSource = "pop3:";
    static constexpr const char* kImapSource = "imap:";

private:
    bool Parse(const std::string& content, const std::string& strMailbox, std::string& strProblem);
    std::string Serialize() const;

    std::string m_strPath;
    std::string m_strMailbox;
    std::map<std::string, Entry> m_entries;
    bool m_bChanged = false;
};
