// How the decoder's tagged fields become the values the rules test.
#include "EngineTestFolder.h"
#include "engine/MessageSummary.h"
#include "platform/codepage.h"

#include <gtest/gtest.h>

namespace {

// A field list over strings that the test keeps alive.
struct FieldList {
    explicit FieldList(std::vector<std::string> entries) : m_entries(std::move(entries)) {
        m_list.nCount = static_cast<int>(m_entries.size());
        for (std::size_t j = 0; j < m_entries.size(); ++j)
            m_list.pszItem[j] = m_entries[j].data();
    }
    MessageSummary Summary() const { return ExtractSummary(m_list, m_list.nCount); }

    std::vector<std::string> m_entries;
    MailList m_list{};
};

TEST(ExtractSummary, TagTakesExactlyOneBlankAndOnlySubjectAndBodyAreTrimmed) {
    FieldList fields({"From:  Taro ", "Date:  Mon ", "Subject:    Hello  ",
                      "Body: \r\n line one\r\nline two \r\n\t"});
    MessageSummary summary = fields.Summary();
    EXPECT_EQ(summary.strFrom, " Taro ");
    EXPECT_EQ(summary.strDate, " Mon ");
    EXPECT_EQ(summary.strSubject, "Hello");
    EXPECT_EQ(summary.strBody, "line one\r\nline two");
}

TEST(ExtractSummary, TagsAreCaseSensitiveAndNeedTheirBlank) {
    FieldList fields(
        {"FROM: a@example.jp", "Subject:no blank", "X-From: b@example.jp", "subject: lower"});
    MessageSummary summary = fields.Summary();
    EXPECT_EQ(summary.strFrom, "");
    EXPECT_EQ(summary.strSubject, "");
}

TEST(ExtractSummary, LaterFieldWithTheSameTagWins) {
    FieldList fields({"Subject: first", "From: a", "Subject: second", "From: b"});
    MessageSummary summary = fields.Summary();
    EXPECT_EQ(summary.strSubject, "second");
    EXPECT_EQ(summary.strFrom, "b");
}

TEST(ExtractSummary, BlankBodyBecomesEmptyButDoubleByteBlankStays) {
    const std::string wideBlank = Utf8ToCp932("\u3000");
    ASSERT_EQ(wideBlank, "\x81\x40");
    EXPECT_EQ(FieldList({"Body:  \r\n \r\n\v\f"}).Summary().strBody, "");
    EXPECT_EQ(FieldList({"Subject: " + wideBlank + "x" + wideBlank + " "}).Summary().strSubject,
              wideBlank + "x" + wideBlank);
}

TEST(ExtractSummary, KeepsOnlyAttachmentsThatExistInFieldOrder) {
    CEngineTestFolder folder;
    std::string second = folder.MakeTempFile("b.pdf");
    std::string first = folder.MakeTempFile("a.txt");
    FieldList fields({"File: " + second, "File: " + folder.TempDir() + "/missing.bin",
                      "File: " + first, "File: ", "File: " + folder.TempDir()});
    EXPECT_EQ(fields.Summary().vecAttachments,
              (std::vector<std::string>{second, first, folder.TempDir()}));
}

TEST(ExtractSummary, CountLimitsTheFieldsRead) {
    FieldList fields({"From: a", "Subject: s", "Message-ID:  <id@x> "});
    EXPECT_EQ(ExtractSummary(fields.m_list, 1).strSubject, "");
    EXPECT_EQ(ExtractSummary(fields.m_list, 3).strMessageId, "<id@x>");
    MessageSummary none = ExtractSummary(fields.m_list, 0);
    EXPECT_EQ(none.strFrom, "");
    EXPECT_TRUE(ExtractSummary(fields.m_list, -1).strFrom.empty());
}

TEST(ExtractIdentity, TakesFromSubjectAndIdLikeTheSummary) {
    FieldList fields({"From:  Taro ", "Subject:   S  ", "Message-ID: <1@x>", "Body: b"});
    MessageIdentity identity = ExtractIdentity(fields.m_list, fields.m_list.nCount);
    EXPECT_EQ(identity.strFrom, " Taro ");
    EXPECT_EQ(identity.strSubject, "S");
    EXPECT_EQ(identity.strMessageId, "<1@x>");
}

} // namespace
