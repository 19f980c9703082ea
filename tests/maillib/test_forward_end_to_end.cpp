// Whole cycles of the forwarding engine against the real servers: Dovecot's
// mailbox in, what aiosmtpd receives out, the error log in between.
#include "tests/maillib/MailTestSupport.h"

#include "config/CAccountSecrets.h"
#include "config/CSettingsStore.h"
#include "config/listfile.h"
#include "config/schema.h"
#include "engine/CForwardEngine.h"
#include "engine/CTokenKeeper.h"
#include "engine/maillib/CGObjectPtr.h"
#include "platform/codepage.h"
#include "platform/profile.h"
#include "tests/common/CTestKeyring.h"

#include <cstring>
#include <filesystem>
#include <fstream>
#include <gmime/gmime.h>
#include <gtest/gtest.h>
#include <optional>
#include <sstream>
#include <thread>

// Qt after GMime: its "signals" keyword would break GIO's headers.
#include <QProcess>
#include <QRegularExpression>

namespace {

const std::string kOwnAddress = "quiben@example.jp";

std::string ForwardText(const std::string& subject, const std::string& from,
                        const std::string& date, const std::string& body) {
    return "Title:" + subject + "\r\nFrom:" + from + "\r\nDate:" + date + "\r\nBody:" + body +
           "\r\n";
}

std::string BaseName(const std::string& path) {
    return path.substr(path.rfind('/') + 1);
}

std::string EncodedWord(const std::string& utf8) {
    CGCharPtr base64(g_base64_encode(reinterpret_cast<const guchar*>(utf8.data()), utf8.size()));
    return "=?UTF-8?B?" + std::string(base64.get()) + "?=";
}

// Quoted-printable with a soft break wherever a line reaches 60 characters,
// so breaks fall inside multi-byte characters too.
std::string QuotedPrintable(const std::string& text) {
    std::string out;
    size_t column = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        unsigned char c = static_cast<unsigned char>(text[i]);
        if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
            out += "\r\n";
            column = 0;
            ++i;
            continue;
        }
        char token[4] = {static_cast<char>(c), 0};
        if (c >= 0x80 || c == '=')
            std::snprintf(token, sizeof token, "=%02X", c);
        if (column + std::strlen(token) > 60) {
            out += "=\r\n";
            column = 0;
        }
        out += token;
        column += std::strlen(token);
    }
    return out + "\r\n";
}

// A mail as a phone or webmail of today writes it: UTF-8 encoded words in
// the header, a quoted-printable UTF-8 body.
std::string ModernMessage(const std::string& subject, const std::string& name,
                          const std::string& body, const std::string& id) {
    return "From: " + EncodedWord(name) +
           " <zoe@example.jp>\r\nTo: me@example.jp\r\nSubject: " + EncodedWord(subject) +
           "\r\nDate: Sat, 7 Dec 2024 10:00:00 +0900\r\nMessage-ID: <" + id +
           "@example.jp>\r\nMIME-Version: 1.0\r\nContent-Type: text/plain; charset=UTF-8\r\n"
           "Content-Transfer-Encoding: quoted-printable\r\n\r\n" +
           QuotedPrintable(body);
}

} // namespace

class ForwardEndToEndTest : public MailServerTest {
protected:
    void SetUp() override {
        MailServerTest::SetUp();
        m_strUser = NewUser();
        // Attachments and any size pass unless a test says otherwise.
        Set("RULE", "TEMP", "0");
        Set("RULE", "SIZE", "0");
        WriteAccountSettings(m_app.File(schema::kIniFile), m_strUser, kOwnAddress);
        SetAddresses({"phone@example.jp", "tablet@example.jp"});
    }

    void Set(const char* section, const char* key, const std::string& value) {
        CProfile(m_app.File(schema::kIniFile)).WriteProfileString(section, key, value);
    }
    void SetAddresses(const std::vector<std::string>& addresses) {
        WriteListFile(m_app.File(schema::kAddressFile), addresses);
    }
    void AddSample(const std::string& name) {
        Servers().AddMessage(m_strUser, ReadBytes(SamplePath(name)));
    }

