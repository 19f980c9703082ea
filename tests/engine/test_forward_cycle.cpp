// One forwarding cycle against a scripted mailbox.
#include "CScriptedMailbox.h"
#include "EngineTestFolder.h"
#include "engine/CForwardEngine.h"
#include "platform/codepage.h"
#include "settings/schema.h"

#include <gtest/gtest.h>
#include <memory>
#include <unistd.h>

namespace {

using namespace schema;
using Names = std::vector<std::string>;

class ForwardCycle : public testing::Test {
protected:
    ForwardCycle() : m_mailbox(m_folder.TempDir()) {
        m_folder.WriteList(kAddressFile, {"phone@example.jp"});
        m_folder.SetString(kSectionRecv, kKeyPop3, "pop.example.jp");
        m_folder.SetString(kSectionRecv, kKeySmtp, "smtp.example.jp");
        m_folder.SetString(kSectionRecv, kKeyAccount, "taro");
        m_folder.SetString(kSectionRecv, kKeyPassword, "secret");
        m_folder.SetString(kSectionRecv, kKeyMailAddress, "me@example.jp");
    }

    // The engine loads the marker when made, so it is made on first use,
    // after the test has set up the settings.
    CForwardEngine& Engine() {
        if (!m_engine)
            m_engine =
                std::make_unique<CForwardEngine>(m_folder.AppDir(), m_folder.TempDir(), &m_mailbox);
        return *m_engine;
    }
    bool Run() { return Engine().RunForwardCycle(); }

    void SetMarker(const std::string& from, const std::string& subject,
                   const std::string& messageId = "") {
        m_folder.SetString(kSectionLastSend, kKeyLastFrom, from);
        m_folder.SetString(kSectionLastSend, kKeyLastSubject, subject);
        m_folder.SetString(kSectionLastSend, kKeyLastMessageId, messageId);
    }
    std::string StoredFrom() const { return m_folder.GetString(kSectionLastSend, kKeyLastFrom); }
    // Overwrites the stored marker behind the engine's back, so a test can
    // see whether the cycle wrote it.
    void ScribbleOverStoredMarker() {
        Engine();
        m_folder.SetString(kSectionLastSend, kKeyLastFrom, "untouched");
    }
    bool Exists(const std::string& name) const {
        return ::access(m_mailbox.PathOf(name).c_str(), F_OK) == 0;
    }
    void AddABC() {
        m_mailbox.AddMessage("A", MessageFields("a@example.jp", "alpha"));
        m_mailbox.AddMessage("B", MessageFields("b@example.jp", "beta"));
        m_mailbox.AddMessage("C", MessageFields("c@example.jp", "gamma"));
    }

