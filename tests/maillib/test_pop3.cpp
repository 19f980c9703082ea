// Receiving from the real Dovecot: what arrives, in which order, what stays on
// the server, and how each kind of failure reads.
#include "tests/maillib/MailTestSupport.h"

#include "tests/common/CSilentServer.h"

#include <filesystem>
#include <gtest/gtest.h>

namespace {

std::string Subject(int n) {
    return "message-" + std::to_string(n);
}

} // namespace

using Pop3Test = MailServerTest;

TEST_F(Pop3Test, MailboxArrivesOldestFirstWithUidlAndSizeAndStaysOnTheServer) {
    std::string user = NewUser();
    std::vector<std::string> uidls;
    for (int n = 1; n <= 3; ++n)
        uidls.push_back(Servers().AddMessage(user, SimpleMessage(Subject(n))));
    std::vector<CReceivedMessage> received;
    CMailError error;
    CPop3Account account{Servers().Pop3Server(), user, PasswordOf(user)};
    ASSERT_TRUE(ReceiveMailbox(account, TempDir(), received, error)) << error.strText;
    EXPECT_EQ(error.strText, "");
    ASSERT_EQ(received.size(), 3u);
    for (int n = 1; n <= 3; ++n) {
        const CReceivedMessage& message = received[n - 1];
        EXPECT_EQ(ReadBytes(message.strPath), SimpleMessage(Subject(n)));
        EXPECT_EQ(message.strUidl, uidls[n - 1]);
        EXPECT_EQ(message.nSize, static_cast<long long>(SimpleMessage(Subject(n)).size()));
    }

    // The mail stays there: the next call lists it again.
    for (const CReceivedMessage& message : received)
        std::filesystem::remove(message.strPath);
    std::vector<std::string> paths;
    std::string text;
    ASSERT_EQ(Receive(user, paths, text), 3) << text;
    EXPECT_EQ(ReadBytes(paths[0]), SimpleMessage(Subject(1)));
}

TEST_F(Pop3Test, EmptyMailboxIsSuccessWithEmptyErrorText) {
    std::string user = NewUser();
    std::vector<std::string> paths;
    std::string error = "unchanged";
    EXPECT_EQ(Receive(user, paths, error), 0);
    EXPECT_EQ(error, "");
    EXPECT_TRUE(paths.empty());
}

TEST_F(Pop3Test, FilesLieInThePrivateFolderOnly) {
    std::string user = NewUser();
    Servers().AddMessage(user, SimpleMessage("one"));
    std::vector<std::string> paths;
    std::string error;
    ASSERT_EQ(Receive(user, paths, error), 1) << error;
    std::string privateFolder = TempDir() + "/quiben-" + std::to_string(geteuid()) + "/";
    EXPECT_EQ(paths[0].rfind(privateFolder, 0), 0u) << paths[0];
    for (const auto& entry : std::filesystem::directory_iterator(TempDir()))
        EXPECT_EQ(entry.path().string() + "/", privateFolder);
}

// Fault fix: with more than 256 messages the list holds the newest 256, so
// mail that arrives later is never hidden behind old mail.
TEST_F(Pop3Test, MoreThan256MessagesListTheNewest256) {
    std::string user = NewUser();
    for (int n = 1; n <= 300; ++n)
        Servers().AddMessage(user, SimpleMessage(Subject(n)));
    std::vector<std::string> paths;
    std::string error;
    ASSERT_EQ(Receive(user, paths, error), 256) << error;
    EXPECT_EQ(ReadBytes(paths.front()), SimpleMessage(Subject(45)));
    EXPECT_EQ(ReadBytes(paths.back()), SimpleMessage(Subject(300)));
}

// Fault fix: attachments of one cycle are gone after the next receive.
TEST_F(Pop3Test, NextReceiveRemovesEarlierAttachmentsAndMessageFiles) {
    std::string user = NewUser();
    Servers().AddMessage(user, SimpleMessage("one"));
    std::vector<std::string> paths;
    std::string error;
    ASSERT_EQ(Receive(user, paths, error), 1) << error;
    CDecodedMail mail = DecodeMail(SamplePath("mixed_rfc2231.eml"), TempDir());
    ASSERT_EQ(mail.files.size(), 4u);
    std::string leftOver = paths[0] + ".left";
    std::filesystem::copy_file(paths[0], leftOver);

    ASSERT_EQ(Receive(user, paths, error), 1) << error;
    for (const std::string& file : mail.files)
        EXPECT_FALSE(std::filesystem::exists(file)) << file;
    EXPECT_FALSE(std::filesystem::exists(leftOver));
    EXPECT_TRUE(std::filesystem::exists(paths[0]));
}