    // One engine for the whole test, as the main window keeps one.
    void ResetEngine() { m_pEngine.reset(); }
    bool RunCycle() {
        if (!m_pEngine)
            m_pEngine = std::make_unique<CForwardEngine>(m_app.Path(), TempDir());
        return m_pEngine->RunForwardCycle();
    }
    const CycleReport& LastReport() const { return m_pEngine->GetLastReport(); }

    // The message line of every error log entry.
    std::vector<std::string> LoggedMessages() const {
        std::vector<std::string> lines, messages;
        ReadListFile(m_app.File(schema::kErrorLogFile), lines);
        for (size_t i = 1; i < lines.size(); i += 3)
            messages.push_back(lines[i]);
        return messages;
    }

    std::vector<CDecodedMail> ForwardedMails() {
        std::vector<CDecodedMail> decoded;
        for (const CReceivedMail& mail : ReceivedMails()) {
            std::string path = TempDir() + "/forwarded-" + std::to_string(++m_nDecoded) + ".eml";
            std::ofstream(path, std::ios::binary) << mail.strContent;
            decoded.push_back(DecodeMail(path, TempDir()));
        }
        return decoded;
    }

    std::string m_strUser;
    CTempFolder m_app;

private:
    std::unique_ptr<CForwardEngine> m_pEngine;
    int m_nDecoded = 0;
};

TEST_F(ForwardEndToEndTest, MailboxIsForwardedOnceAndNewMailInALaterCycle) {
    for (const char* name : {"iso2022jp.eml", "alternative.eml", "mixed_rfc2231.eml"})
        AddSample(name);
    ASSERT_TRUE(RunCycle());
    EXPECT_TRUE(LoggedMessages().empty());

    std::vector<CReceivedMail> envelopes = ReceivedMails();
    ASSERT_EQ(envelopes.size(), 6u); // three messages, two addresses each, in file order
    EXPECT_EQ(envelopes[0].rcptTos, std::vector<std::string>{"phone@example.jp"});
    EXPECT_EQ(envelopes[1].rcptTos, std::vector<std::string>{"tablet@example.jp"});
    EXPECT_EQ(envelopes[0].strMailFrom, kOwnAddress);
    EXPECT_TRUE(envelopes[0].bTls);

    std::vector<CDecodedMail> mails = ForwardedMails();
    for (const CDecodedMail& mail : mails)
        EXPECT_EQ(mail.strSubject, "クイベンより転送");
    EXPECT_EQ(mails[0].strBody,
              ForwardText("【重要】①会議の件について㈱山田", "山田 太郎 <taro@example.jp>",
                          "Mon, 2 Dec 2024 09:15:00 +0900",
                          "花子さん\r\n\r\n明日の会議は①番会議室で行います。\r\n"
                          "～よろしくお願いします～"));
    EXPECT_EQ(mails[2].strBody, ForwardText("Lunch?", "\"Suzuki, Ichiro\" <ichiro@example.jp>",
                                            "Fri, 6 Dec 2024 11:30:00 +0900", "Lunch at noon?"));
    // With TEMP = 0 the attachments travel along under their own names.
    ASSERT_EQ(mails[4].files.size(), 4u);
    EXPECT_EQ(BaseName(mails[4].files[0]), "報告書.pdf");
    EXPECT_EQ(ReadBytes(mails[4].files[0]).substr(0, 9), "%PDF-1.4\n");
    EXPECT_EQ(BaseName(mails[4].files[1]), "evil.sh");
    EXPECT_EQ(BaseName(mails[4].files[3]), "notes_2.txt");
    EXPECT_EQ(ReadBytes(mails[4].files[3]), "second notes");

    ASSERT_TRUE(RunCycle());
    EXPECT_EQ(ReceivedMails().size(), 6u) << "a second cycle forwards nothing new";

    Servers().AddMessage(m_strUser, SimpleMessage("late news", "arrived later"));
    ASSERT_TRUE(RunCycle());
    mails = ForwardedMails();
    ASSERT_EQ(mails.size(), 8u);
    EXPECT_EQ(mails[6].strBody, ForwardText("late news", "Sender <sender@example.com>",
                                            "Mon, 2 Dec 2024 09:00:00 +0900", "arrived later"));
    EXPECT_TRUE(LoggedMessages().empty());
}

