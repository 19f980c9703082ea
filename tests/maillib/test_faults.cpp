// Whole forwarding cycles against the real servers while something goes
// wrong: connections cut, stalled or spoiled by a proxy, servers that never
// answer, SMTP refusals, folders that cannot be written, a full disk. After
// each fault: the right log entry, no mail lost or sent twice, the settings
// files intact, and the next cycle forwards what waited.
#include "tests/maillib/MailTestSupport.h"

#include "config/listfile.h"
#include "config/schema.h"
#include "engine/CForwardEngine.h"
#include "platform/codepage.h"
#include "platform/profile.h"
#include "tests/common/CFaultProxy.h"
#include "tests/common/CFileSizeLimit.h"
#include "tests/common/CNoDacOverride.h"
#include "tests/common/CSilentServer.h"

#include <algorithm>
#include <chrono>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <future>
#include <gtest/gtest.h>
#include <iterator>
#include <set>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace {

using namespace schema;
const std::string kOwnAddress = "quiben@example.jp";
const std::vector<std::string> kAddresses = {"phone@example.jp", "tablet@example.jp"};

std::string Local(int port) {
    return "127.0.0.1:" + std::to_string(port);
}

// The command line of a process that holds text among its arguments.
std::string ProcessWithArgument(const std::string& text) {
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator("/proc", ec)) {
        std::ifstream file(entry.path() / "cmdline", std::ios::binary);
        std::string cmdline((std::istreambuf_iterator<char>(file)),
                            std::istreambuf_iterator<char>());
        if (cmdline.find(text) != std::string::npos)
            return cmdline;
    }
    return "";
}

class FaultTest : public MailServerTest {
protected:
    void SetUp() override {
        MailServerTest::SetUp();
        m_strUser = NewUser();
        Set("RULE", "SIZE", "0");
        WriteAccountSettings(m_app.File(kIniFile), m_strUser, kOwnAddress);
        WriteListFile(m_app.File(kAddressFile), kAddresses);
    }

    void TearDown() override {
        Servers().SetSmtpFault("");
        std::string log = m_app.Read(kErrorLogFile);
        EXPECT_EQ(log.find(PasswordOf(m_strUser)), std::string::npos) << "password in the log";
        MailServerTest::TearDown();
    }

    void Set(const char* section, const char* key, const std::string& value) {
        CProfile(m_app.File(kIniFile)).WriteProfileString(section, key, value);
    }
    std::string StoredSubject() const {
        return CProfile(m_app.File(kIniFile)).GetProfileString("LASTSEND", "SUBJECT", "");
    }

    // New mail with distinct subjects; each must reach every healthy
    // address once, unless it is refused for good.
    std::string AddMail(const std::string& subject, const std::string& body = "body",
                        bool bDeliverable = true) {
        if (bDeliverable)
            m_expected.push_back(subject);
        return Servers().AddMessage(m_strUser, SimpleMessage(subject, body));
    }
    void SetAddresses(const std::string& lines, const std::vector<std::string>& healthy) {
        m_app.Write(kAddressFile, lines);
        m_healthy = healthy;
    }

    bool RunCycle() {
        if (!m_pEngine)
            m_pEngine = std::make_unique<CForwardEngine>(m_app.Path(), TempDir());
        return m_pEngine->RunForwardCycle();
    }
    CForwardEngine& Engine() { return *m_pEngine; }

    std::vector<std::string> LoggedMessages() const {
        std::vector<std::string> lines, messages;
        ReadListFile(m_app.File(kErrorLogFile), lines);
        for (size_t i = 1; i < lines.size(); i += 3)
            messages.push_back(Cp932ToUtf8(lines[i]));
        return messages;
    }
    // The newest log entry begins with the tag ("受信エラー:" or "送信エラー:").
    void ExpectLastLogged(const std::string& tag, size_t count, const std::string& detail = "") {
        std::vector<std::string> logged = LoggedMessages();
        ASSERT_EQ(logged.size(), count);
        EXPECT_EQ(logged.back().rfind(tag, 0), 0u) << logged.back();
        EXPECT_NE(logged.back().find(detail), std::string::npos) << logged.back();
    }

