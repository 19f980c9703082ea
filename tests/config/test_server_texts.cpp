// Server texts and addresses as the settings hold them: the forms the mail
// calls accept, and the account page's warnings about the others.
#include "config/CServerAddress.h"
#include "config/SettingCheck.h"

#include <gtest/gtest.h>

namespace {

TEST(ServerAddress, AcceptedFormsGiveUrlAndDefaultPorts) {
    CServerAddress address;
    ASSERT_TRUE(address.Parse("mail.example.jp", EMailProtocol::Pop3));
    EXPECT_EQ(address.Url(), "pop3://mail.example.jp:110/");
    ASSERT_TRUE(address.Parse("pop3s://mail.example.jp", EMailProtocol::Pop3));
    EXPECT_EQ(address.Url(), "pop3s://mail.example.jp:995/");
    EXPECT_TRUE(address.ImplicitTls());
    ASSERT_TRUE(address.Parse("SMTPS://mail.example.jp", EMailProtocol::Smtp));
    EXPECT_EQ(address.Port(), 465);
    ASSERT_TRUE(address.Parse("[::1]:2525", EMailProtocol::Smtp));
    EXPECT_EQ(address.Url(), "smtp://[::1]:2525/");
    // IMAP receives too: INBOX unless a folder follows the host, decoded.
    ASSERT_TRUE(address.Parse("imap://mail.example.jp", EMailProtocol::Pop3));
    EXPECT_EQ(address.Url(), "imap://mail.example.jp:143/");
    EXPECT_TRUE(address.IsImap());
    EXPECT_FALSE(address.ImplicitTls());
    EXPECT_EQ(address.Mailbox(), "INBOX");
    ASSERT_TRUE(
        address.Parse("IMAPS://mail.example.jp/Lists/%E4%BB%95%E4%BA%8B a/", EMailProtocol::Pop3));
    EXPECT_EQ(address.Url(), "imaps://mail.example.jp:993/");
    EXPECT_TRUE(address.ImplicitTls());
    EXPECT_EQ(address.Mailbox(), "Lists/仕事 a");
}

TEST(ServerAddress, UserAndPasswordStayOutOfTheUrl) {
    CServerAddress address;
    ASSERT_TRUE(address.Parse("smtp://me%40example.jp:p@ss:w%25rd@smtp.example.jp:587",
                              EMailProtocol::Smtp));
    EXPECT_EQ(address.User(), "me@example.jp");
    EXPECT_EQ(address.Password(), "p@ss:w%rd");
    EXPECT_EQ(address.Url(), "smtp://smtp.example.jp:587/");
    EXPECT_EQ(address.Display().find("p@ss"), std::string::npos);
}

TEST(ServerAddress, MalformedOrForeignTextsAreRefused) {
    CServerAddress address;
    for (const char* bad : {"", "   ", "smtp://host", "host:", "host:0", "host:65536", "host:25x",
                            "ho st", "host\r\nQUIT", "[::1", "@host", "host/path", "user:pw@",
                            "imap://host/a%0D%0Ab", "imaps://host:0/INBOX"})
        EXPECT_FALSE(address.Parse(bad, EMailProtocol::Pop3)) << bad;
    EXPECT_FALSE(address.Parse("smtp://a\nb:pw@host", EMailProtocol::Smtp));
    EXPECT_FALSE(address.Parse("imap://host", EMailProtocol::Smtp));
}

TEST(SettingCheck, ServerTextsAndAddressesAsTheAccountPageWarnsAboutThem) {
    using P = EServerTextProblem;
    EXPECT_EQ(CheckServerText("", EMailProtocol::Pop3), P::None);
    EXPECT_EQ(CheckServerText(" pop.example.jp:1110 ", EMailProtocol::Pop3), P::None);
    EXPECT_EQ(CheckServerText("smtps://u:p@smtp.example.jp:465/", EMailProtocol::Smtp), P::None);
    EXPECT_EQ(CheckServerText("pop.example.jp:99999", EMailProtocol::Pop3), P::PortOutOfRange);
    EXPECT_EQ(CheckServerText("pop3s://[::1]:0", EMailProtocol::Pop3), P::PortOutOfRange);
    EXPECT_EQ(CheckServerText("pop.example.jp:", EMailProtocol::Pop3), P::Unreadable);
    EXPECT_EQ(CheckServerText("bad host:110", EMailProtocol::Pop3), P::Unreadable);
    EXPECT_EQ(CheckServerText("smtp://smtp.example.jp", EMailProtocol::Pop3), P::Unreadable);
    EXPECT_EQ(CheckServerText("pop3://", EMailProtocol::Pop3), P::Unreadable);
    EXPECT_EQ(CheckServerText("imaps://imap.example.jp/Lists/2026", EMailProtocol::Pop3), P::None);
    EXPECT_EQ(CheckServerText("imap://imap.example.jp:99999/INBOX", EMailProtocol::Pop3),
              P::PortOutOfRange);

    EXPECT_TRUE(IsWellFormedMailAddress(" taro@example.jp "));
    EXPECT_TRUE(IsWellFormedMailAddress("me@[127.0.0.1]"));
    EXPECT_FALSE(IsWellFormedMailAddress("not an address"));
    EXPECT_FALSE(IsWellFormedMailAddress("taro@"));
    EXPECT_FALSE(IsWellFormedMailAddress("@example.jp"));
    EXPECT_FALSE(IsWellFormedMailAddress("taro@example..jp"));
    EXPECT_FALSE(IsWellFormedMailAddress("Taro <taro@example.jp>"));
}

} // namespace