    CEngineTestFolder m_folder;
    CScriptedMailbox m_mailbox;
    std::unique_ptr<CForwardEngine> m_engine;
};

TEST_F(ForwardCycle, WithoutForwardAddressesNothingIsReceived) {
    AddABC();
    m_folder.WriteList(kAddressFile, {});
    EXPECT_FALSE(Run());
    ::unlink((m_folder.AppDir() + "/" + kAddressFile).c_str());
    EXPECT_FALSE(Run());
    EXPECT_TRUE(m_mailbox.m_calls.empty());
    EXPECT_TRUE(m_folder.LoggedMessages().empty());
}

TEST_F(ForwardCycle, PassesAccountAndCaFileToTheLibraryBeforeReceiving) {
    m_folder.SetString(kSectionRecv, kKeyCaFile, "/etc/quiben/ca.pem");
    EXPECT_TRUE(Run());
    EXPECT_EQ(m_mailbox.m_calls, (Names{"ca:/etc/quiben/ca.pem", "receive"}));
    EXPECT_EQ(m_mailbox.m_receiveArgs,
              (Names{"pop.example.jp", "taro", "secret", "SAVEALL", m_folder.TempDir()}));
}

TEST_F(ForwardCycle, MessagesUpToTheMarkerAreRemovedWithoutBeingTested) {
    AddABC();
    SetMarker("b@example.jp", "beta");
    EXPECT_TRUE(Run());
    // A and B are decoded once by the boundary search only; C by the cycle.
    EXPECT_EQ(m_mailbox.DecodedNames(), (Names{"A", "B", "C"}));
    ASSERT_EQ(m_mailbox.m_sent.size(), 1u);
    EXPECT_NE(m_mailbox.m_sent[0].strBody.find("gamma"), std::string::npos);
    EXPECT_FALSE(Exists("A") || Exists("B") || Exists("C"));
    EXPECT_EQ(StoredFrom(), "c@example.jp");
}

TEST_F(ForwardCycle, MarkerEqualToNoMessageForwardsEveryMessageInOrder) {
    AddABC();
    SetMarker("gone@example.jp", "deleted elsewhere");
    EXPECT_TRUE(Run());
    EXPECT_EQ(m_mailbox.DecodedNames(), (Names{"A", "B", "C", "A", "B", "C"}));
    EXPECT_EQ(m_mailbox.m_sent.size(), 3u);
    EXPECT_EQ(Engine().GetLastFrom(), "c@example.jp");
    EXPECT_EQ(Engine().GetLastSubject(), "gamma");
}

TEST_F(ForwardCycle, MarkerEqualToTheLastMessageForwardsNothing) {
    AddABC();
    SetMarker("c@example.jp", "gamma");
    EXPECT_TRUE(Run());
    EXPECT_TRUE(m_mailbox.m_sent.empty());
    EXPECT_FALSE(Exists("C"));
}

TEST_F(ForwardCycle, ForwardedMailIsComposedByteForByte) {
    const std::string subject = Utf8ToCp932("会議の件");
    const std::string body = Utf8ToCp932("明日の会議は\r\n十時からです。");
    m_mailbox.AddMessage("A", {"From: Yamada <y@example.jp>", "Date: Tue, 2 Jan 2024",
                               "Subject:  " + subject + " ", "Body: \r\n" + body + "\r\n\r\n"});
    EXPECT_TRUE(Run());
    ASSERT_EQ(m_mailbox.m_sent.size(), 1u);
    const SentMail& mail = m_mailbox.m_sent[0];
    EXPECT_EQ(mail.strBody, "Title:" + subject + "\r\nFrom:Yamada <y@example.jp>\r\n" +
                                "Date:Tue, 2 Jan 2024\r\nBody:" + body + "\r\n");
    EXPECT_EQ(mail.strSubject, "\x83\x4e\x83\x43\x83\x78\x83\x93\x82\xe6\x82\xe8\x93\x5d\x91\x97")
        << "the forward subject in code page 932";
    EXPECT_EQ(mail.strServer, "smtp.example.jp");
    EXPECT_EQ(mail.strFrom, "me@example.jp");
    EXPECT_EQ(mail.strAttachments, "");
}

TEST_F(ForwardCycle, MessageWithoutFieldsIsForwardedWithEmptyValuesWhenRulesAreOff) {
    m_mailbox.AddMessage("A", {});
    SetMarker("x", "y"); // an empty marker would take it as already forwarded
    EXPECT_TRUE(Run());
    ASSERT_EQ(m_mailbox.m_sent.size(), 1u);
    EXPECT_EQ(m_mailbox.m_sent[0].strBody, "Title:\r\nFrom:\r\nDate:\r\nBody:\r\n");
}

TEST_F(ForwardCycle, SizeLimitCountsCodePageBytesAndLetsExactlyTheLimitPass) {
    // 29 bytes of labels and line ends, 3 of values, 68 of body: 100 bytes.
    std::string body;
    for (int i = 0; i < 34; ++i)
        body += Utf8ToCp932("あ");
    m_folder.SetInt(kSectionRule, kKeyLimitByte, 100);
    m_mailbox.AddMessage("exact", MessageFields("f", "s", body, "", "d"));
    m_mailbox.AddMessage("over", MessageFields("g", "s", body + "x", "", "d"));
    EXPECT_TRUE(Run());
    ASSERT_EQ(m_mailbox.m_sent.size(), 1u);
    EXPECT_EQ(m_mailbox.m_sent[0].strBody.size(), 100u);
    EXPECT_EQ(Engine().GetLastFrom(), "f") << "a skipped message leaves the marker alone";

    m_folder.SetInt(kSectionRule, kKeyRuleSize, 0);
    EXPECT_TRUE(Run());
    EXPECT_EQ(Engine().GetLastFrom(), "g") << "with the size rule off the longer one goes too";
}

TEST_F(ForwardCycle, AttachmentRuleHoldsBackOnlyFilesThatExist) {
    std::string file = m_folder.MakeTempFile("report.pdf");
    m_mailbox.AddMessage("held", {"From: a", "Subject: with file", "File: " + file});
    m_mailbox.AddMessage("ghost", {"From: b", "Subject: ghost", "File: /nonexistent/x.pdf"});
    EXPECT_TRUE(Run());
    ASSERT_EQ(m_mailbox.m_sent.size(), 1u);
    EXPECT_EQ(m_mailbox.m_sent[0].strAttachments, "");
    EXPECT_EQ(Engine().GetLastFrom(), "b");
}

TEST_F(ForwardCycle, AttachmentsAreJoinedWithTabWhenTheRuleIsOff) {
    std::string first = m_folder.MakeTempFile("one.txt");
    std::string second = m_folder.MakeTempFile("two.txt");
    m_folder.SetInt(kSectionRule, kKeyRuleTemp, 0);
    m_mailbox.AddMessage("A", {"From: a", "File: " + first, "File: " + second});
    EXPECT_TRUE(Run());
    ASSERT_EQ(m_mailbox.m_sent.size(), 1u);
    EXPECT_EQ(m_mailbox.m_sent[0].strAttachments, first + "\t" + second);
    EXPECT_EQ(::access(first.c_str(), F_OK), 0) << "attachment files are left in place";
}

TEST_F(ForwardCycle, RuleFilesAreReadAgainForEveryMessage) {
    m_folder.SetInt(kSectionRule, kKeyRuleFrom, 1);
    m_folder.WriteList(kSenderRuleFile, {"EXAMPLE.JP"});
    m_mailbox.AddMessage("A", MessageFields("a@example.jp", "one"));
    m_mailbox.AddMessage("B", MessageFields("b@example.jp", "two"));
    m_mailbox.m_onSend = [this](const SentMail&) {
        m_folder.WriteList(kSenderRuleFile, {"someone-else"});
    };
    EXPECT_TRUE(Run());
    EXPECT_EQ(m_mailbox.m_sent.size(), 1u);
    EXPECT_EQ(Engine().GetLastSubject(), "one");
}

TEST_F(ForwardCycle, RejectedMessagesLeaveNoTraceButTheMarkerIsStillWritten) {
    AddABC();
    SetMarker("x@example.jp", "old");
    m_folder.SetInt(kSectionRule, kKeyRuleFrom, 1); // and no rule file
    ScribbleOverStoredMarker();
    EXPECT_TRUE(Run());
    EXPECT_TRUE(m_mailbox.m_sent.empty());
    EXPECT_TRUE(m_folder.LoggedMessages().empty());
    EXPECT_EQ(StoredFrom(), "x@example.jp");
}

TEST_F(ForwardCycle, EmptyMailboxWritesNoMarker) {
    SetMarker("x@example.jp", "old");
    ScribbleOverStoredMarker();
    EXPECT_TRUE(Run());
    EXPECT_EQ(StoredFrom(), "untouched");
}

TEST_F(ForwardCycle, SendsToEveryAddressInFileOrderIncludingAnEmptyLine) {
    m_folder.WriteAppFile(kAddressFile, "first@example.jp\r\n\r\nthird@example.jp");
    m_mailbox.AddMessage("A", MessageFields("a", "s"));
    EXPECT_TRUE(Run());
    EXPECT_EQ(m_mailbox.SentTo(), (Names{"first@example.jp", "", "third@example.jp"}));
    EXPECT_EQ(Engine().GetLastFrom(), "a");
}

TEST_F(ForwardCycle, SendFailureStopsAtThatAddressLogsAndKeepsTheMarker) {
    m_folder.WriteList(kAddressFile, {"1@example.jp", "2@example.jp", "3@example.jp"});
    m_mailbox.m_failingAddresses = {"2@example.jp"};
    m_mailbox.m_strSendError = "RCPT failed: 550 (100% sure)";
    m_mailbox.AddMessage("A", MessageFields("a", "s"));
    SetMarker("old", "marker");
    ScribbleOverStoredMarker();
    EXPECT_TRUE(Run());
    EXPECT_EQ(m_mailbox.AttemptedTo(), (Names{"1@example.jp", "2@example.jp"}));
    EXPECT_EQ(m_folder.LoggedMessages(),
              Names{Utf8ToCp932("送信エラー:") + "RCPT failed: 550 (100% sure)"});
    EXPECT_EQ(Engine().GetLastFrom(), "old");
    EXPECT_EQ(StoredFrom(), "old");
}

// Fault fix: a failed message used to be passed over for good once a later
// message of the same cycle was forwarded. Now the failure holds the rest of
// the cycle back, and the next cycle starts again at the failed message.
TEST_F(ForwardCycle, FailedMessageHoldsLaterMailBackAndIsTriedFirstNextCycle) {
    m_mailbox.AddMessage("A", MessageFields("a", "fails once"));
    m_mailbox.m_nFailNextSends = 1;
    EXPECT_TRUE(Run());
    EXPECT_TRUE(Run());
    EXPECT_EQ(m_mailbox.AttemptedTo().size(), 2u);
    EXPECT_EQ(Engine().GetLastFrom(), "a");

    m_mailbox.AddMessage("B", MessageFields("b", "fails"));
    m_mailbox.AddMessage("C", MessageFields("c", "goes"));
    m_mailbox.m_nFailNextSends = 1;
    EXPECT_TRUE(Run());
    EXPECT_EQ(Engine().GetLastFrom(), "a") << "the marker stops before B";
    EXPECT_EQ(m_mailbox.DecodedNames().back(), "B") << "C was not even decoded";
    EXPECT_FALSE(Exists("C")) << "a held-back file is still removed";
    EXPECT_TRUE(Run());
    EXPECT_EQ(Engine().GetLastFrom(), "c");
    EXPECT_EQ(m_mailbox.SentTo().size(), 3u) << "A, B and C each reached the phone once";
    EXPECT_EQ(m_folder.LoggedMessages().size(), 2u);
}

// A message that always fails keeps later mail waiting, and says so in the
// log at every cycle; nothing is forwarded twice meanwhile.
TEST_F(ForwardCycle, MessageThatAlwaysFailsIsLoggedEveryCycleAndNothingIsSentTwice) {
    m_folder.WriteList(kAddressFile, {"phone@example.jp", "pager@example.jp"});
    m_mailbox.AddMessage("A", MessageFields("a", "goes"));
    m_mailbox.AddMessage("B", MessageFields("b", "stuck"));
    m_mailbox.AddMessage("C", MessageFields("c", "waits"));
    m_mailbox.m_onSend = [this](const SentMail& mail) {
        if (mail.strBody.find("stuck") != std::string::npos && mail.strTo == "phone@example.jp")
            m_mailbox.m_nFailNextSends = 1;
    };
    for (int cycle = 0; cycle < 3; ++cycle)
        EXPECT_TRUE(Run());
    EXPECT_EQ(Engine().GetLastFrom(), "a");
    EXPECT_EQ(m_folder.LoggedMessages().size(), 3u);
    // A went to both addresses once; B's phone copy is repeated (it never
    // reached the pager); C never left.
    EXPECT_EQ(
        m_mailbox.AttemptedTo(),
        (Names{"phone@example.jp", "pager@example.jp", "phone@example.jp", "pager@example.jp",
               "phone@example.jp", "pager@example.jp", "phone@example.jp", "pager@example.jp"}));
}

TEST_F(ForwardCycle, ReceiveFailureIsLoggedAndWritesNoMarker) {
    AddABC();
    SetMarker("x", "y");
    ScribbleOverStoredMarker();
    m_mailbox.m_nReceiveResult = 0;
    m_mailbox.m_strReceiveError = "connect to pop.example.jp failed";
    EXPECT_FALSE(Run());
    EXPECT_EQ(m_folder.LoggedMessages(),
              Names{Utf8ToCp932("受信エラー:") + "connect to pop.example.jp failed"});
    EXPECT_TRUE(m_mailbox.DecodedNames().empty());
    EXPECT_EQ(StoredFrom(), "untouched");
}

TEST_F(ForwardCycle, ReceiveResultZeroWithoutErrorTextIsSuccess) {
    AddABC();
    m_mailbox.m_nReceiveResult = 0;
    EXPECT_TRUE(Run());
    EXPECT_EQ(m_mailbox.m_sent.size(), 3u);
    EXPECT_TRUE(m_folder.LoggedMessages().empty());
}

TEST_F(ForwardCycle, UnremovableFileEndsTheCycleWithoutStoringTheMarker) {
    AddABC();
    m_mailbox.MakeUnremovable("B");
    SetMarker("x", "y");
    ScribbleOverStoredMarker();
    EXPECT_FALSE(Run());
    EXPECT_EQ(m_mailbox.DecodedNames(), (Names{"A", "B", "C", "A", "B"}));
    EXPECT_EQ(m_mailbox.m_sent.size(), 1u) << "B is not tested, C not reached";
    EXPECT_EQ(StoredFrom(), "untouched");
    EXPECT_TRUE(Exists("C"));
}

TEST_F(ForwardCycle, UnremovableFileBeforeTheBoundaryEndsTheCycleToo) {
    AddABC();
    m_mailbox.MakeUnremovable("A");
    SetMarker("b@example.jp", "beta");
    EXPECT_FALSE(Run());
    EXPECT_TRUE(m_mailbox.m_sent.empty());
}

TEST_F(ForwardCycle, MarkerWithBlanksSurvivesARestart) {
    m_mailbox.AddMessage("A", {"From:  Taro  <t@example.jp> ", "Subject: s", "Message-ID: <1@x>"});
    EXPECT_TRUE(Run());
    CForwardEngine restarted(m_folder.AppDir(), m_folder.TempDir(), &m_mailbox);
    EXPECT_EQ(restarted.GetLastFrom(), " Taro  <t@example.jp> ");
    EXPECT_EQ(restarted.GetLastSubject(), "s");
    EXPECT_EQ(restarted.GetLastMessageId(), "<1@x>");
}

// A daily report keeps its From and Subject; only the Message-ID tells the
// copies apart.
TEST_F(ForwardCycle, SecondMessageLikeTheMarkerIsForwardedOnce) {
    m_mailbox.AddMessage("mon", MessageFields("report@example.jp", "Daily", "1", "<mon@x>"));
    m_mailbox.AddMessage("tue", MessageFields("report@example.jp", "Daily", "2", "<tue@x>"));
    SetMarker("report@example.jp", "Daily", "<mon@x>");
    EXPECT_TRUE(Run());
    EXPECT_TRUE(Run());
    EXPECT_TRUE(Run());
    ASSERT_EQ(m_mailbox.m_sent.size(), 1u);
    EXPECT_NE(m_mailbox.m_sent[0].strBody.find("Body:2"), std::string::npos);
    EXPECT_EQ(m_folder.GetString(kSectionLastSend, kKeyLastMessageId), "<tue@x>");
}

TEST_F(ForwardCycle, WithoutMessageIdsTheSecondCopyIsForwardedAtEveryCycle) {
    m_mailbox.AddMessage("mon", MessageFields("report@example.jp", "Daily", "1"));
    m_mailbox.AddMessage("tue", MessageFields("report@example.jp", "Daily", "2"));
    SetMarker("report@example.jp", "Daily");
    EXPECT_TRUE(Run());
    EXPECT_TRUE(Run());
    EXPECT_EQ(m_mailbox.m_sent.size(), 2u);
}

} // namespace

