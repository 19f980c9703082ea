// The header memo beside the message cache, and the POP3 listings the cache
// is keyed by: a record speaks only for the message of its UIDL and size.
#include "engine/maillib/CHeaderMemo.h"
#include "engine/maillib/CPop3Session.h"
#include "tests/common/CTempFolder.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <sys/stat.h>

namespace fs = std::filesystem;

namespace {

const CMessageHeader kHeader = {"Zoë <a@example.jp>", "Mon, 2 Dec 2024",
                                std::string("日本 \n\0 ☕", 14), "x@y"};

bool operator==(const CMessageHeader& a, const CMessageHeader& b) {
    return a.strFrom == b.strFrom && a.strDate == b.strDate && a.strSubject == b.strSubject &&
           a.strMessageId == b.strMessageId;
}

class HeaderMemoTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_memo.Flush();
        fs::create_directory(CacheFolder());
        m_memo.Open(CacheFolder(), {"u1", "u2"});
    }
    void TearDown() override { m_memo.Flush(); }

    std::string CacheFolder() const { return m_temp.Path() + "/cache"; }
    std::string IndexPath() const { return CacheFolder() + "/" + CHeaderMemo::kIndexName; }
    // The next receive call, listing these UIDLs.
    void NextCycle(std::unordered_set<std::string> uidls = {"u1", "u2"}) {
        m_memo.Flush();
        m_memo.Open(CacheFolder(), std::move(uidls));
    }
    bool Recall(const CReceivedMessage& message) {
        CMessageHeader header;
        return m_memo.Recall(message, header) && header == kHeader;
    }

    CTempFolder m_temp;
    CHeaderMemo& m_memo = CHeaderMemo::Instance();
    const CReceivedMessage m_message{"u1", "/nowhere/001.eml", 11};
};

} // namespace

TEST_F(HeaderMemoTest, KeptFieldsComeBackForTheSameUidlAndSizeInLaterCycles) {
    EXPECT_FALSE(Recall(m_message));
    m_memo.Keep(m_message, kHeader);
    NextCycle();
    struct stat info {};
    ASSERT_EQ(stat(IndexPath().c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);
    EXPECT_TRUE(Recall(m_message));
    // Another message under a reused UIDL (another size), a UIDL not listed
    // in this cycle, a message without UIDL: nothing.
    EXPECT_FALSE(Recall({"u1", m_message.strPath, 12}));
    EXPECT_FALSE(Recall({"u3", m_message.strPath, 11}));
    EXPECT_FALSE(Recall({"", m_message.strPath, 11}));
}

TEST_F(HeaderMemoTest, DamagedOrOpenIndexIsIgnoredAndWrittenAnew) {
    m_memo.Keep(m_message, kHeader);
    NextCycle();
    std::string good;
    {
        std::ifstream in(IndexPath(), std::ios::binary);
        good.assign(std::istreambuf_iterator<char>(in), {});
    }
    for (const std::string& damaged :
         {good.substr(0, good.size() - 3), good + "7\n", std::string("QUIBEN-HEADERS 1\n")}) {
        std::ofstream(IndexPath(), std::ios::binary | std::ios::trunc) << damaged;
        EXPECT_FALSE(Recall(m_message)) << damaged.size();
        m_memo.Keep(m_message, kHeader);
        NextCycle();
    }
    EXPECT_TRUE(Recall(m_message)) << "written anew";
    NextCycle();
    chmod(IndexPath().c_str(), 0666);
    EXPECT_FALSE(Recall(m_message)) << "others could have written it";
    NextCycle();
    fs::remove(IndexPath());
    ASSERT_EQ(mkfifo(IndexPath().c_str(), 0600), 0);
    EXPECT_FALSE(Recall(m_message)) << "a FIFO is not read (nor waited for)";
}

TEST_F(HeaderMemoTest, IndexKeepsOnlyTheMessagesOfTheLastCycle) {
    m_memo.Keep(m_message, kHeader);
    m_memo.Keep({"u2", "/nowhere/002.eml", 11}, kHeader);
    NextCycle({"u2"}); // u1 left the server (or the newest messages)
    EXPECT_TRUE(Recall({"u2", "/nowhere/002.eml", 11}));
    NextCycle();
    EXPECT_FALSE(Recall(m_message));
    EXPECT_TRUE(Recall({"u2", "/nowhere/002.eml", 11}));
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
