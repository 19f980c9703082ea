// The header memo beside the message cache, and the POP3 listings the cache
// is keyed by: a memo speaks only for the very file it was made from.
#include "engine/maillib/CHeaderMemo.h"
#include "engine/maillib/CMessageCache.h"
#include "engine/maillib/CPop3Session.h"
#include "tests/common/CTempFolder.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sys/stat.h>

namespace fs = std::filesystem;

namespace {

const std::vector<std::string> kFields = {"From: a@example.jp", "Subject: \x93\xfa\x96\x7b",
                                          std::string("Message-ID: x\ny\0z", 17)};

class HeaderMemoTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_memo.Flush();
        ASSERT_TRUE(m_cache.Open(CacheFolder()));
        m_memo.Open(CacheFolder());
    }
    void TearDown() override { m_memo.Flush(); }

    std::string CacheFolder() const { return m_temp.Path() + "/cache"; }
    std::string IndexPath() const { return CacheFolder() + "/" + CHeaderMemo::kIndexName; }

    // A retrieved message taken into the cache and handed out at target.
    void Retrieve(const std::string& uidl, const std::string& content, const std::string& target) {
        std::string file = m_cache.TemporaryPath();
        std::ofstream(file, std::ios::binary) << content;
        chmod(file.c_str(), 0600);
        ASSERT_TRUE(m_cache.Adopt(file, uidl, target));
    }

    // The next receive call: the cycle's files are gone, the memo written.
    void NextCycle() {
        for (const auto& entry : fs::directory_iterator(m_temp.Path()))
            if (entry.is_regular_file())
                fs::remove(entry.path());
        m_memo.Flush();
        m_memo.Open(CacheFolder());
    }

    CTempFolder m_temp;
    CMessageCache m_cache;
    CHeaderMemo& m_memo = CHeaderMemo::Instance();
};

} // namespace

TEST_F(HeaderMemoTest, KeptFieldsComeBackForTheSameFileInLaterCyclesOnly) {
    std::vector<std::string> fields;
    Retrieve("u1", "message one", m_temp.File("001.eml"));
    EXPECT_FALSE(m_memo.Recall(m_temp.File("001.eml"), fields));
    m_memo.Keep(m_temp.File("001.eml"), kFields);

    NextCycle();
    struct stat info {};
    ASSERT_EQ(stat(IndexPath().c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);
    ASSERT_TRUE(m_cache.Deliver("u1", 11, m_temp.File("002.eml")));
    ASSERT_TRUE(m_memo.Recall(m_temp.File("002.eml"), fields));
    EXPECT_EQ(fields, kFields);

    // A file put in the handed-out file's place, or one never handed out,
    // is not answered for.
    fs::remove(m_temp.File("002.eml"));
    std::ofstream(m_temp.File("002.eml"), std::ios::binary) << "message one";
    EXPECT_FALSE(m_memo.Recall(m_temp.File("002.eml"), fields));
    EXPECT_FALSE(m_memo.Recall(m_temp.File("003.eml"), fields));
}

TEST_F(HeaderMemoTest, AnotherMessageUnderAReusedUidlGetsNoOldFields) {
    std::vector<std::string> fields;
    Retrieve("u1", "first", m_temp.File("001.eml"));
    m_memo.Keep(m_temp.File("001.eml"), kFields);
    NextCycle();
    // Same UIDL, another size: the entry goes and the new message comes in.
    EXPECT_FALSE(m_cache.Deliver("u1", 6, m_temp.File("001.eml")));
    Retrieve("u1", "second", m_temp.File("001.eml"));
    EXPECT_FALSE(m_memo.Recall(m_temp.File("001.eml"), fields));
}

TEST_F(HeaderMemoTest, DamagedOrOpenIndexIsIgnoredAndWrittenAnew) {
    std::vector<std::string> fields;
    Retrieve("u1", "message one", m_temp.File("001.eml"));
    m_memo.Keep(m_temp.File("001.eml"), kFields);
    NextCycle();
    std::string good;
    {
        std::ifstream in(IndexPath(), std::ios::binary);
        good.assign(std::istreambuf_iterator<char>(in), {});
    }
    for (const std::string& damaged :
         {good.substr(0, good.size() - 3), good + "7\n", std::string("QUIBEN-HEADERS 0\n")}) {
        std::ofstream(IndexPath(), std::ios::binary | std::ios::trunc) << damaged;
        ASSERT_TRUE(m_cache.Deliver("u1", 11, m_temp.File("001.eml")));
        EXPECT_FALSE(m_memo.Recall(m_temp.File("001.eml"), fields)) << damaged.size();
        m_memo.Keep(m_temp.File("001.eml"), kFields);
        NextCycle();
    }
    // Written anew and readable, but not when others may write it.
    ASSERT_TRUE(m_cache.Deliver("u1", 11, m_temp.File("001.eml")));
    EXPECT_TRUE(m_memo.Recall(m_temp.File("001.eml"), fields));
    NextCycle();
    chmod(IndexPath().c_str(), 0666);
    ASSERT_TRUE(m_cache.Deliver("u1", 11, m_temp.File("001.eml")));
    EXPECT_FALSE(m_memo.Recall(m_temp.File("001.eml"), fields));
}

TEST_F(HeaderMemoTest, IndexKeepsOnlyTheMessagesOfTheLastCycle) {
    std::vector<std::string> fields;
    Retrieve("old", "old message", m_temp.File("001.eml"));
    Retrieve("new", "new message", m_temp.File("002.eml"));
    m_memo.Keep(m_temp.File("001.eml"), kFields);
    m_memo.Keep(m_temp.File("002.eml"), kFields);
    NextCycle();
    // "old" left the newest messages this cycle.
    ASSERT_TRUE(m_cache.Deliver("new", 11, m_temp.File("001.eml")));
    ASSERT_TRUE(m_memo.Recall(m_temp.File("001.eml"), fields));
    NextCycle();
    ASSERT_TRUE(m_cache.Deliver("old", 11, m_temp.File("001.eml")));
    EXPECT_FALSE(m_memo.Recall(m_temp.File("001.eml"), fields));
}

TEST(Pop3Listing, LinesOfEveryShapeParse) {
    std::vector<CPop3Entry> entries =
        ParsePop3Listing("1 120\r\n2 300 extra words\r\nnot a line\r\n-3 5\r\n4 -5\r\n"
                         "99999999999 5\r\n5 7x\r\n6\r\n\r\n7 0\n8 42");
    std::vector<std::pair<int, long long>> got;
    for (const CPop3Entry& entry : entries)
        got.emplace_back(entry.nNumber, entry.nSize);
    EXPECT_EQ(got, (std::vector<std::pair<int, long long>>{{1, 120}, {2, 300}, {7, 0}, {8, 42}}));

    std::string longUidl(71, 'u');
    auto uidls = ParsePop3UidlListing("1 abc\r\n2 a b\r\n3 " + longUidl +
                                      "\r\n4 \x01x\r\n0 z\r\n"
                                      "5 \r\n6 last");
    EXPECT_EQ(uidls, (std::vector<std::pair<int, std::string>>{{1, "abc"}, {6, "last"}}));
}