// The window's badge and the notifications show what the last cycle did.
TEST_F(ForwardCycle, ReportCountsForwardedMailAndKeepsEveryLoggedError) {
    EXPECT_EQ(Engine().GetLastReport().tFinished, 0);
    m_folder.WriteList(kAddressFile, {"1@example.jp", "2@example.jp"});
    m_mailbox.AddMessage("A", MessageFields("a", "goes"));
    m_mailbox.AddMessage("B", MessageFields("b", "fails"));
    m_mailbox.m_onSend = [this](const SentMail& mail) {
        if (mail.strBody.find("fails") != std::string::npos)
            m_mailbox.m_nFailNextSends = 1;
    };
    m_mailbox.m_strSendError = "RCPT failed: 550";
    EXPECT_TRUE(Run());
    const CycleReport& report = Engine().GetLastReport();
    EXPECT_NE(report.tFinished, 0);
    EXPECT_TRUE(report.bSucceeded);
    EXPECT_EQ(report.nForwarded, 1);
    EXPECT_EQ(report.strErrors, "送信エラー:RCPT failed: 550");

    m_mailbox.m_onSend = nullptr;
    m_mailbox.m_nReceiveResult = 0;
    m_mailbox.m_strReceiveError = "connect failed";
    EXPECT_FALSE(Run());
    EXPECT_FALSE(Engine().GetLastReport().bSucceeded);
    EXPECT_EQ(Engine().GetLastReport().nForwarded, 0);
    EXPECT_EQ(Engine().GetLastReport().strErrors, "受信エラー:connect failed");
}