TEST_F(ForwardEndToEndTest, HeldBackAttachmentsAndHtmlOnlyMail) {
    Set("RULE", "TEMP", "1");
    AddSample("mixed_rfc2231.eml");
    AddSample("html_only.eml");
    ASSERT_TRUE(RunCycle());
    std::vector<CDecodedMail> mails = ForwardedMails();
    ASSERT_EQ(mails.size(), 2u); // the mail with attachments stays behind
    EXPECT_EQ(mails[0].strBody,
              ForwardText("セールのお知らせ", "shop@example.jp", "Thu, 5 Dec 2024 12:00:00 +0900",
                          "セール&イベントのお知らせ\r\n\r\n期間：12/1 ～ 12/31\r\n"
                          "価格 <1,000円> ① ②"));
    EXPECT_TRUE(mails[0].files.empty());
}

TEST_F(ForwardEndToEndTest, WrongPasswordAndRefusedRecipientAreLogged) {
    AddSample("alternative.eml");
    Set("RECV", "PASSWORD", "Not-The-Password");
    EXPECT_FALSE(RunCycle());
    std::vector<std::string> logged = LoggedMessages();
    ASSERT_EQ(logged.size(), 1u);
    EXPECT_EQ(logged[0].rfind(Utf8ToCp932("受信エラー:"), 0), 0u) << Cp932ToUtf8(logged[0]);
    EXPECT_EQ(logged[0].find("Not-The-Password"), std::string::npos);

    Set("RECV", "PASSWORD", PasswordOf(m_strUser));
    SetAddresses({"refuse-rcpt@example.jp", "phone@example.jp"});
    EXPECT_TRUE(RunCycle());
    logged = LoggedMessages();
    ASSERT_EQ(logged.size(), 2u);
    EXPECT_EQ(logged[1].rfind(Utf8ToCp932("送信エラー:"), 0), 0u) << Cp932ToUtf8(logged[1]);
    EXPECT_NE(logged[1].find("550"), std::string::npos);
    ASSERT_EQ(ReceivedMails().size(), 1u) << "the refused address holds nothing back";
    EXPECT_EQ(ReceivedMails()[0].rcptTos, std::vector<std::string>{"phone@example.jp"});
    EXPECT_EQ(CProfile(m_app.File(schema::kIniFile)).GetProfileString("LASTSEND", "SUBJECT", "?"),
              "Lunch?");
}

// Fault fix: the user tidies the mailbox in another mail client, deleting
// the last forwarded message; and a mail that came twice (by To and by a
// list) carries one From, Subject and Message-ID. Each message still goes
// out once.
TEST_F(ForwardEndToEndTest, TidiedMailboxAndCopiesOfOneMailForwardOnlyNewMail) {
    SetAddresses({"phone@example.jp"});
    const std::string copy = SimpleMessage("twice", "by To and by the list");
    for (const std::string& message : {SimpleMessage("first"), copy, copy})
        Servers().AddMessage(m_strUser, message);
    std::string last = Servers().AddMessage(m_strUser, SimpleMessage("last"));
    ASSERT_TRUE(RunCycle());
    ASSERT_TRUE(RunCycle());
    EXPECT_EQ(ReceivedMails().size(), 4u);

    Servers().RemoveMessage(m_strUser, last);
    Servers().AddMessage(m_strUser, SimpleMessage("new"));
    ASSERT_TRUE(RunCycle());
    std::vector<CDecodedMail> mails = ForwardedMails();
    ASSERT_EQ(mails.size(), 5u);
    EXPECT_EQ(mails[4].strBody.rfind("Title:new\r\n", 0), 0u);
    EXPECT_TRUE(LoggedMessages().empty());
}

TEST_F(ForwardEndToEndTest, Pop3sWithSelfSignedCertificateNeedsCaFile) {
    AddSample("alternative.eml");
    Set("RECV", "POP3", Servers().Pop3sServer());
    ASSERT_TRUE(RunCycle());
    EXPECT_EQ(ReceivedMails().size(), 2u);

    Set("RECV", "CAFILE", "");
    EXPECT_FALSE(RunCycle());
    std::vector<std::string> logged = LoggedMessages();
    ASSERT_EQ(logged.size(), 1u);
    EXPECT_EQ(logged[0].rfind(Utf8ToCp932("受信エラー:"), 0), 0u) << Cp932ToUtf8(logged[0]);
}

