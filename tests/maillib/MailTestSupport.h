#pragma once
// Helpers of the mail library tests: sample messages, decoded messages, and
// a fixture with the real servers.

#include "engine/maillib/maillib.h"
#include "engine/oauth/COAuthProvider.h"
#include "engine/oauth/COAuthTokens.h"
#include "tests/common/CTempFolder.h"
#include "tests/common/CTestMailServers.h"

#include <gtest/gtest.h>
#include <memory>
#include <string>
#include <vector>

// A message file of tests/maillib/data.
std::string SamplePath(const std::string& name);
std::string ReadBytes(const std::string& path);

// One message file decoded, its fields by name.
struct CDecodedMail {
    bool bDecoded = false;
    std::string strError;
    std::string strFrom, strDate, strSubject, strMessageId, strBody;
    std::vector<std::string> files;
};

CDecodedMail DecodeMail(const std::string& path, const std::string& tempDir);

// The error text of a failed call, with checks every error text must pass:
// non-empty, bounded, valid UTF-8 (no cut character), one line.
std::string CheckedErrorText(const std::string& errorText);

// Tests against the real servers. The servers start once per test program
// (each ctest test runs alone in its process, so once per test there);
// every test gets a fresh temporary folder, short time-outs and the
// servers' CA file.
class MailServerTest : public ::testing::Test {
public:
    static void SetUpTestSuite();
    static void TearDownTestSuite();

protected:
    void SetUp() override;
    void TearDown() override;

    static CTestMailServers& Servers() { return *s_pServers; }
    const std::string& TempDir() const { return m_temp.Path(); }

    // A mailbox user of its own for this test, with the password PasswordOf.
    std::string NewUser();
    std::string PasswordOf(const std::string& user) const { return "pw-" + user + "-Secret"; }

    // The account part of a program folder's INI: both test servers, user's
    // mailbox and password, ownAddress as sender, the servers' CA file.
    void WriteAccountSettings(const std::string& iniPath, const std::string& user,
                              const std::string& ownAddress) const;

    // A client of its own at the test provider (its settings and tokens
    // touch no other test), with the provider's endpoints.
    COAuthProvider NewOAuthClient(const std::string& settings = "");
    // Signs user in by the code flow, the test playing the browser;
    // the tokens the provider issued (empty on failure, with a test failure).
    COAuthTokens SignIn(const COAuthProvider& provider, const std::string& user);

    // What the SMTP server accepted since this test began (the servers are
    // shared by the tests of one program).
    std::vector<CReceivedMail> ReceivedMails() const;

    // A receive from the plain POP3 port (or server); paths of the received
    // files, or -1 when it failed.
    int Receive(const std::string& user, std::vector<std::string>& paths, std::string& error,
                const std::string& server = "");

private:
    static std::unique_ptr<CTestMailServers> s_pServers;
    static int s_nUsers;
    static int s_nClients;
    CTempFolder m_temp;
    size_t m_nReceivedBefore = 0;
};

// Opens url as a browser would, following redirects, and adds query (e.g.
// "&user=alice") to the first one; the last page's body.
std::string Browse(const std::string& url, const std::string& query = "");

// One GET of url, as a browser's first request: the status and where a
// redirect points (empty when none).
struct CHttpAnswer {
    long nStatus = 0; // 0 when the request failed
    std::string strLocation;
};
CHttpAnswer GetOnce(const std::string& url);

// A short message with the given subject and body (UTF-8, sent as UTF-8).
std::string SimpleMessage(const std::string& subject, const std::string& body = "body",
                          const std::string& from = "Sender <sender@example.com>");
