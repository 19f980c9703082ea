#include "engine/maillib/CMailReceiver.h"

#include "config/CServerAddress.h"
#include "engine/maillib/CHeaderMemo.h"
#include "engine/maillib/CImapSession.h"
#include "engine/maillib/CMailboxStates.h"
#include "engine/maillib/CMessageCache.h"
#include "engine/maillib/CPop3Session.h"
#include "engine/maillib/CPrivateFolder.h"
#include "engine/maillib/ImapText.h"
#include "engine/maillib/MailAddress.h"
#include "engine/maillib/MailTexts.h"

#include <algorithm>
#include <cstdio>
#include <functional>
#include <string_view>
#include <sys/stat.h>
#include <unistd.h>
#include <unordered_map>
#include <unordered_set>

namespace {

std::string MessageFileName(size_t position) {
    char name[32];
    std::snprintf(name, sizeof name, "%03zu.eml", position + 1);
    return name;
}

bool HasLineBreak(const std::string& text) {
    return text.find_first_of("\r\n") != std::string::npos;
}

// A mailbox larger than the list holds is cut at the old end, so mail that
// arrives later is still seen.
std::vector<CPop3Entry> NewestEntries(const std::vector<CPop3Entry>& all) {
    auto byNumber = [](const CPop3Entry& a, const CPop3Entry& b) { return a.nNumber < b.nNumber; };
    const size_t keep = std::min(all.size(), kMaxListedMessages);
    if (std::is_sorted(all.begin(), all.end(), byNumber))
        return std::vector<CPop3Entry>(all.end() - static_cast<std::ptrdiff_t>(keep), all.end());
    std::vector<CPop3Entry> entries = all;
    std::sort(entries.begin(), entries.end(), byNumber);
    entries.erase(entries.begin(), entries.end() - static_cast<std::ptrdiff_t>(keep));
    return entries;
}

void RemoveFiles(const std::vector<CReceivedMessage>& received) {
    for (const CReceivedMessage& message : received)
        unlink(message.strPath.c_str());
}

// The UIDLs of the newest messages that the whole listing gives once; a UIDL
// listed twice (a broken server) names no message for sure, so neither of its
// messages is cached. Only the newest can be handed out, so only they are
// kept in the cache.
std::unordered_set<std::string> CacheableUidls(const std::vector<CPop3Entry>& all,
                                               const std::vector<CPop3Entry>& newest) {
    std::unordered_map<std::string_view, int> uses;
    uses.reserve(newest.size());
    for (const CPop3Entry& entry : newest) {
        if (!entry.strUidl.empty())
            uses.emplace(entry.strUidl, 0);
    }
    for (const CPop3Entry& entry : all) {
        auto it = uses.find(entry.strUidl);
        if (it != uses.end())
            ++it->second;
    }
    std::unordered_set<std::string> cacheable;
    for (const auto& [uidl, count] : uses) {
        if (count == 1)
            cacheable.emplace(uidl);
    }
    return cacheable;
}

long long FileSize(const std::string& path) {
    struct stat info {};
    return stat(path.c_str(), &info) == 0 ? static_cast<long long>(info.st_size) : -1;
}

enum class EReceived { Ok, Gone, Failed };
// Retrieves the listed message into a new file at the path given.
using RetrieveFn = std::function<EReceived(const std::string& path, std::string& error)>;

// One message into its file: from the cache when it holds it, else retrieved
// and, when it arrived whole, cached.
EReceived ReceiveMessage(const CMessageCache& cache, const CReceivedMessage& message,
                         bool cacheable, const RetrieveFn& retrieve, std::string& error) {
    if (cacheable && cache.Deliver(message.strUidl, message.nSize, message.strPath))
        return EReceived::Ok;
    bool caching = cacheable && cache.IsOpen();
    std::string temp = caching ? cache.TemporaryPath() : message.strPath;
    // A retrieval cut short fails there: neither the cache nor the cycle
    // gets a message of fewer bytes than the server listed.
    EReceived received = retrieve(temp, error);
    if (received != EReceived::Ok || !caching)
        return received;
    long long size = FileSize(temp);
    // A server that counts sizes its own way still delivers; only a file of
    // the announced size is trusted to be the same message next time.
    bool adopted = size == message.nSize ? cache.Adopt(temp, message.strUidl, message.strPath)
                                         : rename(temp.c_str(), message.strPath.c_str()) == 0;
    if (!adopted) {
        unlink(temp.c_str());
        error = mailtext::kSaveFailed;
        return EReceived::Failed;
    }
    return EReceived::Ok;
}

// The listed messages into the cycle's files, in order; a message the server
// no longer has is left out. On failure no file of the call is left.
bool ReceiveMessages(
    const std::vector<CReceivedMessage>& listed, const std::unordered_set<std::string>& cacheable,
    const CMessageCache& cache,
    const std::function<EReceived(size_t, const std::string&, std::string&)>& retrieve,
    std::vector<CReceivedMessage>& received, std::string& error) {
    for (size_t i = 0; i < listed.size(); ++i) {
        auto retrieveThis = [&retrieve, i](const std::string& path, std::string& text) {
            return retrieve(i, path, text);
        };
        bool isCacheable = cacheable.count(listed[i].strUidl) != 0;
        EReceived outcome = ReceiveMessage(cache, listed[i], isCacheable, retrieveThis, error);
        if (outcome == EReceived::Failed) {
            RemoveFiles(received);
            received.clear();
            return false;
        }
        if (outcome == EReceived::Ok)
            received.push_back(listed[i]);
    }
    return true;
}

// The cache and the header memo for the messages of this listing; entries
// of anything else (gone from the server, another mailbox) are dropped.
void OpenCache(CMessageCache& cache, const CPrivateFolder& folder,
               const std::unordered_set<std::string>& keys) {
    if (cache.Open(folder.CacheFolder())) {
        cache.Prune(keys);
        CHeaderMemo::Instance().Open(folder.CacheFolder(), keys);
    }
}

std::string HexDigest(std::string_view text) {
    unsigned long long hash = 14695981039346656037ull; // FNV-1a, 64 bits
    for (unsigned char c : text) {
        hash ^= c;
        hash *= 1099511628211ull;
    }
    char hex[17];
    std::snprintf(hex, sizeof hex, "%016llx", hash);
    return hex;
}

} // namespace