// Fault fix: a mailbox of 300 lists its newest 256, so the newest mail is
// forwarded rather than hidden behind the oldest.
TEST_F(ForwardEndToEndTest, MailboxOf300ForwardsTheNewest256OverPop3AndImap) {
    Set("RECV", "SMTP", "127.0.0.1:" + std::to_string(Servers().SmtpPlainPort()));
    SetAddresses({"phone@example.jp"});
    for (int n = 1; n <= 300; ++n)
        Servers().AddMessage(m_strUser, SimpleMessage("message-" + std::to_string(n)));
    std::size_t forwarded = 0;
    // The same mailbox from the start again over IMAP: no record, no marker.
    for (const std::string& server : {Servers().Pop3Server(), Servers().ImapServer()}) {
        Set("RECV", "POP3", server);
        std::filesystem::remove(m_app.File(schema::kDeliveryRecordFile));
        Set("LASTSEND", "FROM", "nobody");
        ResetEngine();
        ASSERT_TRUE(RunCycle()) << server;
        std::vector<CDecodedMail> mails = ForwardedMails();
        ASSERT_EQ(mails.size(), forwarded + 256) << server;
        EXPECT_EQ(mails[forwarded].strBody.rfind("Title:message-45\r\n", 0), 0u);
        EXPECT_EQ(mails.back().strBody.rfind("Title:message-300\r\n", 0), 0u);
        forwarded = mails.size();
    }
}

// An IMAP folder: forwarded once, then a quiet cycle that asks one STATUS;
// made anew by another client (new UIDVALIDITY, new UIDs), its old mail is
// not forwarded again, only what is new.
TEST_F(ForwardEndToEndTest, ImapFolderMadeAnewForwardsNothingTwiceAndQuietCyclesAskOnce) {
    auto fill = [&](std::initializer_list<const char*> subjects) {
        ASSERT_EQ(Servers().ImapCommand(m_strUser, "", "CREATE Archive"), "");
        for (const char* subject : subjects)
            ASSERT_TRUE(Servers().ImapAppend(m_strUser, "Archive", SimpleMessage(subject)));
    };
    Set("RECV", "POP3", Servers().ImapsServer("/Archive"));
    Servers().RecordImapCommands(m_strUser);
    fill({"one", "two"});
    ASSERT_TRUE(RunCycle());
    ASSERT_TRUE(RunCycle());
    EXPECT_EQ(ReceivedMails().size(), 4u);
    EXPECT_EQ(
        Servers().LibraryImapSessions(m_strUser, 2).back(),
        (std::vector<std::string>{"STATUS \"Archive\" (MESSAGES UIDNEXT UIDVALIDITY)", "LOGOUT"}));

    ASSERT_EQ(Servers().ImapCommand(m_strUser, "", "DELETE Archive"), "");
    fill({"one", "two", "three"});
    ASSERT_TRUE(RunCycle());
    std::vector<CDecodedMail> mails = ForwardedMails();
    ASSERT_EQ(mails.size(), 6u);
    EXPECT_EQ(mails[4].strBody.rfind("Title:three\r\n", 0), 0u);
    EXPECT_TRUE(LoggedMessages().empty());
}