    // Every mail the SMTP server accepted, as "subject -> address".
    std::vector<std::string> ForwardedPairs() {
        std::vector<std::string> got;
        for (const CReceivedMail& mail : ReceivedMails()) {
            std::string path = TempDir() + "/check.eml";
            std::ofstream(path, std::ios::binary) << mail.strContent;
            std::string body = DecodeMail(path, TempDir()).strBody;
            std::string subject = body.substr(6, body.find('\r') - 6); // after "Title:"
            for (const std::string& to : mail.rcptTos)
                got.push_back(subject + " -> " + to);
        }
        return got;
    }

    // Exactly every expected subject to every healthy address, each once.
    void ExpectEachMailForwardedOnce() {
        std::vector<std::string> got = ForwardedPairs(), want;
        for (const std::string& subject : m_expected)
            for (const std::string& to : m_healthy)
                want.push_back(subject + " -> " + to);
        std::sort(got.begin(), got.end());
        std::sort(want.begin(), want.end());
        EXPECT_EQ(got, want);
    }

    // No message file of a failed cycle stays in the library's folder.
    void ExpectNoMessageFilesLeft() const {
        std::string mail = TempDir() + "/quiben-" + std::to_string(geteuid()) + "/mail";
        std::error_code ec;
        for (const auto& entry : std::filesystem::directory_iterator(mail, ec))
            ADD_FAILURE() << "left behind: " << entry.path();
    }

    std::string m_strUser;
    CTempFolder m_app;
    std::vector<std::string> m_expected;
    std::vector<std::string> m_healthy = kAddresses;

private:
    std::unique_ptr<CForwardEngine> m_pEngine;
};

} // namespace

TEST_F(FaultTest, Pop3CutOrStalledMidRetrievalLosesNothingAndTheNextCycleRecovers) {
    CFaultProxy proxy(Servers().Pop3Port());
    Set("RECV", "POP3", Local(proxy.Port()));
    size_t logged = 0;
    for (EProxyFault fault : {EProxyFault::CutAfter, EProxyFault::StallAfter}) {
        std::string round = fault == EProxyFault::CutAfter ? "cut" : "stall";
        AddMail(round + "-small");
        AddMail(round + "-large", std::string(300000, 'x'));
        AddMail(round + "-last");
        std::string before = m_app.Read(kIniFile);
        // Past the login and the first message, inside the large one.
        proxy.SetFault(fault, 40000);
        EXPECT_FALSE(RunCycle());
        ExpectLastLogged("受信エラー:", ++logged);
        ExpectNoMessageFilesLeft();
        EXPECT_EQ(m_app.Read(kIniFile), before) << "marker not written after a failed receive";

        proxy.SetFault(EProxyFault::None);
        EXPECT_TRUE(RunCycle());
        EXPECT_EQ(StoredSubject(), round + "-last");
    }
    ExpectEachMailForwardedOnce();
}

// While a cycle waits for a dead server, no process on the machine carries
// the password in its arguments.
TEST_F(FaultTest, ServersThatAcceptAndNeverAnswerEndInTheirTimeouts) {
    CSilentServer silent;
    AddMail("waits-for-a-live-server");
    Set("RECV", "POP3", Local(silent.Port()));
    std::future<bool> cycle = std::async(std::launch::async, [this] { return RunCycle(); });
    while (cycle.wait_for(std::chrono::milliseconds(100)) != std::future_status::ready)
        EXPECT_EQ(ProcessWithArgument(PasswordOf(m_strUser)), "");
    EXPECT_FALSE(cycle.get());
    ExpectLastLogged("受信エラー:", 1, "時間切れ");

    Set("RECV", "POP3", Servers().Pop3Server());
    Set("RECV", "SMTP", Local(silent.Port()));
    EXPECT_TRUE(RunCycle());
    ExpectLastLogged("送信エラー:", 2, "時間切れ");
    EXPECT_EQ(StoredSubject(), "");
    EXPECT_TRUE(ReceivedMails().empty());

    Set("RECV", "SMTP", Servers().SmtpServer());
    EXPECT_TRUE(RunCycle());
    ExpectEachMailForwardedOnce();
}