TEST_F(Pop3Test, WrongPasswordFailsWithoutShowingThePassword) {
    std::string user = NewUser();
    std::vector<CReceivedMessage> received;
    CMailError error;
    const std::string wrong = "Wrong-Password-123";
    EXPECT_FALSE(ReceiveMailbox({Servers().Pop3Server(), user, wrong}, TempDir(), received, error));
    EXPECT_TRUE(received.empty());
    std::string text = CheckedErrorText(error.strText);
    EXPECT_EQ(text.find(wrong), std::string::npos) << text;
}

TEST_F(Pop3Test, RefusedPortAndUnknownHostFailWithErrorText) {
    std::string user = NewUser();
    std::vector<std::string> paths;
    std::string error;
    EXPECT_LE(Receive(user, paths, error, "127.0.0.1:" + std::to_string(UnusedLoopbackPort())), 0);
    CheckedErrorText(error);
    EXPECT_LE(Receive(user, paths, error, "no-such-host.invalid"), 0);
    CheckedErrorText(error);
}

// Fault fix: a server that accepts the connection and never says a word ends
// in a time-out with an error text, not a hang.
TEST_F(Pop3Test, SilentServerFailsAfterTheTimeout) {
    CSilentServer silent;
    ASSERT_NE(silent.Port(), 0);
    std::string user = NewUser();
    std::vector<std::string> paths;
    std::string error;
    EXPECT_LE(Receive(user, paths, error, "127.0.0.1:" + std::to_string(silent.Port())), 0);
    CheckedErrorText(error);
    EXPECT_TRUE(paths.empty());
}

TEST_F(Pop3Test, SelfSignedCertificateNeedsTheCaFile) {
    std::string user = NewUser();
    Servers().AddMessage(user, SimpleMessage("secure"));
    std::vector<std::string> paths;
    std::string error;
    ASSERT_EQ(Receive(user, paths, error, Servers().Pop3sServer()), 1) << error;
    EXPECT_EQ(ReadBytes(paths[0]), SimpleMessage("secure"));

    // Without the CA file neither implicit TLS nor the STARTTLS that the
    // plain port offers may go on: the certificate does not verify.
    SetMailCaFile("");
    EXPECT_LE(Receive(user, paths, error, Servers().Pop3sServer()), 0);
    CheckedErrorText(error);
    EXPECT_LE(Receive(user, paths, error, Servers().Pop3Server()), 0);
    CheckedErrorText(error);
}

TEST_F(Pop3Test, ServerTextFormsAndRefusals) {
    std::string user = NewUser();
    Servers().AddMessage(user, SimpleMessage("forms"));
    std::vector<std::string> paths;
    std::string error;
    std::string port = std::to_string(Servers().Pop3Port());
    EXPECT_EQ(Receive(user, paths, error, "pop3://127.0.0.1:" + port), 1) << error;
    EXPECT_EQ(Receive(user, paths, error, " POP3://localhost:" + port + "/ "), 1) << error;
    for (const char* bad : {"smtp://127.0.0.1:25", "127.0.0.1:0", "127.0.0.1:99999", "127.0.0.1:x",
                            "host name", "a\r\nb", "127.0.0.1:110/INBOX"}) {
        EXPECT_LE(Receive(user, paths, error, bad), 0) << bad;
        CheckedErrorText(error);
    }
}

TEST_F(Pop3Test, AccountWithLineBreakNeverReachesTheServer) {
    std::vector<CReceivedMessage> received;
    CMailError error;
    EXPECT_FALSE(ReceiveMailbox({Servers().Pop3Server(), "alice\r\nDELE 1", "x"}, TempDir(),
                                received, error));
    CheckedErrorText(error.strText);
}