// Over STARTTLS: the cycle leaves every flag as it found it, and mail that
// another client then flags, or deletes (the last forwarded one too, so the
// count falls while UIDNEXT stays), is not forwarded again; new mail is.
TEST_F(ForwardEndToEndTest, ImapMailFlaggedOrDeletedElsewhereIsNotForwardedAgain) {
    Set("RECV", "POP3", Servers().ImapServer());
    SetAddresses({"phone@example.jp"});
    for (const char* subject : {"one", "two", "three"})
        Servers().AddMessage(m_strUser, SimpleMessage(subject));
    Servers().ImapCommand(m_strUser, "INBOX", "UID STORE 1 +FLAGS (\\Seen)");
    std::vector<std::string> flags = Servers().MessageFileNames(m_strUser);
    ASSERT_TRUE(RunCycle());
    EXPECT_EQ(ReceivedMails().size(), 3u);
    EXPECT_EQ(Servers().MessageFileNames(m_strUser), flags);

    Servers().ImapCommand(m_strUser, "INBOX", "UID STORE 2 +FLAGS (\\Flagged)");
    ASSERT_TRUE(RunCycle());
    Servers().ImapCommand(m_strUser, "INBOX", "UID STORE 3 +FLAGS.SILENT (\\Deleted)");
    Servers().ImapCommand(m_strUser, "INBOX", "EXPUNGE");
    flags = Servers().MessageFileNames(m_strUser);
    ASSERT_TRUE(RunCycle());
    EXPECT_EQ(ReceivedMails().size(), 3u);
    EXPECT_EQ(Servers().MessageFileNames(m_strUser), flags);

    Servers().AddMessage(m_strUser, SimpleMessage("four"));
    ASSERT_TRUE(RunCycle());
    std::vector<CDecodedMail> mails = ForwardedMails();
    ASSERT_EQ(mails.size(), 4u);
    EXPECT_EQ(mails.back().strBody.rfind("Title:four\r\n", 0), 0u);
    EXPECT_TRUE(LoggedMessages().empty());
}

// Every character reaches the phone: accents, emoji, ①②, half-width
// katakana and 﨑 through Dovecot, the cycle and aiosmtpd; a subject rule
// kept in code page 932 matches the Unicode subject.
TEST_F(ForwardEndToEndTest, EveryCharacterOfAModernMailIsForwarded) {
    const std::string subject = "Café ☕ ご予約の確認 🎉";
    const std::string sender = "Zoë 髙橋";
    const std::string body =
        "Crème brûlée à 19h 🍮🥂\r\n①② ﾊﾝｶｸｶﾀｶﾅ 﨑 — naïve façade";
    Set("RULE", "SUBJECT", "1");
    WriteListFile(m_app.File(schema::kSubjectRuleFile), {Utf8ToCp932("予約")});
    Servers().AddMessage(m_strUser, ModernMessage(subject, sender, body, "booking"));
    Servers().AddMessage(m_strUser, ModernMessage("Newsletter ✨", sender, "no rule", "news"));
    ASSERT_TRUE(RunCycle());
    std::vector<CDecodedMail> mails = ForwardedMails();
    ASSERT_EQ(mails.size(), 2u) << "one message, two addresses";
    EXPECT_EQ(mails[0].strBody, ForwardText(subject, sender + " <zoe@example.jp>",
                                            "Sat, 7 Dec 2024 10:00:00 +0900", body));
    EXPECT_EQ(mails[1].strBody, mails[0].strBody);
    EXPECT_TRUE(LoggedMessages().empty());
}

// The marker as the previous version stored it: code page 932, '?' for each
// character the code page lacks. It still ends the boundary search at its
// message, so only the mail after it goes out.
TEST_F(ForwardEndToEndTest, MarkerStoredByThePreviousVersionStopsAtTheSameMessage) {
    for (const char* id : {"first", "second", "third"})
        Servers().AddMessage(m_strUser,
                             ModernMessage("Café ☕ ご予約 🎉", "Zoë 髙橋", std::string(id), id));
    std::string ini = ReadBytes(m_app.File(schema::kIniFile));
    ini += "[LASTSEND]\r\nFROM=Zo? \xfb\xfc\x8b\xb4 <zoe@example.jp>\r\n"
           "SUBJECT=Caf? ? \x82\xb2\x97\x5c\x96\xf1 ?\r\nMESSAGEID=second@example.jp\r\n";
    std::ofstream(m_app.File(schema::kIniFile), std::ios::binary | std::ios::trunc) << ini;
    ASSERT_TRUE(RunCycle());
    std::vector<CDecodedMail> mails = ForwardedMails();
    ASSERT_EQ(mails.size(), 2u);
    EXPECT_NE(mails[0].strBody.find("Body:third"), std::string::npos) << mails[0].strBody;
    EXPECT_EQ(CProfile(m_app.File(schema::kIniFile)).GetProfileString("LASTSEND", "MESSAGEID", ""),
              "third@example.jp");
}