// A server that sends a byte now and then never stalls; the bound on each
// transfer's whole time ends the retrieval and the send all the same, long
// before the stall limit of a minute would.
TEST_F(FaultTest, TricklingServersEndTheCycleWithinTheTransferBound) {
    SetMailTimeouts(2, 60);
    SetMailTransferBound(2, 1000000); // 2 s whatever the size
    CFaultProxy pop3(Servers().Pop3Port());
    CFaultProxy smtp(Servers().SmtpPlainPort());
    AddMail("trickled", std::string(200000, 'x'));
    auto started = std::chrono::steady_clock::now();
    Set("RECV", "POP3", Local(pop3.Port()));
    pop3.SetFault(EProxyFault::TrickleAfter, 20000); // inside the message
    EXPECT_FALSE(RunCycle());
    ExpectLastLogged("受信エラー:", 1, "転送が終わりません");
    ExpectNoMessageFilesLeft();

    pop3.SetFault(EProxyFault::None);
    Set("RECV", "SMTP", Local(smtp.Port()));
    smtp.SetFault(EProxyFault::TrickleAfter, 60); // the greeting, then its replies
    EXPECT_TRUE(RunCycle());
    ExpectLastLogged("送信エラー:", 2, "転送が終わりません");
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(50));

    Set("RECV", "SMTP", Servers().SmtpServer());
    EXPECT_TRUE(RunCycle());
    ExpectEachMailForwardedOnce();
}

// Fault fix: any refusal used to hold the message and all later mail back.
// A refusal that asks to try later (or a connection dropped before the
// reply) keeps the mail waiting until it ends; then it goes out once.
TEST_F(FaultTest, TemporaryRefusalsHoldTheMailUntilTheyEnd) {
    for (std::string fault : {"rcpt 450", "data 451", "data drop"}) {
        AddMail("first under " + fault);
        AddMail("second under " + fault);
        std::string marker = StoredSubject();
        Servers().SetSmtpFault(fault);
        EXPECT_TRUE(RunCycle());
        ExpectLastLogged("送信エラー:", LoggedMessages().size(), "あとで再送します");
        EXPECT_EQ(StoredSubject(), marker) << fault;

        Servers().SetSmtpFault("");
        EXPECT_TRUE(RunCycle());
        EXPECT_EQ(StoredSubject(), "second under " + fault);
    }
    ExpectEachMailForwardedOnce();
}

// Fault fix: an address refused for good (a phone contract that ended)
// stopped the sending at it for ever. A blank line is no address.
TEST_F(FaultTest, DeadAddressAndBlankLineLeaveEveryOtherAddressServedOnce) {
    Servers().RefuseSmtpRecipient("gone@example.jp", 550);
    SetAddresses("phone@example.jp\r\n\r\ngone@example.jp\r\ntablet@example.jp\r\n", kAddresses);
    AddMail("before");
    EXPECT_TRUE(RunCycle());
    AddMail("after");
    EXPECT_TRUE(RunCycle());
    EXPECT_TRUE(RunCycle());
    ExpectEachMailForwardedOnce();
    ExpectLastLogged("送信エラー:", 2, "gone@example.jp、再送しません");
    EXPECT_NE(LoggedMessages()[0].find("550"), std::string::npos);
}

// Fault fix: a message refused for good after DATA stopped all later mail.
TEST_F(FaultTest, MessageRefusedForGoodIsLoggedOncePerAddressAndLaterMailGoesOn) {
    Servers().RefuseSmtpContent("poison", 554);
    AddMail("healthy-1");
    AddMail("poison", "body", false);
    AddMail("healthy-2");
    EXPECT_TRUE(RunCycle());
    EXPECT_TRUE(RunCycle());
    ExpectEachMailForwardedOnce();
    ExpectLastLogged("送信エラー:", 2, "554");
    EXPECT_EQ(StoredSubject(), "healthy-2");
}

// An address whose server says "try later" for two cycles gets its mail at
// the third, while the other address got it at once.
TEST_F(FaultTest, DeferredAddressGetsItsMailOnceTheDeferringEnds) {
    Servers().RefuseSmtpRecipient("tablet@example.jp", 450, 4); // two messages, two cycles
    AddMail("deferred-1");
    AddMail("deferred-2");
    for (size_t cycle = 1; cycle <= 2; ++cycle) {
        EXPECT_TRUE(RunCycle());
        EXPECT_EQ(ReceivedMails().size(), 2u) << "the phone got both at once";
        ExpectLastLogged("送信エラー:", cycle, "tablet@example.jp、あとで再送します");
    }
    // The retry takes the mail from the server again when the temporary
    // folder (and the library's cache in it) has been wiped.
    std::filesystem::remove_all(TempDir() + "/quiben-" + std::to_string(geteuid()));
    EXPECT_TRUE(RunCycle());
    ExpectEachMailForwardedOnce();
}

