// The decoder on message shapes seen in real mail: Japanese Windows mailers,
// folded and split encoded words, RFC 2231 names, hostile names, HTML-only
// newsletters, broken and truncated messages.
#include "tests/maillib/MailTestSupport.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

std::string PrivateFolder(const std::string& tempDir) {
    return tempDir + "/quiben-" + std::to_string(geteuid());
}

bool IsInside(const std::string& path, const std::string& folder) {
    auto canonical = std::filesystem::weakly_canonical(path).string();
    return canonical.rfind(std::filesystem::canonical(folder).string() + "/", 0) == 0;
}

std::string BaseName(const std::string& path) {
    return path.substr(path.rfind('/') + 1);
}

const std::string kHead = "From: a@example.jp\r\nSubject: s\r\nMIME-Version: 1.0\r\n";

// A message written into the folder and decoded.
CDecodedMail DecodeText(const CTempFolder& temp, const std::string& content) {
    std::string path = temp.File("message-" + std::to_string(content.size()) + ".eml");
    std::ofstream(path, std::ios::binary) << content;
    return DecodeMail(path, temp.Path());
}

} // namespace

// Soft breaks fall inside characters in Japanese UTF-8 mail; blanks that a
// transport added after the '=' must not hide the break.
TEST(MimeDecoder, QuotedPrintableSoftBreaksInsideCharactersKeepEveryByte) {
    CTempFolder temp;
    CDecodedMail mail = DecodeText(
        temp, kHead + "Content-Type: text/plain; charset=UTF-8\r\n"
                      "Content-Transfer-Encoding: quoted-printable\r\n\r\n"
                      "=E3=81=82=E3=\r\n=81=84=E3=81=  \t\r\n=86 end=\r\n=F0=9F=8E=89\r\n");
    EXPECT_EQ(mail.strBody, "あいう end🎉\r\n");
}

// Some mailers name the text part too ("inline; filename=..."); with no
// other text it is the body, not an attachment and not an empty body.
TEST(MimeDecoder, NamedInlineTextIsTheBodyWhenTheMailHasNoOtherText) {
    CTempFolder temp;
    CDecodedMail mail = DecodeText(
        temp, kHead + "Content-Type: multipart/mixed; boundary=b\r\n\r\n--b\r\n"
                      "Content-Type: text/plain; charset=UTF-8; name=msg.txt\r\n"
                      "Content-Disposition: inline; filename=msg.txt\r\n\r\nthe text ☕\r\n--b\r\n"
                      "Content-Type: image/png; name=a.png\r\nContent-Disposition: inline; "
                      "filename=a.png\r\n\r\nPNG\r\n--b--\r\n");
    EXPECT_EQ(mail.strBody, "the text ☕");
    ASSERT_EQ(mail.files.size(), 1u);
    EXPECT_EQ(BaseName(mail.files[0]), "a.png");
}

TEST(MimeDecoder, TextWithoutSubtypeIsPlainTextInItsCharset) {
    CTempFolder temp;
    CDecodedMail mail = DecodeText(
        temp, kHead + "Content-Type: text; charset=iso-2022-jp\r\n\r\n\x1b$B2V\x1b(B\r\n");
    EXPECT_EQ(mail.strBody, "花\r\n");
    EXPECT_TRUE(mail.files.empty());
}

// 髙 and 﨑 come from the NEC-selected IBM rows that Windows mailers write.
TEST(MimeDecoder, Iso2022JpNamesWithIbmCharactersDecode) {
    CTempFolder temp;
    CDecodedMail mail = DecodeText(
        temp, "From: =?ISO-2022-JP?B?GyRCfGI2NhsoQg==?= <t@example.jp>\r\nSubject: x\r\n"
              "MIME-Version: 1.0\r\nContent-Type: text/plain; charset=ISO-2022-JP\r\n\r\n"
              "\x1b$Byu-!\x1b(B\r\n");
    EXPECT_EQ(mail.strFrom, "髙橋 <t@example.jp>");
    EXPECT_EQ(mail.strBody, "﨑①\r\n");
}