// A display name that decodes to a line break adds no line to the forward
// text and does not keep the marker from being stored: the mail goes once.
TEST_F(ForwardEndToEndTest, EncodedLineBreakInTheSenderForgesNoLine) {
    Servers().AddMessage(
        m_strUser,
        SimpleMessage("break", "body", "=?UTF-8?B?VGFybw0KRnJvbTpmb3JnZWQ=?= <x@example.jp>"));
    ASSERT_TRUE(RunCycle());
    ASSERT_TRUE(RunCycle());
    std::vector<CDecodedMail> mails = ForwardedMails();
    ASSERT_EQ(mails.size(), 2u) << "forwarded once, to two addresses";
    EXPECT_EQ(mails[0].strBody.find("\r\nFrom:forged"), std::string::npos) << mails[0].strBody;
    EXPECT_EQ(CProfile(m_app.File(schema::kIniFile)).GetProfileString("LASTSEND", "FROM", ""),
              "\"Taro  From:forged\" <x@example.jp>");
}

// An account that signs in with OAuth2 at the suite's provider: Dovecot's
// oauth2 passdb and the SMTP server check its tokens. The keyring is out of
// reach (a bus address nobody listens on) unless a test starts its own, so
// no test touches a keyring of the machine's.
class OAuthCycleTest : public ForwardEndToEndTest {
protected:
    void SetUp() override {
        if (const char* bus = std::getenv("DBUS_SESSION_BUS_ADDRESS"))
            m_oldBus = bus;
        setenv("DBUS_SESSION_BUS_ADDRESS", ("unix:path=" + TempDir() + "/no-bus").c_str(), 1);
        ForwardEndToEndTest::SetUp();
        m_provider = NewOAuthClient();
        Set("RECV", "PASSWORD", "");
        Set("RECV", "AUTH", "oauth2");
        Set("RECV", "OAUTH_PROVIDER", "other");
        Set("RECV", "OAUTH_CLIENT_ID", m_provider.strClientId);
        Set("RECV", "OAUTH_AUTHORIZE_URL", m_provider.strAuthorizeUrl);
        Set("RECV", "OAUTH_TOKEN_URL", m_provider.strTokenUrl);
        Set("RECV", "OAUTH_DEVICE_URL", m_provider.strDeviceUrl);
        Set("RECV", "OAUTH_SCOPE", m_provider.strScope);
    }
    void TearDown() override {
        ForwardEndToEndTest::TearDown();
        if (m_oldBus)
            setenv("DBUS_SESSION_BUS_ADDRESS", m_oldBus->c_str(), 1);
        else
            unsetenv("DBUS_SESSION_BUS_ADDRESS");
    }

    // The account page's sign-in, the test playing the browser it opens.
    bool SignInAsUser() {
        CSettingsStore store(m_app.Path());
        CTokenKeeper keeper(store);
        COAuthError error;
        std::thread browser;
        const bool bSignedIn = keeper.SignInWithBrowser(
            [&](const std::string& url) {
                browser = std::thread([url, this] { Browse(url, "&user=" + m_strUser); });
            },
            30, error);
        if (browser.joinable())
            browser.join();
        EXPECT_TRUE(bSignedIn) << error.strText;
        return bSignedIn;
    }
    COAuthTokens StoredTokens() {
        CSettingsStore store(m_app.Path());
        CAccountSecrets secrets(store);
        std::string secret;
        COAuthTokens tokens;
        secrets.ReadTokens(store.Load<CAccountSettings>(), store.Load<CSignInSettings>(), secret);
        COAuthTokens::FromSecret(secret, tokens);
        return tokens;
    }
    int Refreshes() {
        const std::string stats =
            Browse(Servers().OAuthUrl("/control/stats?client_id=" + m_provider.strClientId));
        const size_t at = stats.find("\"refresh\": ");
        return at == std::string::npos ? -1 : std::atoi(stats.c_str() + at + 11);
    }
    std::vector<std::string> EntriesWith(const std::string& text) const {
        std::vector<std::string> found;
        for (const std::string& entry : LoggedMessages())
            if (Cp932ToUtf8(entry).find(text) != std::string::npos)
                found.push_back(Cp932ToUtf8(entry));
        return found;
    }

    COAuthProvider m_provider;
    std::optional<std::string> m_oldBus;
};