// Mail that arrives while the SMTP server is down waits, and nothing is
// sent twice when it is back.
TEST_F(FaultTest, SmtpServerDownForTwoCyclesLosesNothing) {
    AddMail("before-the-outage");
    EXPECT_TRUE(RunCycle());
    Set("RECV", "SMTP", Local(UnusedLoopbackPort()));
    AddMail("during-1");
    EXPECT_TRUE(RunCycle());
    AddMail("during-2");
    EXPECT_TRUE(RunCycle());
    ExpectLastLogged("送信エラー:", 2, "あとで再送します");
    Set("RECV", "SMTP", Servers().SmtpServer());
    EXPECT_TRUE(RunCycle());
    ExpectEachMailForwardedOnce();
    EXPECT_EQ(StoredSubject(), "during-2");
}

TEST_F(FaultTest, TlsHandshakeThatFailsIsAReceiveOrSendError) {
    CFaultProxy pop3s(Servers().Pop3sPort());
    CFaultProxy smtps(Servers().SmtpsPort());
    Set("RECV", "POP3", "pop3s://" + Local(pop3s.Port()));
    Set("RECV", "SMTP", "smtps://" + Local(smtps.Port()));
    AddMail("over-tls");
    size_t logged = 0;
    for (EProxyFault fault : {EProxyFault::CorruptAfter, EProxyFault::CloseAtOnce}) {
        pop3s.SetFault(fault);
        EXPECT_FALSE(RunCycle());
        ExpectLastLogged("受信エラー:", ++logged);
        pop3s.SetFault(EProxyFault::None);
        smtps.SetFault(fault);
        EXPECT_TRUE(RunCycle());
        ExpectLastLogged("送信エラー:", ++logged);
        smtps.SetFault(EProxyFault::None);
    }
    EXPECT_EQ(StoredSubject(), "");
    EXPECT_TRUE(RunCycle());
    ExpectEachMailForwardedOnce();
}

// A certificate that no trusted authority signed is refused, never used.
TEST_F(FaultTest, SelfSignedCertificateOutsideTheCaFileIsRefused) {
    AddMail("needs-trust");
    Set("RECV", "POP3", "pop3s://" + Local(Servers().Pop3sPort()));
    Set("RECV", "CAFILE", "");
    EXPECT_FALSE(RunCycle());
    ExpectLastLogged("受信エラー:", 1, "証明書");

    Set("RECV", "CAFILE", Servers().CaFile());
    Set("RECV", "SMTP", "smtps://" + Local(Servers().SmtpsPort()));
    EXPECT_TRUE(RunCycle());
    ExpectEachMailForwardedOnce();
}

TEST_F(FaultTest, TemporaryFolderThatCannotBeWrittenIsAReceiveError) {
    AddMail("after-the-folder-is-fixed");
    std::string mail = TempDir() + "/quiben-" + std::to_string(geteuid()) + "/mail";
    {
        CNoDacOverride obeyModes;
        chmod(TempDir().c_str(), 0500);
        EXPECT_FALSE(RunCycle());
        ExpectLastLogged("受信エラー:", 1, "作業フォルダ");
        chmod(TempDir().c_str(), 0700);

        // The private folder exists now but its mail folder is read-only.
        ASSERT_TRUE(std::filesystem::create_directories(mail) || std::filesystem::exists(mail));
        chmod(mail.c_str(), 0500);
        EXPECT_FALSE(RunCycle());
        ExpectLastLogged("受信エラー:", 2);
        chmod(mail.c_str(), 0700);
    }
    EXPECT_TRUE(RunCycle());
    ExpectEachMailForwardedOnce();
}

