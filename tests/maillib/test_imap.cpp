// Receiving from the real Dovecot over IMAP: what arrives, that no flag of
// the mailbox changes, what another client's changes do, a renewed mailbox,
// and the quiet cycle that asks one STATUS and nothing more.
#include "tests/maillib/MailTestSupport.h"

#include "config/CServerAddress.h"
#include "engine/maillib/CCurlHandle.h"
#include "engine/maillib/CEarlyConnection.h"
#include "engine/maillib/CImapSession.h"
#include "engine/maillib/CMailboxStates.h"
#include "engine/maillib/CMessageCache.h"
#include "tests/common/CFaultProxy.h"

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <thread>

namespace {

std::string Subject(int n) {
    return "imap-" + std::to_string(n);
}

std::vector<std::string> KeysOf(const std::vector<CReceivedMessage>& messages) {
    std::vector<std::string> keys;
    for (const CReceivedMessage& message : messages)
        keys.push_back(message.strUidl);
    return keys;
}

int Count(const std::vector<std::string>& commands, const std::string& start) {
    return static_cast<int>(std::count_if(commands.begin(), commands.end(),
                                          [&](const auto& c) { return c.rfind(start, 0) == 0; }));
}

class ImapTest : public MailServerTest {
protected:
    CReceiveResult Receive(const std::string& server, const std::string& user, bool bSkip = false) {
        CReceiveResult result;
        CMailError error;
        EXPECT_TRUE(ReceiveMailbox({server, user, PasswordOf(user)}, TempDir(),
                                   CReceiveOptions{bSkip}, result, error))
            << error.strText;
        return result;
    }

    void MarkHandled(const std::string& server, const std::string& user) {
        MarkMailboxHandled({server, user, PasswordOf(user)}, TempDir());
    }

    std::string CacheFolder() const {
        return TempDir() + "/quiben-" + std::to_string(geteuid()) + "/cache";
    }
};

} // namespace

TEST_F(ImapTest, MailboxArrivesOverStartTlsAndImplicitTlsAndKeepsItsFlags) {
    std::string user = NewUser();
    for (int n = 1; n <= 3; ++n)
        Servers().AddMessage(user, SimpleMessage(Subject(n)));
    // Flags set by another client before: one read, one flagged.
    Servers().ImapCommand(user, "INBOX", "UID STORE 1 +FLAGS (\\Seen)");
    Servers().ImapCommand(user, "INBOX", "UID STORE 2 +FLAGS (\\Flagged)");
    const std::vector<std::string> before = Servers().MessageFileNames(user);

    for (const std::string& server : {Servers().ImapServer(), Servers().ImapsServer()}) {
        CReceiveResult result = Receive(server, user);
        EXPECT_FALSE(result.bUnchanged);
        ASSERT_EQ(result.messages.size(), 3u) << server;
        for (int n = 1; n <= 3; ++n) {
            const CReceivedMessage& message = result.messages[n - 1];
            EXPECT_EQ(ReadBytes(message.strPath), SimpleMessage(Subject(n)));
            EXPECT_EQ(message.nSize, static_cast<long long>(SimpleMessage(Subject(n)).size()));
            EXPECT_EQ(message.strUidl.rfind("imap:", 0), 0u) << message.strUidl;
            EXPECT_NE(message.strUidl.find("." + std::to_string(n) + "@"), std::string::npos)
                << message.strUidl;
        }
    }
    // Nothing became read, nothing lost its flag: the names carry the flags.
    EXPECT_EQ(Servers().MessageFileNames(user), before);

    // The certificate is checked on both ports: the plain one takes STARTTLS.
    SetMailCaFile("");
    for (const std::string& server : {Servers().ImapServer(), Servers().ImapsServer()}) {
        CReceiveResult result;
        CMailError error;
        EXPECT_FALSE(ReceiveMailbox({server, user, PasswordOf(user)}, TempDir(), CReceiveOptions{},
                                    result, error));
        EXPECT_EQ(CheckedErrorText(error.strText).rfind("サーバ証明書を検証できません", 0), 0u)
            << error.strText;
    }
}

TEST_F(ImapTest, FolderNamedInTheServerTextEvenInJapanese) {
    std::string user = NewUser();
    Servers().AddMessage(user, SimpleMessage("inbox"));
    // "日本語" as IMAP names it (RFC 3501's own example).
    ASSERT_EQ(Servers().ImapCommand(user, "", "CREATE \"&ZeVnLIqe-\""), "");
    ASSERT_TRUE(Servers().ImapAppend(user, "&ZeVnLIqe-", SimpleMessage("folder")));
    CReceiveResult result = Receive(Servers().ImapsServer("/日本語"), user);
    ASSERT_EQ(result.messages.size(), 1u);
    EXPECT_EQ(ReadBytes(result.messages[0].strPath), SimpleMessage("folder"));

    CMailError error;
    EXPECT_FALSE(ReceiveMailbox({Servers().ImapsServer("/Nope"), user, PasswordOf(user)}, TempDir(),
                                CReceiveOptions{}, result, error));
    EXPECT_EQ(CheckedErrorText(error.strText), "メールボックスが見つかりません: Nope");
    EXPECT_FALSE(ReceiveMailbox({Servers().ImapsServer(), user, "wrong"}, TempDir(),
                                CReceiveOptions{}, result, error));
    EXPECT_EQ(CheckedErrorText(error.strText).rfind("ログインできません", 0), 0u) << error.strText;
}