TEST_F(OAuthCycleTest, SignedInCycleForwardsWithBearerLoginsAndSaysOnceWhereTheTokensAre) {
    ASSERT_TRUE(SignInAsUser());
    Servers().AddMessage(m_strUser, SimpleMessage("bearer"));
    ASSERT_TRUE(RunCycle());
    std::vector<CReceivedMail> mails = ReceivedMails();
    ASSERT_EQ(mails.size(), 2u);
    for (const CReceivedMail& mail : mails) {
        EXPECT_EQ(mail.strAuthUser, m_strUser);
        EXPECT_EQ(mail.strAuthMechanism, "OAUTHBEARER");
    }
    Servers().AddMessage(m_strUser, SimpleMessage("bearer2"));
    ASSERT_TRUE(RunCycle());
    EXPECT_EQ(ReceivedMails().size(), 4u);
    // Without a keyring the tokens sit in the owner-only INI, which the log
    // tells once; no entry quotes a token.
    EXPECT_EQ(LoggedMessages().size(), 1u);
    EXPECT_EQ(EntriesWith("キーリングを使えないため").size(), 1u);
    const COAuthTokens tokens = StoredTokens();
    ASSERT_NE(tokens.strRefreshToken, "");
    EXPECT_EQ(ReadBytes(m_app.File(schema::kErrorLogFile)).find(tokens.strRefreshToken),
              std::string::npos);
}

// Refreshed when the provider says the token runs out within the minute, and
// when a server refuses one that the provider took back early.
TEST_F(OAuthCycleTest, ExpiredAccessTokensAreRefreshedWithoutTheUser) {
    Servers().OAuthControl("/control/client",
                           "client_id=" + m_provider.strClientId + "&expires_in=30");
    ASSERT_TRUE(SignInAsUser());
    const std::string firstToken = StoredTokens().strAccessToken;
    Servers().AddMessage(m_strUser, SimpleMessage("due"));
    ASSERT_TRUE(RunCycle());
    EXPECT_EQ(Refreshes(), 1);
    EXPECT_NE(StoredTokens().strAccessToken, firstToken);

    Servers().OAuthControl("/control/client",
                           "client_id=" + m_provider.strClientId + "&expires_in=3600");
    ASSERT_TRUE(RunCycle()); // still due: refreshed to a long-lived token
    Servers().OAuthControl("/control/expire", "client_id=" + m_provider.strClientId);
    Servers().AddMessage(m_strUser, SimpleMessage("refused"));
    ASSERT_TRUE(RunCycle());
    EXPECT_EQ(Refreshes(), 3);
    EXPECT_EQ(ReceivedMails().size(), 4u);
    EXPECT_EQ(EntriesWith("エラー:").size(), 0u);
}

TEST_F(OAuthCycleTest, RevokedSignInIsLoggedOnceOverCyclesUntilTheUserSignsInAgain) {
    ASSERT_TRUE(SignInAsUser());
    ASSERT_TRUE(RunCycle());
    Servers().OAuthControl("/control/revoke", "client_id=" + m_provider.strClientId);
    Servers().AddMessage(m_strUser, SimpleMessage("waits"));
    EXPECT_FALSE(RunCycle());
    EXPECT_FALSE(RunCycle());
    const std::vector<std::string> entries = EntriesWith("サインインし直して");
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0].rfind("受信エラー:", 0), 0u) << entries[0];
    // The cycle still shows it (badge, notification), without logging it.
    EXPECT_EQ(LastReport().strErrors, entries[0]);
    EXPECT_TRUE(LastReport().bSignInNeeded);
    EXPECT_TRUE(ReceivedMails().empty());

    ASSERT_TRUE(SignInAsUser());
    EXPECT_TRUE(RunCycle());
    EXPECT_EQ(ReceivedMails().size(), 2u);
}