std::string ImapMailboxIdentity(const CServerAddress& server, const std::string& user) {
    std::string host = server.Host();
    std::transform(host.begin(), host.end(), host.begin(),
                   [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; });
    return user + "\n" + host + ":" + std::to_string(server.Port()) + "\n" +
           EncodeImapMailboxName(server.Mailbox());
}

bool CMailReceiver::ReceiveAll(const CPop3Account& account, const std::string& tempDir,
                               const CReceiveOptions& options, CReceiveResult& result,
                               std::string& error) {
    result = CReceiveResult{};
    m_bTokenRefused = false;
    CServerAddress server;
    if (account.strServer.empty()) {
        error = mailtext::kNoServer;
        return false;
    }
    if (!server.Parse(account.strServer, EMailProtocol::Pop3)) {
        error = mailtext::kBadServer;
        return false;
    }
    // USER and PASS lines: a line break would end the command early.
    bool unsafeToken =
        !account.strAccessToken.empty() &&
        (!IsSafeLoginText(account.strUser) || !IsSafeLoginText(account.strAccessToken));
    if (HasLineBreak(account.strUser) || HasLineBreak(account.strPassword) || unsafeToken) {
        error = mailtext::kUnsafeAccount;
        return false;
    }
    CPrivateFolder folder;
    if (!folder.Open(tempDir, error))
        return false;
    folder.ClearCycleFiles();
    if (server.IsImap())
        return ReceiveImap(server, account, folder, options, result, error);
    return ReceivePop3(server, account, folder, result.messages, error);
}

