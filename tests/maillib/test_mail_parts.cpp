// The library's building blocks where a fault would be easy to miss through
// the library's calls: header words, charsets, file names and the error text.
#include "tests/maillib/MailTestSupport.h"

#include "engine/maillib/CAttachmentWriter.h"
#include "engine/maillib/CCharsetDecoder.h"
#include "engine/maillib/CErrorText.h"
#include "engine/maillib/CHeaderText.h"
#include "engine/maillib/CImapSession.h"
#include "engine/maillib/ImapText.h"
#include "platform/codepage.h"

#include <gtest/gtest.h>

TEST(HeaderText, EncodedWordsJoinAcrossSplitCharactersAndKeepPlainBlanks) {
    // "日本" split inside its first character over two words.
    std::string utf8 = "日本";
    EXPECT_EQ(CHeaderText::DecodeText("=?UTF-8?Q?=E6=97?= =?UTF-8?Q?=A5=E6=9C=AC?="), utf8);
    EXPECT_EQ(CHeaderText::DecodeText("Re: =?utf-8?q?a_b?= and =?UTF-8?B?5pel?= end"),
              "Re: a b and 日 end");
    EXPECT_EQ(CHeaderText::DecodeText("=?ISO-8859-1?Q?Caf=E9?=\r\n =?UTF-8?B?5pel?="), "Café日");
    EXPECT_EQ(CHeaderText::DecodeText("=?bogus?X?abc?= plain"), "=?bogus?X?abc?= plain");
}

TEST(HeaderText, HostileValueFullOfWordStartsIsReadWhole) {
    // Every "=?" looks like the start of a word that never ends; a scan to
    // the end from each of them would take hours on this value.
    std::string hostile;
    while (hostile.size() < 2'000'000)
        hostile += "=?a?b?a";
    EXPECT_EQ(CHeaderText::DecodeText(hostile), hostile);
}

TEST(HeaderText, RawJisAndShiftJisInHeadersAreRead) {
    EXPECT_EQ(CHeaderText::DecodeText("\x1b$B2V;R\x1b(B-san"), "花子-san");
    EXPECT_EQ(CHeaderText::DecodeText(Utf8ToCp932("経理部")), "経理部");
}

// Windows mailers write ISO-2022-JP with the rows of code page 932 that
// JIS X 0208 lacks: ① and ㈱ (NEC row 13) and 髙 and 﨑 (NEC-selected IBM
// rows 89 to 92), which glibc refuses and EUC-JP-MS makes private-use.
TEST(CharsetDecoder, Iso2022JpIsReadAsTheSupersetWindowsMailersWrite) {
    EXPECT_EQ(CCharsetDecoder::ToUtf8("\x1b$B-!-j\x1b(B", "iso-2022-jp"), "①㈱");
    EXPECT_EQ(CCharsetDecoder::ToUtf8("\x1b$B|b66\x1b(B \x1b$Byu\x1b(B", "ISO-2022-JP"), "髙橋 﨑");
    EXPECT_EQ(CCharsetDecoder::ToUtf8("\x1b$B2V\x1b(B", "ISO-2022-JP"), "花");
    EXPECT_EQ(CCharsetDecoder::ToUtf8("\x1b(I1\x1b(B\x0e"
                                      "2\x0f",
                                      "iso-2022-jp"),
              "ｱｲ");
    // JIS X 0212 (丂 is 0x3021 there) still goes through its own table.
    EXPECT_EQ(CCharsetDecoder::ToUtf8("a\x1b$(D0!\x1b(Bb", "iso-2022-jp"), "a丂b");
}

TEST(CharsetDecoder, JapaneseLabelsMeanTheirWindowsSupersets) {
    EXPECT_EQ(CCharsetDecoder::ToUtf8(Utf8ToCp932("①～髙"), "Shift_JIS"), "①～髙");
    EXPECT_EQ(CCharsetDecoder::ToUtf8("\xad\xa1", "EUC-JP"), "①");
    EXPECT_EQ(CCharsetDecoder::ToUtf8("\x80 \xe9", "iso-8859-1"), "€ é");
}

TEST(CharsetDecoder, UnknownOrBrokenTextIsNeverLost) {
    EXPECT_EQ(CCharsetDecoder::ToUtf8("abc\xff"
                                      "def",
                                      "utf-8"),
              "abc?def");
    EXPECT_EQ(CCharsetDecoder::ToUtf8("plain", "x-no-such-charset"), "plain");
    EXPECT_EQ(CCharsetDecoder::ToUtf8(Utf8ToCp932("日本"), ""), "日本");
}

// Found by fuzzing: old six-byte forms passed as UTF-8.
TEST(CharsetDecoder, TextLabelledUtf8ComesOutValidWhateverItHolds) {
    std::string text = CCharsetDecoder::ToUtf8("a\xfc\xad\x91\x87\xb3\xa7"
                                               "b\xae"
                                               "c",
                                               "utf-8");
    EXPECT_TRUE(IsValidUtf8(text)) << text;
    EXPECT_EQ(text.front(), 'a');
    EXPECT_EQ(text.back(), 'c');
}

