// The message cache: what a cycle retrieves again, what the cache refuses to
// trust, and that a cycle's results do not depend on it.
#include "tests/maillib/MailTestSupport.h"

#include "config/listfile.h"
#include "config/schema.h"
#include "engine/CForwardEngine.h"
#include "engine/maillib/CHeaderMemo.h"
#include "engine/maillib/CMessageCache.h"
#include "platform/profile.h"
#include "tests/maillib/CPop3Proxy.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

std::string PrivateFolder(const std::string& tempDir) {
    return tempDir + "/quiben-" + std::to_string(geteuid());
}

std::vector<std::string> NamesIn(const std::string& folder) {
    std::vector<std::string> names;
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(folder, ec))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

std::vector<std::string> Contents(const std::vector<std::string>& paths) {
    std::vector<std::string> contents;
    for (const std::string& path : paths)
        contents.push_back(ReadBytes(path));
    return contents;
}

// A mail with a body of about `size` bytes, so a cut can fall inside it.
std::string LargeMessage(const std::string& subject, size_t size) {
    std::string body;
    while (body.size() < size)
        body += "line " + std::to_string(body.size()) + " of a long message\r\n";
    return SimpleMessage(subject, body);
}

void WriteFile(const std::string& path, const std::string& content, mode_t mode = 0600) {
    std::ofstream(path, std::ios::binary) << content;
    chmod(path.c_str(), mode);
}

} // namespace

class MessageCacheTest : public MailServerTest {
protected:
    void SetUp() override {
        MailServerTest::SetUp();
        m_strUser = NewUser();
        m_pProxy = std::make_unique<CPop3Proxy>(Servers().Pop3Port());
    }

    int ReceiveViaProxy(std::vector<std::string>& paths, std::string& error) {
        m_pProxy->ResetCounts();
        return Receive(m_strUser, paths, error, m_pProxy->Server());
    }

    std::string CacheFolder() const { return PrivateFolder(TempDir()) + "/cache"; }

    std::string m_strUser;
    std::unique_ptr<CPop3Proxy> m_pProxy;
};

TEST_F(MessageCacheTest, OnlyNewMailIsRetrievedOverOneConnection) {
    for (int n = 1; n <= 3; ++n)
        Servers().AddMessage(m_strUser, SimpleMessage("message " + std::to_string(n)));
    std::vector<std::string> paths;
    std::string error;
    ASSERT_EQ(ReceiveViaProxy(paths, error), 3) << error;
    EXPECT_EQ(m_pProxy->CountOf("RETR"), 3);
    std::vector<std::string> first = Contents(paths);
    for (const std::string& path : paths)
        fs::remove(path); // as the cycle does

    Servers().AddMessage(m_strUser, SimpleMessage("message 4"));
    ASSERT_EQ(ReceiveViaProxy(paths, error), 4) << error;
    EXPECT_EQ(m_pProxy->Connections(), 1);
    EXPECT_EQ(m_pProxy->CountOf("RETR"), 1);
    EXPECT_EQ(m_pProxy->CountOf("LIST"), 1);
    EXPECT_EQ(m_pProxy->CountOf("UIDL"), 1);
    std::vector<std::string> second = Contents(paths);
    EXPECT_EQ(std::vector<std::string>(second.begin(), second.begin() + 3), first);
    EXPECT_EQ(second[3], SimpleMessage("message 4"));

    // The cycle's files are its own: removing them leaves the cache whole.
    for (const std::string& path : paths)
        fs::remove(path);
    ASSERT_EQ(ReceiveViaProxy(paths, error), 4) << error;
    EXPECT_EQ(m_pProxy->CountOf("RETR"), 0);
    EXPECT_EQ(Contents(paths), second);
}

