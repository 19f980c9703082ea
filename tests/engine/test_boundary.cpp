// Where the already forwarded messages of the mailbox end.
#include "CScriptedMailbox.h"
#include "EngineTestFolder.h"
#include "engine/CForwardEngine.h"
#include "settings/schema.h"

#include <gtest/gtest.h>
#include <unistd.h>

namespace {

using namespace schema;

class Boundary : public testing::Test {
protected:
    Boundary() : m_mailbox(m_folder.TempDir()) {
        m_mailbox.AddMessage("A", MessageFields("a@example.jp", "alpha", "1", "<a@x>"));
        m_mailbox.AddMessage("B", MessageFields("b@example.jp", "beta", "2", "<b@x>"));
        m_mailbox.AddMessage("C", MessageFields("c@example.jp", "gamma", "3", "<c@x>"));
    }

    int BoundaryFor(const std::string& from, const std::string& subject,
                    const std::string& messageId = "") {
        m_folder.SetString(kSectionLastSend, kKeyLastFrom, from);
        m_folder.SetString(kSectionLastSend, kKeyLastSubject, subject);
        m_folder.SetString(kSectionLastSend, kKeyLastMessageId, messageId);
        CForwardEngine engine(m_folder.AppDir(), m_folder.TempDir(), &m_mailbox);
        MailList received{};
        char errorText[kMailErrorTextSize] = {};
        m_mailbox.Receive("", "", "", "SAVEALL", m_folder.TempDir().c_str(), &received, errorText);
        return engine.FindForwardedBoundary(received, m_folder.TempDir());
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
    m_mailbox.AddMessage("B2", MessageFields("b@example.jp", "beta", "again", "<b2@x>"));
    EXPECT_EQ(BoundaryFor("b@example.jp", "beta"), 2);
}

TEST_F(Boundary, StoredIdMustMatchToo) {
    m_mailbox.AddMessage("B2", MessageFields("b@example.jp", "beta", "again", "<b2@x>"));
    EXPECT_EQ(BoundaryFor("b@example.jp", "beta", "<b2@x>"), 4);
    EXPECT_EQ(BoundaryFor("b@example.jp", "beta", "<b@x>"), 2);
    EXPECT_EQ(BoundaryFor("b@example.jp", "beta", "<gone@x>"), 0);
}

TEST_F(Boundary, EmptyMarkerMatchesAMessageWithoutFields) {
    CScriptedMailbox mailbox(m_folder.TempDir());
    mailbox.AddMessage("empty", {});
    mailbox.AddMessage("A", MessageFields("a@example.jp", "alpha"));
    CForwardEngine engine(m_folder.AppDir(), m_folder.TempDir(), &mailbox);
    MailList received{};
    char errorText[kMailErrorTextSize] = {};
    mailbox.Receive("", "", "", "SAVEALL", m_folder.TempDir().c_str(), &received, errorText);
    EXPECT_EQ(engine.FindForwardedBoundary(received, m_folder.TempDir()), 1);
}

} // namespace
