#include "platform/codepage.h"

#include <gtest/gtest.h>

namespace {

// Code page 932 bytes of a few characters used below.
const std::string kKatakanaSmallA = "\x83\x40"; // ァ: trail byte is '@'
const std::string kKatakanaA = "\x83\x41";      // ア: trail byte is 'A'
const std::string kKatakanaTa = "\x83\x5e";     // タ
const std::string kKatakanaMu = "\x83\x80";     // ム
const std::string kLatinSmallA = "\x83\x61";    // trail byte looks like 'a'
const std::string kIdeographicSpace = "\x81\x40";

TEST(Codepage, UpperCasesLatinLettersButNotTrailBytes) {
    EXPECT_EQ(MbsUpper("abc xyz 09"), "ABC XYZ 09");
    EXPECT_EQ(MbsUpper(kLatinSmallA + "a"), kLatinSmallA + "A");
    EXPECT_EQ(MbsUpper("\x82\x81"), "\x82\x81"); // full-width letters are kept
}

TEST(Codepage, CompareIgnoresLatinCaseOnly) {
    EXPECT_EQ(MbsICmp("Taro@Example.JP", "taro@example.jp"), 0);
    EXPECT_NE(MbsICmp(kLatinSmallA, "\x83\x41"), 0);
    EXPECT_LT(MbsICmp("abc", "abd"), 0);
    EXPECT_GT(MbsICmp("abcd", "ABC"), 0);
    EXPECT_LT(MbsICmp("a", "\x83\x40"), 0); // bytes compare unsigned
}

TEST(Codepage, FindMatchesOnlyOnCharacterBoundaries) {
    EXPECT_EQ(MbsFind(kKatakanaSmallA, "@"), std::string::npos);
    EXPECT_EQ(MbsFind("x" + kKatakanaSmallA + "@", "@"), 3u);
    EXPECT_EQ(MbsFind(kKatakanaA, "A"), std::string::npos);
    // A needle that ends inside a double-byte character does not match.
    EXPECT_EQ(MbsFind(kKatakanaA + kKatakanaA, "\x41\x83"), std::string::npos);
    EXPECT_EQ(MbsFind("abc" + kKatakanaTa + kKatakanaMu, kKatakanaMu), 5u);
    EXPECT_EQ(MbsFind("abc", ""), 0u);
    EXPECT_EQ(MbsFind("", "a"), std::string::npos);
}

TEST(Codepage, TrimRemovesSingleByteWhiteOnly) {
    EXPECT_EQ(TrimWhite(" \t\r\n\v\ftext \r\n"), "text");
    EXPECT_EQ(TrimWhite("  inner  space  "), "inner  space");
    EXPECT_EQ(TrimWhite(kIdeographicSpace + "x" + kIdeographicSpace),
              kIdeographicSpace + "x" + kIdeographicSpace);
    EXPECT_EQ(TrimWhite(" \r\n "), "");
}

TEST(Codepage, TruncateNeverSplitsACharacter) {
    std::string text = "ab" + kKatakanaA + kKatakanaA;
    EXPECT_EQ(MbsTruncate(text, 3), "ab");
    EXPECT_EQ(MbsTruncate(text, 4), "ab" + kKatakanaA);
    EXPECT_EQ(MbsTruncate(text, 100), text);
    EXPECT_EQ(MbsTruncate(text, 0), "");
}

// The forms a decoder must refuse, each beside the nearest valid one.
TEST(Codepage, Utf8CheckRefusesEveryMalformedForm) {
    using namespace std::string_literals;
    for (const std::string& valid : {"plain"s, "a\0b"s, "\xC2\x80"s, "日本"s, "\xED\x9F\xBF"s,
                                     "\xEE\x80\x80"s, "\xF0\x90\x80\x80"s, "\xF4\x8F\xBF\xBF"s})
        EXPECT_TRUE(IsValidUtf8(valid)) << valid;
    for (const std::string& malformed :
         {"\xC0\x80"s, "\xC1\xBF"s, "\xE0\x9F\xBF"s, "\xED\xA0\x80"s, "\xF0\x8F\xBF\xBF"s,
          "\xF4\x90\x80\x80"s, "\xF5\x80\x80\x80"s, "\x80"s, "\xE6\x97"s,
          "a\xE6\x97"
          "a"s,
          "\xFF"s})
        EXPECT_FALSE(IsValidUtf8(malformed)) << malformed.size();
}

TEST(Codepage, JapaneseRoundTripsExactly) {
    const std::string utf8 = "クイベンより転送 ～①髙㈱ⅰ";
    std::string cp932 = Utf8ToCp932(utf8);
    EXPECT_EQ(cp932.substr(0, 16),
              "\x83\x4e\x83\x43\x83\x78\x83\x93\x82\xe6\x82\xe8\x93\x5d\x91\x97");
    EXPECT_NE(cp932.find("\x81\x60"), std::string::npos); // ～
    EXPECT_NE(cp932.find("\x87\x40"), std::string::npos); // ①
    EXPECT_NE(cp932.find("\xfb\xfc"), std::string::npos); // 髙
    EXPECT_EQ(Cp932ToUtf8(cp932), utf8);
}

TEST(Codepage, JisVariantsEncodeAsTheirMicrosoftTwins) {
    EXPECT_EQ(Utf8ToCp932("\u301C"), "\x81\x60"); // wave dash
    EXPECT_EQ(Utf8ToCp932("\u2212"), "\x81\x7c"); // minus sign
    EXPECT_EQ(Utf8ToCp932("\u2014"), "\x81\x5c"); // em dash
}

TEST(Codepage, UnconvertibleCharactersAreReplacedOneForOne) {
    EXPECT_EQ(Utf8ToCp932("a😀b"), "a?b");
    EXPECT_EQ(Utf8ToCp932("caf\xc3\xa9!"), "caf?!");
    EXPECT_EQ(Utf8ToCp932("bad\xff\xfeutf8"), "bad??utf8");
    EXPECT_EQ(Utf8ToCp932("cut\xe3\x81"), "cut??");
    // An undefined lead/trail pair, and a lead byte before a line break.
    EXPECT_EQ(Cp932ToUtf8("x\x85\x40y"), "x\uFFFDy");
    EXPECT_EQ(Cp932ToUtf8("x\x83\ny"), "x\uFFFD\ny");
    EXPECT_EQ(Cp932ToUtf8("end\x83"), "end\uFFFD");
}

TEST(Codepage, LongTextConvertsWhole) {
    std::string utf8;
    for (int i = 0; i < 5000; ++i)
        utf8 += "転送テキスト";
    std::string cp932 = Utf8ToCp932(utf8);
    EXPECT_EQ(cp932.size(), 5000u * 12);
    EXPECT_EQ(Cp932ToUtf8(cp932), utf8);
}

} // namespace