// Found by fuzzing: a charset name with junk inside that iconv still opens
// as UTF-8.
TEST(CharsetDecoder, TextInAnyCharsetComesOutValid) {
    for (std::string_view charset :
         {std::string_view("utf-\xfe\xff\xff\xf6"
                           "8"),
          std::string_view("x-unknown-charset"), std::string_view("utf-16le")}) {
        std::string text =
            CCharsetDecoder::ToUtf8("\x93\xfa\x96\x8b\x8b\x9b\xfc 8m\x8ep;", charset);
        EXPECT_TRUE(IsValidUtf8(text)) << charset;
    }
}

TEST(AttachmentName, ReducedToASafeBaseName) {
    EXPECT_EQ(CAttachmentWriter::SafeBaseName("../../evil.sh"), "evil.sh");
    EXPECT_EQ(CAttachmentWriter::SafeBaseName("C:\\Users\\x\\..\\run.bat"), "run.bat");
    EXPECT_EQ(CAttachmentWriter::SafeBaseName(".."), "attachment");
    EXPECT_EQ(CAttachmentWriter::SafeBaseName("/etc/"), "attachment");
    EXPECT_EQ(CAttachmentWriter::SafeBaseName(".bashrc"), "bashrc");
    EXPECT_EQ(CAttachmentWriter::SafeBaseName("a\nb\x01"
                                              "c\u202Etxt.exe"),
              "abctxt.exe");
    EXPECT_EQ(CAttachmentWriter::SafeBaseName("報告書 ☕.pdf"), "報告書 ☕.pdf");
}

TEST(AttachmentName, LongNamesKeepTheirExtensionAndWholeCharacters) {
    std::string longName;
    for (int i = 0; i < 100; ++i)
        longName += "長";
    std::string name = CAttachmentWriter::SafeBaseName(longName + ".xlsx");
    EXPECT_LE(name.size(), 120u);
    EXPECT_EQ(name.substr(name.size() - 5), ".xlsx");
    std::string stem = name.substr(0, name.size() - 5);
    EXPECT_TRUE(IsValidUtf8(stem)) << "a character cut in half";
    EXPECT_EQ(stem.find("長"), 0u);
}

TEST(ErrorText, CutAtACharacterBoundaryAndFlattenedWithThePasswordMasked) {
    std::string message = "x";
    for (int i = 0; i < 100; ++i)
        message += "あ"; // 3 bytes each: the limit falls inside one
    std::string text = CErrorText::Render(message);
    EXPECT_EQ(text.size(), 1u + (CErrorText::kMaxBytes - 1) / 3 * 3);
    EXPECT_TRUE(IsValidUtf8(text));
    EXPECT_EQ(CErrorText::Render("-ERR bad\r\npassword Secret-1 echoed", "Secret-1"),
              "-ERR bad  password *** echoed");
}

TEST(ImapText, FolderNamesInModifiedUtf7QuotedAndInUrls) {
    EXPECT_EQ(EncodeImapMailboxName("~peter/mail/台北/日本語"), "~peter/mail/&U,BTFw-/&ZeVnLIqe-");
    EXPECT_EQ(EncodeImapMailboxName("A&B"), "A&-B");
    EXPECT_EQ(EncodeImapMailboxName("😀x"), "&2D3eAA-x"); // a surrogate pair
    EXPECT_EQ(EncodeImapMailboxName("\xC3\x83"), "&AMM-");
    for (const char* bad : {"\xC3", "\xC0\xAF", "\xED\xA0\x80", "a\xFF"})
        EXPECT_EQ(EncodeImapMailboxName(bad), "") << bad;
    EXPECT_EQ(QuoteImapString("a\"b\\c"), "\"a\\\"b\\\\c\"");
    EXPECT_EQ(EncodeUrlPath("Lists/A&-B;UID=1 %"), "Lists/A%26-B%3BUID%3D1%20%25");
}

// Replies a server may phrase its own way, or a hostile one may fill.
TEST(ImapText, StatusAndListingRepliesAreReadByTheirWords) {
    CImapStatus status =
        ParseImapStatus("* STATUS \"UIDNEXT 9 (x\" (MESSAGES 3 UIDNEXT 40 UIDVALIDITY 7)\r\n");
    EXPECT_EQ(status, (CImapStatus{7, 40, 3}));
    status = ParseImapStatus("* FLAGS (\\Seen)\r\n* 12 EXISTS\r\n* 0 RECENT\r\n"
                             "* OK [UIDVALIDITY 99] UIDs valid\r\n* OK [UIDNEXT 13] next\r\n");
    EXPECT_EQ(status, (CImapStatus{99, 13, 12}));
    EXPECT_FALSE(ParseImapStatus("* OK [UIDNEXTX 5]\r\n").IsComplete());

    std::vector<CImapEntry> entries = ParseImapFetchListing(
        "* 2 FETCH (RFC822.SIZE 20 UID 8)\r\n* 1 FETCH (UID 5)\r\n* 1 FETCH (RFC822.SIZE 10)\r\n"
        "* 3 FETCH (FLAGS (\\Seen))\r\n* 4 FETCH (UID 8 RFC822.SIZE 30)\r\n* 5 FETCH (UID x)\r\n"
        "* 6 EXISTS\r\nA005 OK done");
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries[0].nUid, 5u);
    EXPECT_EQ(entries[0].nSize, 10);
    EXPECT_EQ(entries[1].nUid, 8u);
}