// A cycle killed right after the server accepted its first mail loses
// nothing: the next cycle sends the rest, and at most the one mail whose
// acceptance was not yet written a second time.
TEST_F(FaultTest, CycleKilledAfterTheFirstAcceptedMailRepeatsAtMostThatMail) {
    for (const char* subject : {"killed-1", "killed-2", "killed-3"})
        AddMail(subject);
    pid_t child = fork();
    if (child == 0) {
        setenv("TMPDIR", TempDir().c_str(), 1);
        execl(QUIBEN_BINARY_DIR "/quiben", "quiben", "--once", "--home", m_app.Path().c_str(),
              static_cast<char*>(nullptr));
        _exit(127);
    }
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (ReceivedMails().empty() && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    kill(child, SIGKILL);
    int status = 0;
    waitpid(child, &status, 0);
    ASSERT_TRUE(WIFSIGNALED(status)) << "the cycle ended before it was killed";
    ASSERT_LT(ReceivedMails().size(), 6u);

    EXPECT_TRUE(RunCycle());
    std::vector<std::string> pairs = ForwardedPairs();
    EXPECT_EQ(std::set<std::string>(pairs.begin(), pairs.end()).size(), 6u) << "all arrived";
    EXPECT_LE(pairs.size(), 7u) << "only the mail in flight went twice";
}

// Fault fix: with nothing stored, every cycle forwarded the mailbox again
// and said nothing. The record cannot be written, so nothing is sent, the
// cycle fails (--once exits 1) and says why; once the folder can be
// written, the mail goes out once.
TEST_F(FaultTest, ProgramFolderThatCannotBeWrittenSendsNothingAndFails) {
    AddMail("while-read-only");
    std::string ini = m_app.Read(kIniFile);
    {
        CNoDacOverride obeyModes;
        chmod(m_app.Path().c_str(), 0500);
        EXPECT_FALSE(RunCycle());
        EXPECT_FALSE(RunCycle());
        EXPECT_EQ(m_app.Read(kIniFile), ini);
        EXPECT_TRUE(ReceivedMails().empty());
        EXPECT_EQ(Engine().GetLastReport().strErrors.rfind(
                      "記録エラー:DeliveryRecord.txt に書けません", 0),
                  0u)
            << Engine().GetLastReport().strErrors;
        chmod(m_app.Path().c_str(), 0700);
    }
    EXPECT_TRUE(RunCycle());
    EXPECT_TRUE(RunCycle());
    ExpectEachMailForwardedOnce();
    EXPECT_EQ(StoredSubject(), "while-read-only");
    for (const char* name : {kIniFile, kDeliveryRecordFile})
        EXPECT_TRUE(std::filesystem::status(m_app.File(name)).permissions() ==
                    (std::filesystem::perms::owner_read | std::filesystem::perms::owner_write));
}

// A full disk (here: a file size limit) during the settings and list writes
// leaves the old files whole; during a receive it is a receive error that
// leaves no partial message behind.
TEST_F(FaultTest, FullDiskKeepsSettingsAndListFilesWholeAndLosesNoMail) {
    // A long hand-written comment makes the INI the largest file written.
    std::string ini = "; " + std::string(3000, '=') + "\r\n" + m_app.Read(kIniFile);
    m_app.Write(kIniFile, ini);
    std::string addresses = m_app.Read(kAddressFile);
    AddMail("small-enough");
    {
        // The record fits, the marker does not: the cycle fails and says so,
        // and the next one sends nothing again.
        CFileSizeLimit fullDisk(2000);
        EXPECT_FALSE(RunCycle());
        ExpectLastLogged("記録エラー:Quiben.ini", 1);
        EXPECT_FALSE(WriteListFile(m_app.File(kAddressFile),
                                   std::vector<std::string>(200, "someone@example.jp")));
        EXPECT_FALSE(CProfile(m_app.File(kIniFile)).WriteProfileString("SEND", "EXEC", "1"));
    }
    EXPECT_EQ(m_app.Read(kIniFile), ini);
    EXPECT_EQ(m_app.Read(kAddressFile), addresses);
    EXPECT_EQ(Engine().GetLastSubject(), "small-enough");

    AddMail("too-large-for-the-disk", std::string(50000, 'y'));
    {
        CFileSizeLimit fullDisk(20000);
        EXPECT_FALSE(RunCycle());
        ExpectLastLogged("受信エラー:", 2, "保存");
        ExpectNoMessageFilesLeft();
    }
    EXPECT_TRUE(RunCycle());
    EXPECT_EQ(StoredSubject(), "too-large-for-the-disk");
    ExpectEachMailForwardedOnce();
}