// A mailbox deleted and made again has new UIDs under a new UIDVALIDITY:
// its messages get new keys, and the cache lets go of the old ones.
TEST_F(ImapTest, RecreatedMailboxGivesNewKeysAndLeavesTheCache) {
    std::string user = NewUser();
    auto fill = [&] {
        ASSERT_EQ(Servers().ImapCommand(user, "", "CREATE Archive"), "");
        for (int n = 1; n <= 2; ++n)
            ASSERT_TRUE(Servers().ImapAppend(user, "Archive", SimpleMessage(Subject(n))));
    };
    fill();
    const std::string server = Servers().ImapsServer("/Archive");
    std::vector<std::string> old = KeysOf(Receive(server, user).messages);
    ASSERT_EQ(old.size(), 2u);
    MarkHandled(server, user);

    ASSERT_EQ(Servers().ImapCommand(user, "", "DELETE Archive"), "");
    fill();
    CReceiveResult result = Receive(server, user, true);
    EXPECT_FALSE(result.bUnchanged);
    ASSERT_EQ(result.messages.size(), 2u);
    EXPECT_EQ(ReadBytes(result.messages[1].strPath), SimpleMessage(Subject(2)));
    for (int i = 0; i < 2; ++i) {
        EXPECT_NE(result.messages[i].strUidl, old[i]);
        EXPECT_FALSE(
            std::filesystem::exists(CacheFolder() + "/" + CMessageCache::EntryName(old[i])))
            << old[i];
        EXPECT_TRUE(std::filesystem::exists(CacheFolder() + "/" +
                                            CMessageCache::EntryName(result.messages[i].strUidl)));
    }
}

// What the server is asked, counted from its own log of the commands: the
// first cycle fetches each message once, read-only; once the cycle says it
// handled them, a mailbox that stays as it was costs one STATUS.
TEST_F(ImapTest, QuietCycleAsksOneStatusAndNothingMore) {
    std::string user = NewUser();
    Servers().RecordImapCommands(user);
    for (int n = 1; n <= 3; ++n)
        Servers().AddMessage(user, SimpleMessage(Subject(n)));
    const std::string server = Servers().ImapServer();

    EXPECT_EQ(Receive(server, user, true).messages.size(), 3u);
    std::vector<std::string> full = Servers().LibraryImapSessions(user, 1).back();
    ASSERT_EQ(Count(full, "UID FETCH"), 3);
    auto examine = std::find(full.begin(), full.end(), "EXAMINE \"INBOX\"");
    auto fetch = std::find_if(full.begin(), full.end(),
                              [](const auto& c) { return c.rfind("UID FETCH", 0) == 0; });
    EXPECT_LT(examine, fetch) << "fetched before the mailbox was opened read-only";

    // Not handled yet (the cycle failed, say): listed again, from the cache.
    EXPECT_FALSE(Receive(server, user, true).bUnchanged);
    EXPECT_EQ(Count(Servers().LibraryImapSessions(user, 2).back(), "UID FETCH"), 0);

    MarkHandled(server, user);
    Servers().ImapCommand(user, "INBOX", "UID STORE 2 +FLAGS (\\Flagged)");
    CReceiveResult quiet = Receive(server, user, true);
    EXPECT_TRUE(quiet.bUnchanged);
    EXPECT_TRUE(quiet.messages.empty());
    EXPECT_EQ(
        Servers().LibraryImapSessions(user, 3).back(),
        (std::vector<std::string>{"STATUS \"INBOX\" (MESSAGES UIDNEXT UIDVALIDITY)", "LOGOUT"}));
    // The caller decides: without the skip the mailbox is listed all the same.
    EXPECT_EQ(Receive(server, user, false).messages.size(), 3u);

    Servers().AddMessage(user, SimpleMessage(Subject(4)));
    CReceiveResult arrived = Receive(server, user, true);
    EXPECT_FALSE(arrived.bUnchanged);
    ASSERT_EQ(arrived.messages.size(), 4u);
    EXPECT_EQ(Count(Servers().LibraryImapSessions(user, 5).back(), "UID FETCH"), 1);
}

