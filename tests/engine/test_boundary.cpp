// Where the already forwarded messages of the mailbox end.
#include "CScriptedMailbox.h"
#include "EngineTestFolder.h"
#include "config/schema.h"
#include "engine/CForwardEngine.h"

#include <gtest/gtest.h>
#include <unistd.h>

namespace {

using namespace schema;

class Boundary : public testing::Test {
protected:
    Boundary() : m_mailbox(m_folder.TempDir()) {
        m_mailbox.AddMessage("A", ScriptedMessage("a@example.jp", "alpha", "1", "<a@x>"));
        m_mailbox.AddMessage("B", ScriptedMessage("b@example.jp", "beta", "2", "<b@x>"));
        m_mailbox.AddMessage("C", ScriptedMessage("c@example.jp", "gamma", "3", "<c@x>"));
    }

    int BoundaryFor(const std::string& from, const std::string& subject,
                    const std::string& messageId = "") {
        m_folder.SetString("LASTSEND", "FROM", from);
        m_folder.SetString("LASTSEND", "SUBJECT", subject);
        m_folder.SetString("LASTSEND", "MESSAGEID", messageId);
        return BoundaryIn(m_mailbox);
    }

    int BoundaryIn(CScriptedMailbox& mailbox) {
        CForwardEngine engine(m_folder.AppDir(), m_folder.TempDir(), &mailbox);
        CReceiveResult received;
        CMailError error;
        mailbox.Receive({}, m_folder.TempDir(), {}, received, error);
        return engine.FindForwardedBoundary(received.messages);
    }

    CEngineTestFolder m_folder;
    CScriptedMailbox m_mailbox;
};

TEST_F(Boundary, IsOnePastTheMarkedMessageOrZero) {
    EXPECT_EQ(BoundaryFor("a@example.jp", "alpha"), 1);
    EXPECT_EQ(BoundaryFor("c@example.jp", "gamma"), 3);
    EXPECT_EQ(BoundaryFor("b@example.jp", "alpha"), 0);
    EXPECT_EQ(BoundaryFor("B@example.jp", "beta"), 0) << "compared with case";
    EXPECT_EQ(BoundaryFor("", ""), 0);
}

TEST_F(Boundary, StopsAtTheFirstMatchAndLeavesFilesInPlace) {
    EXPECT_EQ(BoundaryFor("b@example.jp", "beta"), 2);
    EXPECT_EQ(m_mailbox.DecodedNames(), (std::vector<std::string>{"A", "B"}));
    EXPECT_EQ(::access(m_mailbox.PathOf("A").c_str(), F_OK), 0);
    EXPECT_EQ(::access(m_mailbox.PathOf("B").c_str(), F_OK), 0);
}

TEST_F(Boundary, WithoutStoredIdTwoCopiesOfTheMarkerEndAtTheFirst) {
    m_mailbox.AddMessage("B2", ScriptedMessage("b@example.jp", "beta", "again", "<b2@x>"));
    EXPECT_EQ(BoundaryFor("b@example.jp", "beta"), 2);
}

TEST_F(Boundary, StoredIdMustMatchToo) {
    m_mailbox.AddMessage("B2", ScriptedMessage("b@example.jp", "beta", "again", "<b2@x>"));
    EXPECT_EQ(BoundaryFor("b@example.jp", "beta", "<b2@x>"), 4);
    EXPECT_EQ(BoundaryFor("b@example.jp", "beta", "<b@x>"), 2);
    EXPECT_EQ(BoundaryFor("b@example.jp", "beta", "<gone@x>"), 0);
}

TEST_F(Boundary, EmptyMarkerMatchesAMessageWithoutFields) {
    CScriptedMailbox mailbox(m_folder.TempDir());
    mailbox.AddMessage("empty", {});
    mailbox.AddMessage("A", ScriptedMessage("a@example.jp", "alpha"));
    EXPECT_EQ(BoundaryIn(mailbox), 1);
}

// Earlier versions stored the marker in code page 932 with '?' for what it
// lacks, and a subject folded with a TAB kept the TAB; the decoder now gives
// the characters themselves and a blank. Such a marker still finds its mail.
TEST_F(Boundary, MarkerStoredByEarlierVersionsFindsItsMessage) {
    CScriptedMailbox mailbox(m_folder.TempDir());
    mailbox.AddMessage(
        "A", ScriptedMessage("Zoë 髙橋 <zoe@example.jp>", "Café ☕ 予約 🎉", "1", "a@example.jp"));
    mailbox.AddMessage(
        "B", ScriptedMessage("Zoë 髙橋 <zoe@example.jp>", "Café ☕ 予約 🎉", "2", "b@example.jp"));
    mailbox.AddMessage("C", ScriptedMessage("c@example.jp", "weekly report", "3", "c@example.jp"));
    const std::string from = "Zo? \xfb\xfc\x8b\xb4 <zoe@example.jp>";
    const std::string subject = "Caf? ? \x97\x5c\x96\xf1 ?";
    m_folder.WriteAppFile(kIniFile, "[LASTSEND]\r\nFROM=" + from + "\r\nSUBJECT=" + subject +
                                        "\r\nMESSAGEID=b@example.jp\r\n");
    EXPECT_EQ(BoundaryIn(mailbox), 2);
    m_folder.WriteAppFile(kIniFile,
                          "[LASTSEND]\r\nFROM=c@example.jp\r\nSUBJECT=weekly\treport\r\n");
    EXPECT_EQ(BoundaryIn(mailbox), 3);
}

} // namespace