TEST_F(OAuthCycleTest, TokensAndTheTickedPasswordLiveInTheKeyringAndInNoFileOfTheFolder) {
    CTestKeyring keyring;
    if (!keyring.IsRunning())
        GTEST_SKIP() << keyring.StartError();
    ASSERT_TRUE(SignInAsUser());
    Servers().AddMessage(m_strUser, SimpleMessage("keyring"));
    ASSERT_TRUE(RunCycle());
    const COAuthTokens tokens = StoredTokens();
    ASSERT_NE(tokens.strRefreshToken, "");

    // The password moves into the keyring, and the cycle logs in with it.
    Set("RECV", "AUTH", "password");
    {
        CSettingsStore store(m_app.Path());
        CAccountSecrets secrets(store);
        ASSERT_TRUE(
            secrets.StorePassword(store.Load<CAccountSettings>(), PasswordOf(m_strUser), true));
    }
    Servers().AddMessage(m_strUser, SimpleMessage("password"));
    ASSERT_TRUE(RunCycle());
    ASSERT_EQ(ReceivedMails().size(), 4u);
    EXPECT_TRUE(LoggedMessages().empty());
    for (const auto& file : std::filesystem::recursive_directory_iterator(m_app.Path())) {
        const std::string bytes = ReadBytes(file.path().string());
        for (const std::string& secret :
             {tokens.strAccessToken, tokens.strRefreshToken, PasswordOf(m_strUser)})
            EXPECT_EQ(bytes.find(secret), std::string::npos) << file.path();
    }
}

namespace {

// `quiben --sign-in` on the test's folder; returns the first match of
// pattern in what it prints (empty when it printed none in time).
QString StartSignInCommand(QProcess& process, const std::string& home, const QString& pattern,
                           std::string& output) {
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(QString(QUIBEN_BINARY_DIR) + "/quiben",
                  {"--sign-in", "--home", QString::fromStdString(home)});
    const QRegularExpression expression(pattern);
    QRegularExpressionMatch match;
    while (!(match = expression.match(QString::fromStdString(output))).hasMatch() &&
           process.waitForReadyRead(10000))
        output += process.readAll().toStdString();
    return match.captured();
}

} // namespace

// `quiben --sign-in`: the device flow in the terminal, approved by "the
// user" at the provider with the code the program printed.
TEST_F(OAuthCycleTest, SignInCommandRunsTheDeviceFlowAndTheNextCycleUsesItsTokens) {
    QProcess process;
    std::string output;
    const QString code = StartSignInCommand(process, m_app.Path(), "\\d{4}-\\d{4}", output);
    ASSERT_FALSE(code.isEmpty()) << output;
    EXPECT_NE(output.find(Servers().OAuthUrl("/device")), std::string::npos) << output;
    Servers().OAuthControl("/device/approve",
                           "user_code=" + code.toStdString() + "&user=" + m_strUser);
    ASSERT_TRUE(process.waitForFinished(60000)); // deadline only against a hang
    output += process.readAll().toStdString();
    EXPECT_EQ(process.exitCode(), 0) << output;
    EXPECT_NE(output.find("サインインしました"), std::string::npos) << output;
    Servers().AddMessage(m_strUser, SimpleMessage("device"));
    ASSERT_TRUE(RunCycle());
    EXPECT_EQ(ReceivedMails().size(), 2u);
}

// Without a device endpoint (Google) the terminal takes the code flow; a
// browser on another machine cannot reach the listener, so the user pastes
// the address it ended on.
TEST_F(OAuthCycleTest, SignInCommandTakesThePastedRedirectWhereThereIsNoDeviceFlow) {
    Set("RECV", "OAUTH_DEVICE_URL", "");
    QProcess process;
    std::string output;
    const QString url = StartSignInCommand(process, m_app.Path(),
                                           "http://127\\.0\\.0\\.1:\\d+/authorize\\?\\S+", output);
    ASSERT_FALSE(url.isEmpty()) << output;
    const std::string redirect = GetOnce(url.toStdString() + "&user=" + m_strUser).strLocation;
    ASSERT_EQ(redirect.rfind("http://127.0.0.1:", 0), 0u) << redirect;
    process.write((redirect + "\n").c_str());
    ASSERT_TRUE(process.waitForFinished(60000)); // deadline only against a hang
    output += process.readAll().toStdString();
    EXPECT_EQ(process.exitCode(), 0) << output;
    Servers().AddMessage(m_strUser, SimpleMessage("pasted"));
    ASSERT_TRUE(RunCycle());
    EXPECT_EQ(ReceivedMails().size(), 2u);
}
