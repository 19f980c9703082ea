// Logging in to the real Dovecot and SMTP server with OAuth2 access tokens:
// both SASL mechanisms, tokens of the length real providers issue, TLS
// always, and a refused token told apart from every other failure without
// ever showing it.
#include "tests/maillib/MailTestSupport.h"

#include <gtest/gtest.h>

namespace {

using TokenLoginTest = MailServerTest;

COutgoingMail MailTo(const std::string& subject) {
    return {"sender@example.com", "rcpt@example.com", subject, "body", {}};
}

std::string SmtpServer(int port) {
    return "127.0.0.1:" + std::to_string(port);
}

} // namespace

// Dovecot offers XOAUTH2 and OAUTHBEARER; libcurl takes OAUTHBEARER and
// sends a long token on a line of its own (POP3) or inline (IMAP).
TEST_F(TokenLoginTest, MailboxArrivesWithAnAccessTokenEvenALongOne) {
    for (int length : {48, 3000}) {
        std::string user = NewUser();
        Servers().AddMessage(user, SimpleMessage("by token"));
        COAuthTokens tokens =
            SignIn(NewOAuthClient("token_length=" + std::to_string(length)), user);
        ASSERT_EQ(tokens.strAccessToken.size(), static_cast<size_t>(length));
        for (const std::string& server : {Servers().Pop3Server(), Servers().ImapServer()}) {
            CPop3Account account{server, user, "", tokens.strAccessToken};
            std::vector<CReceivedMessage> received;
            CMailError error;
            ASSERT_TRUE(ReceiveMailbox(account, TempDir(), received, error)) << error.strText;
            ASSERT_EQ(received.size(), 1u);
            EXPECT_EQ(ReadBytes(received[0].strPath), SimpleMessage("by token"));
        }
    }
}

TEST_F(TokenLoginTest, MailIsSentWithEitherMechanismOverTls) {
    std::string user = NewUser();
    COAuthTokens tokens = SignIn(NewOAuthClient("token_length=3000"), user);
    CTokenLogin login{user, tokens.strAccessToken};
    CMailError error;
    ASSERT_TRUE(SendMail(SmtpServer(Servers().SmtpPort()), login, MailTo("bearer"), error))
        << error.strText;
    ASSERT_TRUE(SendMail(SmtpServer(Servers().SmtpXoauth2Port()), login, MailTo("xoauth2"), error))
        << error.strText;
    std::vector<CReceivedMail> mails = ReceivedMails();
    ASSERT_EQ(mails.size(), 2u);
    EXPECT_EQ(mails[0].strAuthMechanism, "OAUTHBEARER");
    EXPECT_EQ(mails[1].strAuthMechanism, "XOAUTH2");
    for (const CReceivedMail& mail : mails) {
        EXPECT_EQ(mail.strAuthUser, user);
        EXPECT_TRUE(mail.bTls);
    }
}

// A refused token is the one failure the caller answers by refreshing;
// the token itself never appears in the text.
TEST_F(TokenLoginTest, RefusedTokenIsToldApartAndNeverShown) {
    std::string user = NewUser();
    COAuthProvider provider = NewOAuthClient();
    COAuthTokens tokens = SignIn(provider, user);
    Servers().OAuthControl("/control/expire", "client_id=" + provider.strClientId);
    const std::string& token = tokens.strAccessToken;

    std::vector<CReceivedMessage> received;
    CMailError error;
    for (const std::string& server : {Servers().Pop3Server(), Servers().ImapServer()}) {
        EXPECT_FALSE(ReceiveMailbox({server, user, "", token}, TempDir(), received, error));
        EXPECT_TRUE(error.bTokenRefused) << error.strText;
    }
    for (int port : {Servers().SmtpPort(), Servers().SmtpXoauth2Port()}) {
        EXPECT_FALSE(SendMail(SmtpServer(port), CTokenLogin{user, token}, MailTo("x"), error));
        EXPECT_TRUE(error.bTokenRefused) << port << ": " << error.strText;
        EXPECT_EQ(CheckedErrorText(error.strText).find(token), std::string::npos);
    }

    // A server that cannot check tokens just now, a wrong password, or a
    // token the server could not be sent because the connection stays plain,
    // is no refused token.
    COAuthTokens fresh = SignIn(provider, user);
    for (const std::string& server : {Servers().Pop3Server(), Servers().ImapServer()}) {
        Servers().OAuthControl("/control/introspection", "fail=1");
        EXPECT_FALSE(
            ReceiveMailbox({server, user, "", fresh.strAccessToken}, TempDir(), received, error));
        EXPECT_FALSE(error.bTokenRefused) << error.strText;
    }
    Servers().OAuthControl("/control/introspection", "fail=0");
    EXPECT_FALSE(
        ReceiveMailbox({Servers().Pop3Server(), user, "wrong"}, TempDir(), received, error));
    EXPECT_FALSE(error.bTokenRefused);
    EXPECT_FALSE(SendMail(SmtpServer(Servers().SmtpPlainPort()), CTokenLogin{user, token},
                          MailTo("plain"), error));
    EXPECT_FALSE(error.bTokenRefused);
    EXPECT_EQ(error.strText, "トークンでのログインにはTLS接続が必要です");
    EXPECT_TRUE(ReceivedMails().empty());
}