TEST_F(MessageCacheTest, ConnectionCutInsideAMessageCachesNothingOfIt) {
    const std::string whole = LargeMessage("long one", 200000);
    Servers().AddMessage(m_strUser, SimpleMessage("short one"));
    Servers().AddMessage(m_strUser, whole);
    // The short one arrives whole; the line drops inside the long one.
    m_pProxy->CutNextRetrievalAfter(100000);
    std::vector<std::string> paths;
    std::string error;
    EXPECT_LE(ReceiveViaProxy(paths, error), 0);
    EXPECT_NE(error, "") << "a cut message must fail the receive, not pass as complete";
    EXPECT_TRUE(paths.empty());
    EXPECT_TRUE(NamesIn(PrivateFolder(TempDir()) + "/mail").empty());
    std::vector<std::string> entries = NamesIn(CacheFolder());
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(ReadBytes(CacheFolder() + "/" + entries[0]), SimpleMessage("short one"));

    ASSERT_EQ(ReceiveViaProxy(paths, error), 2) << error;
    EXPECT_EQ(m_pProxy->CountOf("RETR"), 1);
    EXPECT_EQ(ReadBytes(paths[1]), whole);
}

TEST_F(MessageCacheTest, DeletedMessageLeavesTheCacheAndItsUidlCanComeBackWithOtherMail) {
    std::string name = Servers().AddMessage(m_strUser, SimpleMessage("first life"));
    Servers().AddMessage(m_strUser, SimpleMessage("stays"));
    std::vector<std::string> paths;
    std::string error;
    ASSERT_EQ(ReceiveViaProxy(paths, error), 2) << error;
    ASSERT_EQ(NamesIn(CacheFolder()).size(), 2u);

    Servers().RemoveMessage(m_strUser, name);
    ASSERT_EQ(ReceiveViaProxy(paths, error), 1) << error;
    EXPECT_EQ(NamesIn(CacheFolder()).size(), 1u) << "the deleted message's entry is dropped";
    EXPECT_EQ(ReadBytes(paths[0]), SimpleMessage("stays"));
}

TEST_F(MessageCacheTest, CycleFilesAreTheSameWithoutTheCache) {
    for (const char* sample : {"iso2022jp.eml", "mixed_rfc2231.eml", "raw_sjis.eml"})
        Servers().AddMessage(m_strUser, ReadBytes(SamplePath(sample)));
    std::vector<std::string> paths;
    std::string error;
    ASSERT_EQ(ReceiveViaProxy(paths, error), 3) << error;
    std::vector<std::string> fresh = Contents(paths);
    ASSERT_EQ(ReceiveViaProxy(paths, error), 3) << error;
    EXPECT_EQ(m_pProxy->CountOf("RETR"), 0);
    EXPECT_EQ(Contents(paths), fresh);
}

// Whatever is found in the cache folder, only complete messages of the
// running user's own making are handed out.
TEST_F(MessageCacheTest, UntrustworthyCacheIsRebuilt) {
    Servers().AddMessage(m_strUser, SimpleMessage("one"));
    Servers().AddMessage(m_strUser, SimpleMessage("two"));
    std::vector<std::string> paths;
    std::string error;
    ASSERT_EQ(ReceiveViaProxy(paths, error), 2) << error;
    std::vector<std::string> expected = Contents(paths);
    std::vector<std::string> entries = NamesIn(CacheFolder());
    ASSERT_EQ(entries.size(), 2u);

    // Damaged entry of the same size, a truncated one, a stray file.
    std::string damaged = expected[0];
    damaged[0] = 'X';
    WriteFile(CacheFolder() + "/" + entries[0], expected[0].substr(0, 10));
    WriteFile(CacheFolder() + "/stray", "junk");
    ASSERT_EQ(ReceiveViaProxy(paths, error), 2) << error;
    EXPECT_EQ(Contents(paths), expected);
    EXPECT_EQ(m_pProxy->CountOf("RETR"), 1);
    EXPECT_EQ(NamesIn(CacheFolder()), entries);

    // Entries others may write, or that have a second name, are not trusted.
    chmod((CacheFolder() + "/" + entries[0]).c_str(), 0666);
    link((CacheFolder() + "/" + entries[1]).c_str(), (TempDir() + "/outside").c_str());
    ASSERT_EQ(ReceiveViaProxy(paths, error), 2) << error;
    EXPECT_EQ(m_pProxy->CountOf("RETR"), 2);
    EXPECT_EQ(Contents(paths), expected);

    // A folder open to others, a link in its place, a file in its place.
    chmod(CacheFolder().c_str(), 0777);
    WriteFile(CacheFolder() + "/" + entries[0], damaged, 0600);
    ASSERT_EQ(ReceiveViaProxy(paths, error), 2) << error;
    EXPECT_EQ(Contents(paths), expected);
    EXPECT_EQ(m_pProxy->CountOf("RETR"), 2);

    fs::create_directory(TempDir() + "/elsewhere");
    fs::remove_all(CacheFolder());
    fs::create_directory_symlink(TempDir() + "/elsewhere", CacheFolder());
    ASSERT_EQ(ReceiveViaProxy(paths, error), 2) << error;
    EXPECT_EQ(Contents(paths), expected);
    EXPECT_FALSE(fs::is_symlink(CacheFolder()));
    EXPECT_TRUE(NamesIn(TempDir() + "/elsewhere").empty()) << "nothing written through the link";

    fs::remove_all(CacheFolder());
    WriteFile(CacheFolder(), "not a folder");
    ASSERT_EQ(ReceiveViaProxy(paths, error), 2) << error;
    EXPECT_EQ(Contents(paths), expected);
    EXPECT_TRUE(fs::is_directory(CacheFolder()));
}