// A header field is written into lines of its own (the forward text, the
// settings file): an encoded line break must not start a new one there.
TEST(MimeDecoder, HeaderFieldsCarryNoControlCharacters) {
    CTempFolder temp;
    CDecodedMail mail =
        DecodeText(temp, "From: =?UTF-8?B?DQpGcm9tOmZvcmdlZA==?= <x@example.jp>\r\n"
                         "Subject: =?UTF-8?B?YQliAGPChWQNCmU=?=\r\nDate: =?UTF-8?Q?Mon=0D=0A?=\r\n"
                         "Message-ID: <id\x01\x7f@example.jp>\r\n\r\nbody\r\n");
    for (const std::string& field :
         {mail.strFrom, mail.strSubject, mail.strDate, mail.strMessageId})
        for (unsigned char c : field)
            EXPECT_TRUE(c >= 0x20 && c != 0x7F) << field;
    EXPECT_EQ(mail.strSubject, "a b c de");
    EXPECT_NE(mail.strFrom.find("From:forged"), std::string::npos);
    EXPECT_EQ(mail.strDate, "Mon");
}

TEST(MimeDecoder, JapaneseIso2022JpWithNecCharactersDecodes) {
    CTempFolder temp;
    CDecodedMail mail = DecodeMail(SamplePath("iso2022jp.eml"), temp.Path());
    EXPECT_TRUE(mail.bDecoded);
    EXPECT_EQ(mail.strFrom, "山田 太郎 <taro@example.jp>");
    EXPECT_EQ(mail.strSubject, "【重要】①会議の件について㈱山田");
    EXPECT_EQ(mail.strDate, "Mon, 2 Dec 2024 09:15:00 +0900");
    EXPECT_EQ(mail.strMessageId, "20241202091500.1234@example.jp");
    EXPECT_EQ(mail.strBody,
              "花子さん\r\n\r\n明日の会議は①番会議室で行います。\r\n～よろしくお願いします～\r\n");
    EXPECT_TRUE(mail.files.empty());
}

TEST(MimeDecoder, FoldedEncodedDisplayNameAndCharacterSplitAcrossWords) {
    CTempFolder temp;
    CDecodedMail mail = DecodeMail(SamplePath("folded_from.eml"), temp.Path());
    EXPECT_EQ(mail.strFrom, "佐藤 花子 <hanako.sato@example.co.jp>");
    EXPECT_EQ(mail.strSubject, "週報：開発チーム");
    EXPECT_EQ(mail.strBody, "今週の報告です。\r\n以上。\r\n");
}

TEST(MimeDecoder, RawShiftJisHeadersAndBodyAreReadAsCodePage932) {
    CTempFolder temp;
    CDecodedMail mail = DecodeMail(SamplePath("raw_sjis.eml"), temp.Path());
    EXPECT_EQ(mail.strFrom, "経理部 <keiri@example.jp>");
    EXPECT_EQ(mail.strSubject, "①請求書～送付");
    EXPECT_EQ(mail.strBody, "請求書を送付します①\r\n");
}

TEST(MimeDecoder, MultipartMixedWritesAttachmentsUnderSafeUniqueNames) {
    CTempFolder temp;
    CDecodedMail mail = DecodeMail(SamplePath("mixed_rfc2231.eml"), temp.Path());
    EXPECT_EQ(mail.strFrom, "Report Bot <bot@example.com>");
    EXPECT_EQ(mail.strBody.rfind("Please find the report attached.", 0), 0u);
    ASSERT_EQ(mail.files.size(), 4u);
    // RFC 2231 continuation with a UTF-8 name.
    EXPECT_EQ(BaseName(mail.files[0]), "報告書.pdf");
    std::string pdf = ReadBytes(mail.files[0]);
    EXPECT_EQ(pdf.rfind("%PDF-1.4\n", 0), 0u);
    EXPECT_EQ(pdf.size(), 9u + 256u + 7u);
    // "../../evil.sh" lands inside the private folder under its base name.
    EXPECT_EQ(BaseName(mail.files[1]), "evil.sh");
    EXPECT_TRUE(IsInside(mail.files[1], PrivateFolder(temp.Path())));
    EXPECT_FALSE(std::filesystem::exists(temp.Path() + "/evil.sh"));
    EXPECT_EQ(ReadBytes(mail.files[1]).rfind("#!/bin/sh", 0), 0u);
    // Two attachments of the same name both survive.
    EXPECT_EQ(BaseName(mail.files[2]), "notes.txt");
    EXPECT_EQ(BaseName(mail.files[3]), "notes_2.txt");
    EXPECT_EQ(ReadBytes(mail.files[2]), "first notes");
    EXPECT_EQ(ReadBytes(mail.files[3]), "second notes");
    for (const std::string& file : mail.files) {
        struct stat info {};
        ASSERT_EQ(stat(file.c_str(), &info), 0);
        EXPECT_EQ(info.st_mode & 077, 0u) << file;
    }
}

