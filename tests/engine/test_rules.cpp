// The sender and subject rules.
#include "EngineTestFolder.h"
#include "engine/CForwardEngine.h"
#include "platform/codepage.h"
#include "settings/schema.h"

#include <gtest/gtest.h>

namespace {

using namespace schema;

class Rules : public testing::Test {
protected:
    bool Passes(const std::string& from, const std::string& subject) {
        CForwardEngine engine(m_folder.AppDir(), m_folder.TempDir(), &m_unused);
        return engine.PassesRules(from, subject);
    }

    CEngineTestFolder m_folder;
    CMailLibrary m_unused;
};

TEST_F(Rules, BothOffLetEverythingPass) {
    EXPECT_TRUE(Passes("", ""));
    m_folder.SetInt(kSectionRule, kKeyRuleFrom, 0);
    EXPECT_TRUE(Passes("anyone", "anything"));
}

TEST_F(Rules, SenderLineMatchesAnywhereInFromWithoutLatinCase) {
    m_folder.SetInt(kSectionRule, kKeyRuleFrom, 1);
    m_folder.WriteList(kSenderRuleFile, {"nobody", "yamada"});
    EXPECT_TRUE(Passes("YAMADA Taro <t@example.jp>", "s"));
    EXPECT_TRUE(Passes("Taro <t@Yamada.example.jp>", "s"));
    EXPECT_FALSE(Passes("Suzuki <s@example.jp>", "s"));
}

TEST_F(Rules, MissingOrEmptyRuleFileRejects) {
    m_folder.SetInt(kSectionRule, kKeyRuleFrom, 1);
    EXPECT_FALSE(Passes("a@example.jp", "s"));
    m_folder.WriteList(kSenderRuleFile, {});
    EXPECT_FALSE(Passes("a@example.jp", "s"));
}

TEST_F(Rules, EmptyLinePassesEveryValueButBlanksAreKept) {
    m_folder.SetInt(kSectionRule, kKeyRuleSubject, 1);
    m_folder.WriteList(kSubjectRuleFile, {" report"});
    EXPECT_FALSE(Passes("a", "daily-report")) << "the leading blank is part of the line";
    EXPECT_TRUE(Passes("a", "daily report"));
    m_folder.WriteAppFile(kSubjectRuleFile, "x\r\n\r\ny");
    EXPECT_TRUE(Passes("a", ""));
    EXPECT_TRUE(Passes("a", "anything"));
}

TEST_F(Rules, BothRulesOnMustBothMatch) {
    m_folder.SetInt(kSectionRule, kKeyRuleFrom, 1);
    m_folder.SetInt(kSectionRule, kKeyRuleSubject, 1);
    m_folder.WriteList(kSenderRuleFile, {"example.jp"});
    m_folder.WriteList(kSubjectRuleFile, {"urgent"});
    EXPECT_TRUE(Passes("a@example.jp", "URGENT: call"));
    EXPECT_FALSE(Passes("a@example.jp", "later"));
    EXPECT_FALSE(Passes("a@example.com", "urgent"));
    m_folder.SetInt(kSectionRule, kKeyRuleFrom, 0);
    EXPECT_TRUE(Passes("a@example.com", "urgent"));
}

// Byte-wise search would find "@" (0x40) inside "ァ" (0x83 0x40).
TEST_F(Rules, MatchOnlyOnCharacterBoundaries) {
    m_folder.SetInt(kSectionRule, kKeyRuleSubject, 1);
    m_folder.WriteList(kSubjectRuleFile, {"@"});
    const std::string smallA = Utf8ToCp932("ァ");
    ASSERT_EQ(smallA, "\x83\x40");
    EXPECT_FALSE(Passes("a", smallA + smallA));
    EXPECT_TRUE(Passes("a", smallA + "@"));
}

// "ヂ" is 0x83 0x61: its trail byte looks like 'a' but must not become 'A'
// ("ア" is 0x83 0x41).
TEST_F(Rules, OnlySingleByteLatinLettersIgnoreCase) {
    const std::string di = Utf8ToCp932("ヂ");
    const std::string a = Utf8ToCp932("ア");
    ASSERT_EQ(di, "\x83\x61");
    ASSERT_EQ(a, "\x83\x41");
    m_folder.SetInt(kSectionRule, kKeyRuleSubject, 1);
    m_folder.WriteList(kSubjectRuleFile, {di});
    EXPECT_FALSE(Passes("x", a));
    EXPECT_TRUE(Passes("x", "[" + di + "]"));
    m_folder.WriteList(kSubjectRuleFile, {a});
    EXPECT_FALSE(Passes("x", di));
}

} // namespace