// A UIDL the server reuses for another message of another size is caught by
// the size; an entry of the right size is handed out as a fresh file.
TEST(MessageCacheUnit, EntryOfAnotherSizeIsDroppedAndEntriesAreHandedOutAsNewFiles) {
    CTempFolder temp;
    std::string folder = temp.Path() + "/cache";
    CMessageCache cache;
    ASSERT_TRUE(cache.Open(folder));
    std::string file = cache.TemporaryPath();
    WriteFile(file, "twelve bytes");
    ASSERT_TRUE(cache.Adopt(file, "uid/../1", temp.File("out1")));
    EXPECT_EQ(ReadBytes(temp.File("out1")), "twelve bytes");
    EXPECT_EQ(NamesIn(folder), std::vector<std::string>{CMessageCache::EntryName("uid/../1")});

    fs::remove(temp.File("out1"));
    EXPECT_TRUE(cache.Deliver("uid/../1", 12, temp.File("out2")));
    EXPECT_EQ(ReadBytes(temp.File("out2")), "twelve bytes");
    fs::remove(temp.File("out2"));
    EXPECT_FALSE(cache.Deliver("uid/../1", 13, temp.File("out3")));
    EXPECT_FALSE(fs::exists(temp.File("out3")));
    EXPECT_TRUE(NamesIn(folder).empty());

    EXPECT_EQ(CMessageCache::EntryName(""), "");
    EXPECT_EQ(CMessageCache::EntryName(std::string(200, 'a')), "");
}

TEST(MessageCacheUnit, PruneKeepsOnlyEntriesOfUidlsOnTheServer) {
    CTempFolder temp;
    std::string folder = temp.Path() + "/cache";
    CMessageCache cache;
    ASSERT_TRUE(cache.Open(folder));
    for (const char* uidl : {"a", "b", "c"}) {
        std::string file = cache.TemporaryPath();
        WriteFile(file, uidl);
        ASSERT_TRUE(cache.Adopt(file, uidl, temp.File(uidl)));
    }
    WriteFile(cache.TemporaryPath(), "left over by a crash");
    fs::create_directory(folder + "/sub");
    cache.Prune({"a", "c"});
    EXPECT_EQ(NamesIn(folder), (std::vector<std::string>{CMessageCache::EntryName("a"),
                                                         CMessageCache::EntryName("c")}));
}

// The boundary search reads headers only: messages up to the marked one get
// no attachment files, and the cycle's results do not depend on the cache.
class CacheCycleTest : public MailServerTest {
protected:
    void SetUp() override {
        MailServerTest::SetUp();
        m_strUser = NewUser();
        Set("RULE", "TEMP", "0");
        Set("RULE", "SIZE", "0");
        WriteAccountSettings(m_app.File(schema::kIniFile), m_strUser, "quiben@example.jp");
        WriteListFile(m_app.File(schema::kAddressFile), {"phone@example.jp"});
    }

    void Set(const char* section, const char* key, const std::string& value) {
        CProfile(m_app.File(schema::kIniFile)).WriteProfileString(section, key, value);
    }