// One connection for the whole call: LIST, UIDL, then RETR of what the
// cache does not hold.
bool CMailReceiver::ReceivePop3(const CServerAddress& server, const CPop3Account& account,
                                const CPrivateFolder& folder,
                                std::vector<CReceivedMessage>& received, std::string& error) {
    CPop3Session session(server, account.strUser, account.strPassword, account.strAccessToken);
    std::vector<CPop3Entry> entries;
    if (!session.List(entries, error)) {
        m_bTokenRefused = session.TokenRefused();
        return false;
    }
    CMessageCache cache;
    std::unordered_set<std::string> uidls;
    std::string uidlError;
    bool haveUidls = !entries.empty() && session.AddUidls(entries, uidlError);
    std::vector<CPop3Entry> all = std::move(entries);
    entries = NewestEntries(all);
    if (haveUidls) {
        uidls = CacheableUidls(all, entries);
        OpenCache(cache, folder, uidls);
    }
    std::vector<CReceivedMessage> listed;
    for (size_t i = 0; i < entries.size(); ++i)
        listed.push_back(
            {entries[i].strUidl, folder.MailFolder() + "/" + MessageFileName(i), entries[i].nSize});
    return ReceiveMessages(
        listed, uidls, cache,
        [&](size_t i, const std::string& path, std::string& text) {
            return session.Retrieve(entries[i].nNumber, path, text, entries[i].nSize)
                       ? EReceived::Ok
                       : EReceived::Failed;
        },
        received, error);
}

// When the caller allows a skip, STATUS first: when it shows the mailbox as
// last handled, that one command is the whole call. Otherwise the mailbox is
// opened read-only and its newest messages are listed and received.
bool CMailReceiver::ReceiveImap(const CServerAddress& server, const CPop3Account& account,
                                const CPrivateFolder& folder, const CReceiveOptions& options,
                                CReceiveResult& result, std::string& error) {
    const std::string identity = ImapMailboxIdentity(server, account.strUser);
    CMailboxStates& states = CMailboxStates::Instance();
    states.NoteListed(identity, {});
    CImapSession session(server, account.strUser, account.strPassword, account.strAccessToken);
    CImapStatus status;
    if (options.bSkipWhenUnchanged) {
        if (!session.Status(status, error)) {
            m_bTokenRefused = session.TokenRefused();
            return false;
        }
        if (status.IsComplete() && states.Handled(folder.Path(), identity) == status) {
            result.bUnchanged = true;
            return true;
        }
    }
    CImapStatus examined;
    if (!session.Examine(examined, error)) {
        m_bTokenRefused = session.TokenRefused();
        return false;
    }
    if (!ListImap(session, identity, folder, result.messages, error))
        return false;
    // The status as it was before the listing: a message that arrived since
    // makes the mailbox look changed next time, so it is never missed.
    states.NoteListed(identity, examined.nUidValidity == status.nUidValidity ? status : examined);
    return true;
}

bool CMailReceiver::ListImap(CImapSession& session, const std::string& identity,
                             const CPrivateFolder& folder, std::vector<CReceivedMessage>& received,
                             std::string& error) {
    std::vector<CImapEntry> entries;
    if (!session.ListNewest(kMaxListedMessages, entries, error))
        return false;
    const std::string suffix = "@" + HexDigest(identity);
    std::vector<CReceivedMessage> listed;
    std::unordered_set<std::string> keys;
    for (size_t i = 0; i < entries.size(); ++i) {
        std::string key = "imap:" + std::to_string(session.UidValidity()) + "." +
                          std::to_string(entries[i].nUid) + suffix;
        keys.insert(key);
        listed.push_back({key, folder.MailFolder() + "/" + MessageFileName(i), entries[i].nSize});
    }
    CMessageCache cache;
    OpenCache(cache, folder, keys);
    return ReceiveMessages(
        listed, keys, cache,
        [&](size_t i, const std::string& path, std::string& text) {
            switch (session.Retrieve(entries[i].nUid, path, text, entries[i].nSize)) {
            case CImapSession::ERetrieve::Ok:
                return EReceived::Ok;
            case CImapSession::ERetrieve::Gone:
                return EReceived::Gone;
            default:
                return EReceived::Failed;
            }
        },
        received, error);
}