// The record of handled mailboxes is a shortcut only: one that is damaged
// or not the user's plain file means a full listing, never a skipped one.
TEST_F(ImapTest, UntrustedRecordOfHandledMailboxesMeansAFullListing) {
    std::string user = NewUser();
    Servers().AddMessage(user, SimpleMessage("one"));
    const std::string server = Servers().ImapsServer();
    Receive(server, user);
    MarkHandled(server, user);
    const std::string record =
        TempDir() + "/quiben-" + std::to_string(geteuid()) + "/" + CMailboxStates::kFileName;
    const std::string good = ReadBytes(record);
    ASSERT_TRUE(Receive(server, user, true).bUnchanged);

    std::filesystem::rename(record, record + ".elsewhere");
    std::filesystem::create_symlink(record + ".elsewhere", record);
    EXPECT_FALSE(Receive(server, user, true).bUnchanged);
    std::filesystem::remove(record);
    std::ofstream(record, std::ios::binary) << good.substr(0, good.size() - 3);
    EXPECT_FALSE(Receive(server, user, true).bUnchanged);
}

// A server that drops the connection between opening the mailbox and a
// fetch: the fetch never reconnects on its own (libcurl would open the
// mailbox read-write and mark the message read); the mailbox is opened
// read-only again first. A message gone meanwhile is just not there.
TEST_F(ImapTest, LostConnectionIsReopenedReadOnlyBeforeTheFetch) {
    std::string user = NewUser();
    for (int n = 1; n <= 3; ++n)
        Servers().AddMessage(user, SimpleMessage(Subject(n)));
    const std::vector<std::string> before = Servers().MessageFileNames(user);
    CServerAddress address;
    ASSERT_TRUE(address.Parse(Servers().ImapServer(), EMailProtocol::Pop3));
    CImapSession session(address, user, PasswordOf(user));
    CImapStatus status;
    std::vector<CImapEntry> entries;
    std::string error;
    ASSERT_TRUE(session.Examine(status, error)) << error;
    ASSERT_TRUE(session.ListNewest(256, entries, error)) << error;
    ASSERT_EQ(entries.size(), 3u);

    Servers().KickImapUser(user);
    const std::string path = TempDir() + "/message";
    ASSERT_EQ(session.Retrieve(1, path, error, entries[0].nSize), CImapSession::ERetrieve::Ok)
        << error;
    EXPECT_EQ(ReadBytes(path), SimpleMessage(Subject(1)));

    Servers().ImapCommand(user, "INBOX", "UID STORE 2 +FLAGS.SILENT (\\Deleted)");
    Servers().ImapCommand(user, "INBOX", "EXPUNGE");
    EXPECT_EQ(session.Retrieve(2, path + "2", error, entries[1].nSize),
              CImapSession::ERetrieve::Gone);
    EXPECT_FALSE(std::filesystem::exists(path + "2"));
    ASSERT_EQ(session.Retrieve(3, path + "3", error, entries[2].nSize), CImapSession::ERetrieve::Ok)
        << error;
    std::vector<std::string> after = Servers().MessageFileNames(user);
    EXPECT_EQ(after, (std::vector<std::string>{before[0], before[2]}));

    // The guard itself: with new connections refused a transfer fails at
    // once and reaches no server.
    CCurlHandle curl;
    curl.Configure(address, user, PasswordOf(user));
    curl.AllowNewConnections(false);
    EXPECT_EQ(curl.Perform(), CURLE_COULDNT_CONNECT);
    EXPECT_TRUE(curl.RefusedNewConnection());
}

// `quiben --once` starts connecting before it loads the mail library: the
// receive takes that connection over instead of opening a second one, and
// one the server has closed meanwhile is left for a fresh connection.
TEST_F(ImapTest, EarlyConnectionIsTakenOverOnlyWhileTheServerKeepsIt) {
    std::string user = NewUser();
    Servers().AddMessage(user, SimpleMessage(Subject(1)));
    CFaultProxy proxy(Servers().ImapPort());
    const std::string server = "imap://127.0.0.1:" + std::to_string(proxy.Port());
    CServerAddress address;
    ASSERT_TRUE(address.Parse(server, EMailProtocol::Pop3));

    CEarlyConnection::Offer(CEarlyConnection::Start(address));
    EXPECT_EQ(Receive(server, user).messages.size(), 1u);
    EXPECT_EQ(proxy.ConnectionCount(), 1) << "the receive opened a connection of its own";

    proxy.SetFault(EProxyFault::CloseAtOnce);
    CEarlyConnection::Offer(CEarlyConnection::Start(address));
    for (int i = 0; i < 100 && proxy.ConnectionCount() < 2; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    std::this_thread::sleep_for(std::chrono::milliseconds(200)); // the close arrives
    proxy.SetFault(EProxyFault::None);
    EXPECT_EQ(Receive(server, user).messages.size(), 1u);
    EXPECT_EQ(proxy.ConnectionCount(), 3);
    EXPECT_EQ(CEarlyConnection::ResolveEntry("127.0.0.1", proxy.Port(), 1), "") << "taken twice";

    // A refused one must not tie libcurl to its address.
    CServerAddress refused;
    const int port = UnusedLoopbackPort();
    ASSERT_TRUE(refused.Parse("imap://127.0.0.1:" + std::to_string(port), EMailProtocol::Pop3));
    CEarlyConnection::Offer(CEarlyConnection::Start(refused));
    EXPECT_EQ(CEarlyConnection::ResolveEntry("127.0.0.1", port, 1), "");
}