    // A cycle of a fresh engine (as `quiben --once` runs it); the bodies of
    // what it forwarded.
    std::vector<std::string> CycleForwards() {
        size_t before = ReceivedMails().size();
        CForwardEngine engine(m_app.Path(), TempDir());
        EXPECT_TRUE(engine.RunForwardCycle());
        std::vector<CReceivedMail> mails = ReceivedMails();
        std::vector<std::string> bodies;
        for (size_t i = before; i < mails.size(); ++i) {
            std::string path = m_forwarded.File("forward-" + std::to_string(++m_nForwards));
            std::ofstream(path, std::ios::binary) << mails[i].strContent;
            CDecodedMail mail = DecodeMail(path, m_forwarded.Path());
            std::string files;
            for (const std::string& file : mail.files)
                files += "|" + ReadBytes(file);
            bodies.push_back(mail.strBody + files);
        }
        return bodies;
    }

    static constexpr const char* kMarkerKeys[] = {"FROM", "SUBJECT", "MESSAGEID"};
    std::vector<std::string> Marker() {
        std::vector<std::string> values;
        for (const char* key : kMarkerKeys)
            values.push_back(
                CProfile(m_app.File(schema::kIniFile)).GetProfileString("LASTSEND", key, ""));
        return values;
    }
    // Back to the marker alone, as before the first cycle with a record.
    void SetMarker(const std::vector<std::string>& values) {
        for (size_t i = 0; i < values.size(); ++i)
            Set("LASTSEND", kMarkerKeys[i], values[i]);
        fs::remove(m_app.File(schema::kDeliveryRecordFile));
    }

    std::string m_strUser;
    CTempFolder m_app;
    CTempFolder m_forwarded;
    int m_nForwards = 0;
};

TEST_F(CacheCycleTest, MessagesUpToTheMarkerGetNoAttachmentFiles) {
    for (const char* sample : {"mixed_rfc2231.eml", "mixed_rfc2231.eml", "alternative.eml"})
        Servers().AddMessage(m_strUser, ReadBytes(SamplePath(sample)));
    ASSERT_EQ(CycleForwards().size(), 3u);
    // Every message now lies at or before the marker.
    ASSERT_TRUE(CycleForwards().empty());
    EXPECT_TRUE(NamesIn(PrivateFolder(TempDir()) + "/attach").empty());
}

TEST_F(CacheCycleTest, ResultsAreTheSameWithAndWithoutTheCache) {
    for (const char* sample : {"iso2022jp.eml", "mixed_rfc2231.eml", "html_only.eml"})
        Servers().AddMessage(m_strUser, ReadBytes(SamplePath(sample)));
    std::vector<std::string> uncached = CycleForwards();
    ASSERT_EQ(uncached.size(), 3u);
    SetMarker({"", "", ""});
    std::vector<std::string> cached = CycleForwards();
    EXPECT_EQ(cached, uncached);

    // New mail behind the marker: the same with a warm and a cold cache.
    Servers().AddMessage(m_strUser, ReadBytes(SamplePath("alternative.eml")));
    std::vector<std::string> marker = Marker();
    std::vector<std::string> warm = CycleForwards();
    ASSERT_EQ(warm.size(), 1u);
    SetMarker(marker);
    fs::remove_all(PrivateFolder(TempDir()) + "/cache");
    EXPECT_EQ(CycleForwards(), warm);
}

// The decode that forwards a message also fills the header index, so the
// next cycle's boundary search parses nothing it has seen.
TEST_F(CacheCycleTest, TheForwardingDecodeFillsTheHeaderIndex) {
    Servers().AddMessage(m_strUser, SimpleMessage("old"));
    ASSERT_EQ(CycleForwards().size(), 1u);
    Servers().AddMessage(m_strUser, SimpleMessage("new ☕"));
    ASSERT_EQ(CycleForwards().size(), 1u); // the search stopped at "old"
    CHeaderMemo::Instance().Flush();
    std::string index = ReadBytes(PrivateFolder(TempDir()) + "/cache/" + CHeaderMemo::kIndexName);
    EXPECT_NE(index.find("new ☕"), std::string::npos);
}