TEST(MimeDecoder, DecodingTwiceKeepsTheNamesInSeparateFolders) {
    CTempFolder temp;
    CDecodedMail first = DecodeMail(SamplePath("mixed_rfc2231.eml"), temp.Path());
    CDecodedMail second = DecodeMail(SamplePath("mixed_rfc2231.eml"), temp.Path());
    ASSERT_EQ(first.files.size(), 4u);
    ASSERT_EQ(second.files.size(), 4u);
    EXPECT_NE(first.files[0], second.files[0]);
    EXPECT_EQ(BaseName(second.files[0]), "報告書.pdf");
    EXPECT_TRUE(std::filesystem::exists(first.files[0]));
}

TEST(MimeDecoder, HtmlOnlyMailBecomesPlainText) {
    CTempFolder temp;
    CDecodedMail mail = DecodeMail(SamplePath("html_only.eml"), temp.Path());
    EXPECT_EQ(mail.strSubject, "セールのお知らせ");
    EXPECT_EQ(mail.strBody,
              "セール&イベントのお知らせ\r\n\r\n期間：12/1 ～ 12/31\r\n価格 <1,000円> ① ②");
    EXPECT_TRUE(mail.files.empty());
}

TEST(MimeDecoder, AlternativeTakesThePlainPartAndQuotedNamesStay) {
    CTempFolder temp;
    CDecodedMail mail = DecodeMail(SamplePath("alternative.eml"), temp.Path());
    EXPECT_EQ(mail.strFrom, "\"Suzuki, Ichiro\" <ichiro@example.jp>");
    EXPECT_EQ(mail.strBody, "Lunch at noon?");
    EXPECT_TRUE(mail.files.empty());
}

TEST(MimeDecoder, MessageWithoutBodyHasEmptyBody) {
    CTempFolder temp;
    CDecodedMail mail = DecodeMail(SamplePath("no_body.eml"), temp.Path());
    EXPECT_TRUE(mail.bDecoded);
    EXPECT_EQ(mail.strSubject, "empty");
    EXPECT_EQ(mail.strMessageId, "empty@example.com");
    EXPECT_EQ(mail.strBody, "");
}

TEST(MimeDecoder, TruncatedMessageKeepsWhatArrived) {
    CTempFolder temp;
    CDecodedMail mail = DecodeMail(SamplePath("truncated.eml"), temp.Path());
    EXPECT_TRUE(mail.bDecoded);
    EXPECT_EQ(mail.strSubject, "Monthly report");
    EXPECT_EQ(mail.strBody.rfind("Please find the report attached.", 0), 0u);
    for (const std::string& file : mail.files)
        EXPECT_TRUE(IsInside(file, PrivateFolder(temp.Path())));
}

TEST(MimeDecoder, MissingFileFailsWithErrorText) {
    CTempFolder temp;
    CDecodedMail mail = DecodeMail(temp.File("does-not-exist.eml"), temp.Path());
    EXPECT_FALSE(mail.bDecoded);
    CheckedErrorText(mail.strError);
}

TEST(PrivateFolder, LinkPlantedAtItsNameIsRefused) {
    CTempFolder temp;
    CTempFolder elsewhere;
    std::filesystem::create_directory_symlink(elsewhere.Path(), PrivateFolder(temp.Path()));
    CDecodedMail mail = DecodeMail(SamplePath("mixed_rfc2231.eml"), temp.Path());
    EXPECT_FALSE(mail.bDecoded);
    CheckedErrorText(mail.strError);
    EXPECT_TRUE(std::filesystem::is_empty(elsewhere.Path()));
}

TEST(PrivateFolder, OpenModeIsTightenedAndForeignOwnerRefused) {
    CTempFolder temp;
    std::string folder = PrivateFolder(temp.Path());
    ASSERT_EQ(mkdir(folder.c_str(), 0777), 0);
    chmod(folder.c_str(), 0777);
    EXPECT_TRUE(DecodeMail(SamplePath("alternative.eml"), temp.Path()).bDecoded);
    struct stat info {};
    ASSERT_EQ(stat(folder.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0700u);

    if (geteuid() != 0)
        GTEST_SKIP() << "giving the folder to another user needs root";
    ASSERT_EQ(chown(folder.c_str(), 65534, 65534), 0);
    CDecodedMail mail = DecodeMail(SamplePath("mixed_rfc2231.eml"), temp.Path());
    EXPECT_FALSE(mail.bDecoded);
    CheckedErrorText(mail.strError);
}
