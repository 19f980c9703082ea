// The sender and subject rules.
#include "EngineTestFolder.h"
#include "config/schema.h"
#include "engine/CForwardEngine.h"
#include "platform/codepage.h"

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
    m_folder.SetInt("RULE", "FROM", 0);
    EXPECT_TRUE(Passes("anyone", "anything"));
}

TEST_F(Rules, SenderLineMatchesAnywhereInFromWithoutLatinCase) {
    m_folder.SetInt("RULE", "FROM", 1);
    m_folder.WriteList(kSenderRuleFile, {"nobody", "yamada"});
    EXPECT_TRUE(Passes("YAMADA Taro <t@example.jp>", "s"));
    EXPECT_TRUE(Passes("Taro <t@Yamada.example.jp>", "s"));
    EXPECT_FALSE(Passes("Suzuki <s@example.jp>", "s"));
}

TEST_F(Rules, MissingOrEmptyRuleFileRejects) {
    m_folder.SetInt("RULE", "FROM", 1);
    EXPECT_FALSE(Passes("a@example.jp", "s"));
    m_folder.WriteList(kSenderRuleFile, {});
    EXPECT_FALSE(Passes("a@example.jp", "s"));
}

TEST_F(Rules, EmptyLinePassesEveryValueButBlanksAreKept) {
    m_folder.SetInt("RULE", "SUBJECT", 1);
    m_folder.WriteList(kSubjectRuleFile, {" report"});
    EXPECT_FALSE(Passes("a", "daily-report")) << "the leading blank is part of the line";
    EXPECT_TRUE(Passes("a", "daily report"));
    m_folder.WriteAppFile(kSubjectRuleFile, "x\r\n\r\ny");
    EXPECT_TRUE(Passes("a", ""));
    EXPECT_TRUE(Passes("a", "anything"));
}

TEST_F(Rules, BothRulesOnMustBothMatch) {
    m_folder.SetInt("RULE", "FROM", 1);
    m_folder.SetInt("RULE", "SUBJECT", 1);
    m_folder.WriteList(kSenderRuleFile, {"example.jp"});
    m_folder.WriteList(kSubjectRuleFile, {"urgent"});
    EXPECT_TRUE(Passes("a@example.jp", "URGENT: call"));
    EXPECT_FALSE(Passes("a@example.jp", "later"));
    EXPECT_FALSE(Passes("a@example.com", "urgent"));
    m_folder.SetInt("RULE", "FROM", 0);
    EXPECT_TRUE(Passes("a@example.com", "urgent"));
}

// Rule lines are code page 932 as the rule page stores them; the values are
// the decoder's UTF-8. In code page 932 a byte-wise search would find "@"
// (0x40) inside "ァ" (0x83 0x40), and "ヂ" (0x83 0x61) would upper-case into
// "ア" (0x83 0x41).
TEST_F(Rules, RuleLinesInCodePage932MatchWholeCharactersOfTheUnicodeValue) {
    m_folder.SetInt("RULE", "SUBJECT", 1);
    m_folder.WriteList(kSubjectRuleFile, {"@"});
    EXPECT_FALSE(Passes("a", "ァァ"));
    EXPECT_TRUE(Passes("a", "ァ@"));
    m_folder.WriteList(kSubjectRuleFile, {Utf8ToCp932("ヂ")});
    EXPECT_FALSE(Passes("x", "ア"));
    EXPECT_TRUE(Passes("x", "[ヂ]"));
    m_folder.WriteList(kSubjectRuleFile, {Utf8ToCp932("ご予約")});
    EXPECT_TRUE(Passes("x", "Café ☕ ご予約の確認 🎉"));
}

// Only ASCII letters ignore case: full-width letters and accents are kept.
TEST_F(Rules, OnlyAsciiLettersIgnoreCase) {
    m_folder.SetInt("RULE", "FROM", 1);
    m_folder.WriteList(kSenderRuleFile, {Utf8ToCp932("ｙａｍａｄａ")});
    EXPECT_TRUE(Passes("ｙａｍａｄａ <y@example.jp>", "s"));
    EXPECT_FALSE(Passes("ＹＡＭＡＤＡ <y@example.jp>", "s"));
    m_folder.WriteList(kSenderRuleFile, {"zoe"});
    EXPECT_TRUE(Passes("ZOE <z@example.jp>", "s"));
    EXPECT_FALSE(Passes("Zoë <z@example.jp>", "s"));
}

} // namespace
