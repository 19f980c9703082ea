// One forwarding cycle against a scripted mailbox.
#include "CScriptedMailbox.h"
#include "EngineTestFolder.h"
#include "config/schema.h"
#include "engine/CForwardEngine.h"
#include "platform/codepage.h"
#include "tests/common/HostileFiles.h"
#include "tests/common/RunProgram.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <memory>
#include <regex>
#include <unistd.h>

namespace {

using namespace schema;
using Names = std::vector<std::string>;

class ForwardCycle : public testing::Test {
protected:
    ForwardCycle() : m_mailbox(m_folder.TempDir()) {
        m_folder.WriteList(kAddressFile, {"phone@example.jp"});
        m_folder.SetString("RECV", "POP3", "pop.example.jp");
        m_folder.SetString("RECV", "SMTP", "smtp.example.jp");
        m_folder.SetString("RECV", "ACOUNT", "taro");
        m_folder.SetString("RECV", "PASSWORD", "secret");
        m_folder.SetString("RECV", "MAILADDRESS", "me@example.jp");
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
        m_folder.SetString("LASTSEND", "FROM", from);
        m_folder.SetString("LASTSEND", "SUBJECT", subject);
        m_folder.SetString("LASTSEND", "MESSAGEID", messageId);
    }
    std::string StoredFrom() const { return m_folder.GetString("LASTSEND", "FROM"); }
    // Overwrites the stored marker behind the engine's back, so a test can
    // see whether the cycle wrote it.
    void ScribbleOverStoredMarker() {
        Engine();
        m_folder.SetString("LASTSEND", "FROM", "untouched");
    }
    std::string RecordPath() const { return m_folder.AppDir() + "/" + kDeliveryRecordFile; }
    std::string Record() const { return ReadFileBytes(RecordPath()); }
    bool Exists(const std::string& name) const {
        return ::access(m_mailbox.PathOf(name).c_str(), F_OK) == 0;
    }
    void AddABC() {
        m_mailbox.AddMessage("A", ScriptedMessage("a@example.jp", "alpha"));
        m_mailbox.AddMessage("B", ScriptedMessage("b@example.jp", "beta"));
        m_mailbox.AddMessage("C", ScriptedMessage("c@example.jp", "gamma"));
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

// The settings file is code page 932; the library gets UTF-8.
TEST_F(ForwardCycle, PassesAccountAndCaFileToTheLibraryBeforeReceiving) {
    m_folder.SetString("RECV", "CAFILE", "/etc/quiben/ca.pem");
    m_folder.SetString("RECV", "PASSWORD", Utf8ToCp932("秘密-pw"));
    EXPECT_TRUE(Run());
    EXPECT_EQ(m_mailbox.m_calls, (Names{"ca:/etc/quiben/ca.pem", "receive"}));
    const CPop3Account& account = m_mailbox.m_receivedAccount;
    EXPECT_EQ((Names{account.strServer, account.strUser, account.strPassword}),
              (Names{"pop.example.jp", "taro", "秘密-pw"}));
}

TEST_F(ForwardCycle, MessagesUpToTheMarkerAreRemovedWithoutBeingTested) {
    AddABC();
    SetMarker("b@example.jp", "beta");
    EXPECT_TRUE(Run());
    // A and B are decoded once by the boundary search only; C by the cycle.
    EXPECT_EQ(m_mailbox.DecodedNames(), (Names{"A", "B", "C"}));
    ASSERT_EQ(m_mailbox.m_sent.size(), 1u);
    EXPECT_NE(m_mailbox.m_sent[0].mail.strBody.find("gamma"), std::string::npos);
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
    m_mailbox.AddMessage("A", ScriptedMessage("Yamada <y@example.jp>", "会議の件",
                                              "\r\n明日の会議は\r\n十時からです。\r\n\r\n", "",
                                              "Tue, 2 Jan 2024"));
    EXPECT_TRUE(Run());
    ASSERT_EQ(m_mailbox.m_sent.size(), 1u);
    const SentMail& sent = m_mailbox.m_sent[0];
    EXPECT_EQ(sent.mail.strBody, "Title:会議の件\r\nFrom:Yamada <y@example.jp>\r\n"
                                 "Date:Tue, 2 Jan 2024\r\nBody:明日の会議は\r\n十時からです。\r\n");
    EXPECT_EQ(sent.mail.strSubject, "クイベンより転送");
    EXPECT_EQ(sent.strServer, "smtp.example.jp");
    EXPECT_EQ(sent.mail.strFrom, "me@example.jp");
    EXPECT_TRUE(sent.mail.vecAttachments.empty());
}

// Nothing on the way from the decoder to the sent mail narrows the text to
// code page 932; only the stored marker takes that form, and a subject rule
// read from code page 932 matches the Unicode subject.
TEST_F(ForwardCycle, EveryCharacterIsForwardedAndTheMarkerIsStoredInCodePage932) {
    const std::string subject = "Café ☕ ご予約の確認 🎉";
    const std::string from = "Zoë 髙橋 <zoe@example.jp>";
    const std::string body = "Crème brûlée 🍮 ①② ﾊﾝｶｸ 﨑";
    m_folder.SetInt("RULE", "SUBJECT", 1);
    m_folder.WriteList(kSubjectRuleFile, {Utf8ToCp932("予約")});
    m_mailbox.AddMessage("A", ScriptedMessage(from, subject, body, "1@example.jp"));
    EXPECT_TRUE(Run());
    ASSERT_EQ(m_mailbox.m_sent.size(), 1u);
    EXPECT_EQ(m_mailbox.m_sent[0].mail.strBody,
              "Title:" + subject + "\r\nFrom:" + from +
                  "\r\nDate:Mon, 1 Jan 2024 09:00:00 +0900\r\nBody:" + body + "\r\n");
    EXPECT_EQ(m_folder.GetString("LASTSEND", "SUBJECT"),
              "Caf? ? \x82\xb2\x97\x5c\x96\xf1\x82\xcc\x8a\x6d\x94\x46 ?");
    EXPECT_EQ(m_folder.GetString("LASTSEND", "FROM"), "Zo? \xfb\xfc\x8b\xb4 <zoe@example.jp>");

    m_folder.WriteList(kSubjectRuleFile, {"CAFE", "caf\xe9"}); // no match: é is not e
    EXPECT_FALSE(Engine().PassesRules(from, subject));
}

TEST_F(ForwardCycle, MessageWithoutFieldsIsForwardedWithEmptyValuesWhenRulesAreOff) {
    m_mailbox.AddMessage("A", {});
    SetMarker("x", "y"); // an empty marker would take it as already forwarded
    EXPECT_TRUE(Run());
    ASSERT_EQ(m_mailbox.m_sent.size(), 1u);
    EXPECT_EQ(m_mailbox.m_sent[0].mail.strBody, "Title:\r\nFrom:\r\nDate:\r\nBody:\r\n");
}

// The limit counts code page 932 bytes, as a phone's limit always did; a
// character the code page lacks (an emoji) counts as 2.
TEST_F(ForwardCycle, SizeLimitCountsCodePageBytesAndLetsExactlyTheLimitPass) {
    // 29 bytes of labels and line ends, 3 of values, 68 of body: 100 bytes.
    std::string body = "🎉";
    for (int i = 0; i < 33; ++i)
        body += "あ";
    m_folder.SetInt("RULE", "LIMIT_BYTE", 100);
    m_mailbox.AddMessage("exact", ScriptedMessage("f", "s", body, "", "d"));
    m_mailbox.AddMessage("over", ScriptedMessage("g", "s", body + "x", "", "d"));
    EXPECT_TRUE(Run());
    ASSERT_EQ(m_mailbox.m_sent.size(), 1u);
    EXPECT_EQ(m_mailbox.m_sent[0].mail.strBody.size(), 29u + 3u + 4u + 33u * 3u);
    EXPECT_EQ(Engine().GetLastFrom(), "f") << "a skipped message leaves the marker alone";

    // A message held back is handled: switching the rule off lets later
    // mail through, not the mail it held back.
    m_folder.SetInt("RULE", "SIZE", 0);
    m_mailbox.AddMessage("later", ScriptedMessage("h", "s", body + "x", "", "d"));
    EXPECT_TRUE(Run());
    EXPECT_EQ(m_mailbox.SentTo().size(), 2u);
    EXPECT_EQ(Engine().GetLastFrom(), "h");
}

TEST_F(ForwardCycle, AttachmentRuleHoldsBackMailWithFilesUnlessItIsOff) {
    CDecodedMessage withFiles = ScriptedMessage("a", "with files");
    withFiles.vecAttachments = {m_folder.MakeTempFile("one.txt"), m_folder.MakeTempFile("two.txt")};
    m_mailbox.AddMessage("held", withFiles);
    m_mailbox.AddMessage("plain", ScriptedMessage("b", "plain"));
    EXPECT_TRUE(Run());
    ASSERT_EQ(m_mailbox.m_sent.size(), 1u);
    EXPECT_TRUE(m_mailbox.m_sent[0].mail.vecAttachments.empty());
    EXPECT_EQ(Engine().GetLastFrom(), "b");

    m_folder.SetInt("RULE", "TEMP", 0);
    SetMarker("", "");
    ::unlink(RecordPath().c_str()); // a first run again
    CForwardEngine engine(m_folder.AppDir(), m_folder.TempDir(), &m_mailbox);
    EXPECT_TRUE(engine.RunForwardCycle());
    ASSERT_EQ(m_mailbox.m_sent.size(), 3u);
    EXPECT_EQ(m_mailbox.m_sent[1].mail.vecAttachments, withFiles.vecAttachments);
    EXPECT_EQ(::access(withFiles.vecAttachments[0].c_str(), F_OK), 0)
        << "attachment files are left in place";
}

TEST_F(ForwardCycle, RuleFilesAreReadAgainForEveryMessage) {
    m_folder.SetInt("RULE", "FROM", 1);
    m_folder.WriteList(kSenderRuleFile, {"EXAMPLE.JP"});
    m_mailbox.AddMessage("A", ScriptedMessage("a@example.jp", "one"));
    m_mailbox.AddMessage("B", ScriptedMessage("b@example.jp", "two"));
    m_mailbox.m_onSend = [this](const SentMail&) {
        m_folder.WriteList(kSenderRuleFile, {"someone-else"});
    };
    EXPECT_TRUE(Run());
    EXPECT_EQ(m_mailbox.m_sent.size(), 1u);
    EXPECT_EQ(Engine().GetLastSubject(), "one");
}

TEST_F(ForwardCycle, RejectedMessagesAreNotLoggedAndTheMarkerIsStillWritten) {
    AddABC();
    SetMarker("x@example.jp", "old");
    m_folder.SetInt("RULE", "FROM", 1); // and no rule file
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

TEST_F(ForwardCycle, SendsToEveryAddressInFileOrderSkippingEmptyLinesAndDuplicates) {
    m_folder.WriteAppFile(
        kAddressFile, "first@example.jp\r\n\r\n  Third <third@example.jp> \r\nFIRST@example.jp");
    m_folder.SetString("RECV", "MAILADDRESS", " me@example.jp\t");
    m_mailbox.AddMessage("A", ScriptedMessage("a", "s"));
    EXPECT_TRUE(Run());
    EXPECT_EQ(m_mailbox.SentTo(), (Names{"first@example.jp", "third@example.jp"}));
    EXPECT_EQ(m_mailbox.m_sent[0].mail.strFrom, "me@example.jp");
    EXPECT_TRUE(m_folder.LoggedMessages().empty());
}

// Fault fix: an address refused for good used to stop the sending at it, so
// the addresses after it never got the mail and those before it got it again
// at every cycle.
TEST_F(ForwardCycle, AddressRefusedForGoodIsLoggedOnceAndTheOthersGetTheMailOnce) {
    m_folder.WriteList(kAddressFile, {"1@example.jp", "2@example.jp", "3@example.jp", "x y"});
    m_mailbox.Refuse("2@example.jp", 550);
    m_mailbox.AddMessage("A", ScriptedMessage("a", "s"));
    m_mailbox.AddMessage("B", ScriptedMessage("b", "s"));
    EXPECT_TRUE(Run());
    EXPECT_TRUE(Run());
    EXPECT_EQ(m_mailbox.SentTo(),
              (Names{"1@example.jp", "3@example.jp", "1@example.jp", "3@example.jp"}));
    EXPECT_EQ(m_mailbox.AttemptedTo().size(), 6u) << "never tried again";
    EXPECT_EQ(
        m_folder.LoggedMessages(),
        (Names{Utf8ToCp932("送信エラー:to_adr.txt 4行目 \"x y\": メールアドレスではありません"),
               Utf8ToCp932("送信エラー:RCPT failed: 550 (2@example.jp、再送しません)"),
               Utf8ToCp932("送信エラー:to_adr.txt 4行目 \"x y\": メールアドレスではありません")}))
        << "the refusal once, the unusable line once per cycle";
    EXPECT_EQ(StoredFrom(), "b");
}

// Fault fix: a failed send used to hold the message and all later mail back.
// A server that asks to try later is asked again for that address alone.
TEST_F(ForwardCycle, TemporaryRefusalIsRetriedForThatAddressAloneAndHoldsNothingBack) {
    m_folder.WriteList(kAddressFile, {"phone@example.jp", "busy@example.jp"});
    m_mailbox.Refuse("busy@example.jp", 450);
    m_mailbox.AddMessage("A", ScriptedMessage("a", "first"));
    EXPECT_TRUE(Run());
    m_mailbox.AddMessage("B", ScriptedMessage("b", "second"));
    EXPECT_TRUE(Run());
    EXPECT_EQ(m_mailbox.SentTo(), (Names{"phone@example.jp", "phone@example.jp"}));
    EXPECT_EQ(m_folder.LoggedMessages().size(), 2u) << "one entry per cycle";
    EXPECT_NE(Record().find("pending"), std::string::npos);

    m_mailbox.m_refusals.clear();
    EXPECT_TRUE(Run());
    EXPECT_TRUE(Run());
    EXPECT_EQ(m_mailbox.SentTo(), (Names{"phone@example.jp", "phone@example.jp", "busy@example.jp",
                                         "busy@example.jp"}));
    EXPECT_EQ(Engine().GetLastFrom(), "b") << "retries do not move the marker back";
}

// A server that cannot be reached would fail every send alike: the first
// failure ends the sending of the cycle, and everything waits for the next.
TEST_F(ForwardCycle, ServerThatFailsEndsTheSendingAndEverythingWaitsForTheNextCycle) {
    m_folder.WriteList(kAddressFile, {"phone@example.jp", "pager@example.jp"});
    AddABC();
    m_mailbox.m_nFailNextSends = 1;
    EXPECT_TRUE(Run());
    EXPECT_EQ(m_mailbox.AttemptedTo().size(), 1u);
    EXPECT_EQ(m_folder.LoggedMessages(),
              Names{Utf8ToCp932(
                  "送信エラー:サーバに接続できません (phone@example.jp、あとで再送します)")});
    EXPECT_TRUE(Run());
    EXPECT_EQ(m_mailbox.SentTo().size(), 6u);
    EXPECT_EQ(Engine().GetLastFrom(), "c@example.jp");
}

// Waiting ends: after three days, or when the message leaves the server.
// Each is said once, with the message's subject and the addresses.
TEST_F(ForwardCycle, PendingMailIsGivenUpOnceAfterThreeDaysOrWhenItLeavesTheServer) {
    m_folder.WriteList(kAddressFile, {"phone@example.jp", "busy@example.jp"});
    m_mailbox.Refuse("busy@example.jp", 452);
    AddABC();
    EXPECT_TRUE(Run());
    // The record's time of A (first line after the mailbox) goes three days back.
    const std::string stale =
        std::to_string(std::time(nullptr) - CForwardEngine::kGiveUpAfterSeconds);
    m_folder.WriteAppFile(kDeliveryRecordFile,
                          std::regex_replace(Record(), std::regex("pending [0-9]+ pop3:A "),
                                             "pending " + stale + " pop3:A "));
    m_mailbox.RemoveMessage("C");
    EXPECT_TRUE(Run());
    EXPECT_TRUE(Run());
    Names logged = m_folder.LoggedMessages();
    ASSERT_EQ(logged.size(), 5u); // the 452 at each cycle, then the two given up
    EXPECT_EQ(Cp932ToUtf8(logged[1]),
              "送信エラー:サーバから消えたメールの転送をあきらめました: gamma (busy@example.jp)");
    EXPECT_EQ(Cp932ToUtf8(logged[2]),
              "送信エラー:3日間送れなかったメールの転送をあきらめました: alpha (busy@example.jp)");
    EXPECT_EQ(m_mailbox.AttemptedTo().size(), 6u + 2u) << "only beta was tried again";
}

// Guessing what was forwarded could send the whole mailbox again: a record
// that is not what it seems, or that cannot be read, stops the forwarding
// and is left as it is for the user to look at.
TEST_F(ForwardCycle, RecordThatCannotBeTrustedStopsTheForwardingAndIsLeftAlone) {
    AddABC();
    const std::string valid = "QUIBEN-DELIVERY 1\r\nmailbox pop.example.jp taro\r\n";
    for (HostileFile kind : kHostileFiles) {
        SCOPED_TRACE(static_cast<int>(kind));
        m_folder.WriteAppFile("victim", valid);
        std::filesystem::remove_all(RecordPath());
        if (!PlantHostileFile(kind, RecordPath(), m_folder.AppDir() + "/victim"))
            continue;
        EXPECT_TRUE(EndsInChildWithin([this] { Run(); }, 30)) << "hangs";
        EXPECT_FALSE(Run());
        EXPECT_EQ(ReadFileBytes(m_folder.AppDir() + "/victim"), valid);
    }
    for (const std::string& damaged : {valid + "done 1700000000\r\n", std::string("QUIBEN")}) {
        std::filesystem::remove_all(RecordPath());
        m_folder.WriteAppFile(kDeliveryRecordFile, damaged);
        EXPECT_FALSE(Run());
        EXPECT_EQ(Record(), damaged);
    }
    EXPECT_TRUE(m_mailbox.m_sent.empty());
    EXPECT_EQ(Cp932ToUtf8(m_folder.LoggedMessages().back()),
              "記録エラー:DeliveryRecord.txt を使えません "
              "(配送記録の形式ではありません)。転送を中断しました");
}

// Fault fix: when newer mail of a mailbox larger than the listing is
// deleted, older mail comes back into view at its old end; the marker
// stood after it, the record may never have seen it. It is not new.
TEST_F(ForwardCycle, OldMailComingBackIntoAFullListingIsNotForwarded) {
    m_folder.SetInt("RULE", "FROM", 1);
    m_folder.WriteList(kSenderRuleFile, {"new@"});
    for (int i = 0; i < 300; ++i)
        m_mailbox.AddMessage("m" + std::to_string(i), ScriptedMessage("old@example.jp", "old"));
    EXPECT_TRUE(Run());
    for (int i = 290; i < 300; ++i)
        m_mailbox.RemoveMessage("m" + std::to_string(i));
    m_mailbox.AddMessage("late", ScriptedMessage("new@example.jp", "late"));
    m_folder.WriteList(kSenderRuleFile, {"@"});
    EXPECT_TRUE(Run());
    EXPECT_EQ(m_mailbox.m_sent.size(), 1u);
    EXPECT_EQ(Engine().GetLastFrom(), "new@example.jp");
}

// A server that gives no UIDLs: messages are known by size and header
// fields. One that gave them and lapses: nothing is taken for new mail.
TEST_F(ForwardCycle, WithoutUidlsMailIsKnownByItsFieldsAndALapseForwardsNothingAgain) {
    m_mailbox.m_bNoUidls = true;
    AddABC();
    EXPECT_TRUE(Run());
    EXPECT_TRUE(Run());
    EXPECT_EQ(m_mailbox.m_sent.size(), 3u);

    ::unlink(RecordPath().c_str()); // from here on the server gives UIDLs, but for one cycle
    m_mailbox.m_bNoUidls = false;
    EXPECT_TRUE(Run());
    m_mailbox.AddMessage("D", ScriptedMessage("d@example.jp", "delta"));
    m_mailbox.m_bNoUidls = true;
    EXPECT_TRUE(Run());
    m_mailbox.m_bNoUidls = false;
    EXPECT_TRUE(Run());
    EXPECT_EQ(m_mailbox.m_sent.size(), 4u);
    EXPECT_TRUE(m_folder.LoggedMessages().empty());
}

// The library may skip a mailbox that is as the last finished cycle left
// it; the engine lets it unless an address waits for a retry.
TEST_F(ForwardCycle, UnchangedMailboxEndsTheCycleUnlessAnAddressWaits) {
    m_folder.WriteList(kAddressFile, {"phone@example.jp", "busy@example.jp"});
    m_mailbox.Refuse("busy@example.jp", 450);
    AddABC();
    EXPECT_TRUE(Run());
    EXPECT_EQ(m_mailbox.m_nMarkedHandled, 1);
    m_mailbox.m_bUnchanged = true;
    m_mailbox.m_refusals.clear();
    EXPECT_TRUE(Run());
    EXPECT_EQ(m_mailbox.SentTo(), (Names{"phone@example.jp", "phone@example.jp", "phone@example.jp",
                                         "busy@example.jp", "busy@example.jp", "busy@example.jp"}));

    const std::size_t callsBefore = m_mailbox.m_calls.size();
    ScribbleOverStoredMarker();
    EXPECT_TRUE(Run());
    EXPECT_EQ(m_mailbox.m_receiveMaySkip, (std::vector<bool>{true, false, true}));
    EXPECT_EQ(m_mailbox.m_calls.size(), callsBefore + 2) << "CA file and receive, nothing else";
    EXPECT_EQ(StoredFrom(), "untouched");
    EXPECT_EQ(m_mailbox.m_nMarkedHandled, 2);
    EXPECT_TRUE(Engine().GetLastReport().bSucceeded);
}

// A server that gives every message a new id at once (an IMAP mailbox made
// anew has a new UIDVALIDITY) lists old mail under keys the record never
// saw: the marker tells old from new, as on the first cycle.
TEST_F(ForwardCycle, MessagesUnderNewIdsAreOldMailUpToTheMarker) {
    auto add = [this](const std::string& validity, int uid, const char* subject) {
        m_mailbox.AddMessage("imap:" + validity + "." + std::to_string(uid) + "@0f",
                             ScriptedMessage("a@example.jp", subject, "b", subject));
    };
    add("7", 1, "one");
    add("7", 2, "two");
    EXPECT_TRUE(Run());
    m_mailbox.RemoveMessage("imap:7.1@0f");
    m_mailbox.RemoveMessage("imap:7.2@0f");
    add("8", 1, "one");
    add("8", 2, "two");
    add("8", 3, "three");
    EXPECT_TRUE(Run());
    ASSERT_EQ(m_mailbox.m_sent.size(), 3u);
    EXPECT_NE(m_mailbox.m_sent[2].mail.strBody.find("three"), std::string::npos);
    EXPECT_NE(Record().find("imap:8.3@0f"), std::string::npos) << "keys as the library names them";
}

TEST_F(ForwardCycle, ReceiveFailureIsLoggedAndWritesNoMarker) {
    AddABC();
    SetMarker("x", "y");
    ScribbleOverStoredMarker();
    m_mailbox.m_strReceiveError = "connect to pop.example.jp failed";
    EXPECT_FALSE(Run());
    EXPECT_EQ(m_folder.LoggedMessages(),
              Names{Utf8ToCp932("受信エラー:") + "connect to pop.example.jp failed"});
    EXPECT_TRUE(m_mailbox.DecodedNames().empty());
    EXPECT_EQ(StoredFrom(), "untouched");
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
    EXPECT_EQ(m_mailbox.m_nMarkedHandled, 0) << "the next cycle must list the mailbox again";
}

TEST_F(ForwardCycle, UnremovableFileBeforeTheBoundaryEndsTheCycleToo) {
    AddABC();
    m_mailbox.MakeUnremovable("A");
    SetMarker("b@example.jp", "beta");
    EXPECT_FALSE(Run());
    EXPECT_TRUE(m_mailbox.m_sent.empty());
}

TEST_F(ForwardCycle, MarkerWithBlanksSurvivesARestart) {
    m_mailbox.AddMessage("A", ScriptedMessage(" Taro  <t@example.jp> ", "s", "b", "<1@x>"));
    EXPECT_TRUE(Run());
    CForwardEngine restarted(m_folder.AppDir(), m_folder.TempDir(), &m_mailbox);
    EXPECT_EQ(restarted.GetLastFrom(), " Taro  <t@example.jp> ");
    EXPECT_EQ(restarted.GetLastSubject(), "s");
    EXPECT_EQ(restarted.GetLastMessageId(), "<1@x>");
}

// A daily report keeps its From and Subject; only the Message-ID tells the
// copies apart.
TEST_F(ForwardCycle, SecondMessageLikeTheMarkerIsForwardedOnce) {
    m_mailbox.AddMessage("mon", ScriptedMessage("report@example.jp", "Daily", "1", "<mon@x>"));
    m_mailbox.AddMessage("tue", ScriptedMessage("report@example.jp", "Daily", "2", "<tue@x>"));
    SetMarker("report@example.jp", "Daily", "<mon@x>");
    EXPECT_TRUE(Run());
    EXPECT_TRUE(Run());
    EXPECT_TRUE(Run());
    ASSERT_EQ(m_mailbox.m_sent.size(), 1u);
    EXPECT_NE(m_mailbox.m_sent[0].mail.strBody.find("Body:2"), std::string::npos);
    EXPECT_EQ(m_folder.GetString("LASTSEND", "MESSAGEID"), "<tue@x>");
}

// Fault fix: copies the marker cannot tell apart went out at every cycle.
TEST_F(ForwardCycle, WithoutMessageIdsTheSecondCopyIsForwardedOnce) {
    m_mailbox.AddMessage("mon", ScriptedMessage("report@example.jp", "Daily", "1"));
    m_mailbox.AddMessage("tue", ScriptedMessage("report@example.jp", "Daily", "2"));
    SetMarker("report@example.jp", "Daily");
    EXPECT_TRUE(Run());
    EXPECT_TRUE(Run());
    EXPECT_EQ(m_mailbox.m_sent.size(), 1u);
}

} // namespace

// The window's badge and the notifications show what the last cycle did.
TEST_F(ForwardCycle, ReportCountsForwardedMailAndKeepsEveryLoggedError) {
    EXPECT_EQ(Engine().GetLastReport().tFinished, 0);
    m_folder.WriteList(kAddressFile, {"1@example.jp", "2@example.jp"});
    m_mailbox.AddMessage("A", ScriptedMessage("a", "goes"));
    m_mailbox.AddMessage("B", ScriptedMessage("b", "refused"));
    m_mailbox.m_onSend = [this](const SentMail& sent) {
        if (sent.mail.strTo == "2@example.jp") {
            m_mailbox.Refuse("1@example.jp", 550);
            m_mailbox.Refuse("2@example.jp", 554, EMailRefusal::Message);
        }
    };
    EXPECT_TRUE(Run());
    const CycleReport& report = Engine().GetLastReport();
    EXPECT_NE(report.tFinished, 0);
    EXPECT_TRUE(report.bSucceeded);
    EXPECT_EQ(report.nForwarded, 1);
    EXPECT_EQ(report.strErrors, "送信エラー:RCPT failed: 550 (1@example.jp、再送しません)\n"
                                "送信エラー:RCPT failed: 554 (2@example.jp、再送しません)");

    m_mailbox.m_onSend = nullptr;
    m_mailbox.m_strReceiveError = "connect failed";
    EXPECT_FALSE(Run());
    EXPECT_FALSE(Engine().GetLastReport().bSucceeded);
    EXPECT_EQ(Engine().GetLastReport().nForwarded, 0);
    EXPECT_EQ(Engine().GetLastReport().strErrors, "受信エラー:connect failed");
}
