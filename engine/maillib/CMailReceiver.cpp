#include "engine/maillib/CMailReceiver.h"

#include "config/CServerAddress.h"
#include "engine/maillib/CHeaderMemo.h"
#include "engine/maillib/CMessageCache.h"
#include "engine/maillib/CPop3Session.h"
#include "engine/maillib/CPrivateFolder.h"
#include "engine/maillib/MailAddress.h"
#include "engine/maillib/MailTexts.h"

#include <algorithm>
#include <cstdio>
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

// One message into target: from the cache when it holds it, else retrieved
// and, when it arrived whole, cached.
bool ReceiveMessage(CPop3Session& session, const CMessageCache& cache, const CPop3Entry& entry,
                    bool cacheable, const std::string& target, std::string& error) {
    if (cacheable && cache.Deliver(entry.strUidl, entry.nSize, target))
        return true;
    bool caching = cacheable && cache.IsOpen();
    std::string temp = caching ? cache.TemporaryPath() : target;
    // A retrieval cut short fails here: neither the cache nor the cycle
    // gets a message of fewer bytes than the server listed.
    if (!session.Retrieve(entry.nNumber, temp, error, entry.nSize))
        return false;
    if (!caching)
        return true;
    long long size = FileSize(temp);
    // A server that counts sizes its own way still delivers; only a file of
    // the announced size is trusted to be the same message next time.
    bool adopted = size == entry.nSize ? cache.Adopt(temp, entry.strUidl, target)
                                       : rename(temp.c_str(), target.c_str()) == 0;
    if (!adopted) {
        unlink(temp.c_str());
        error = mailtext::kSaveFailed;
    }
    return adopted;
}

} // namespace

bool CMailReceiver::ReceiveAll(const CPop3Account& account, const std::string& tempDir,
                               std::vector<CReceivedMessage>& received, std::string& error) {
    received.clear();
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

    // One connection for the whole call: LIST, UIDL, then RETR of what the
    // cache does not hold.
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
        if (cache.Open(folder.CacheFolder())) {
            cache.Prune(uidls);
            CHeaderMemo::Instance().Open(folder.CacheFolder(), uidls);
        }
    }
    for (size_t i = 0; i < entries.size(); ++i) {
        CReceivedMessage message{entries[i].strUidl, folder.MailFolder() + "/" + MessageFileName(i),
                                 entries[i].nSize};
        bool cacheable = uidls.count(message.strUidl) != 0;
        if (!ReceiveMessage(session, cache, entries[i], cacheable, message.strPath, error)) {
            RemoveFiles(received);
            received.clear();
            return false;
        }
        received.push_back(std::move(message));
    }
    return true;
}
