#include "tests/maillib/MailTestSupport.h"

#include "config/schema.h"
#include "engine/maillib/CErrorText.h"
#include "engine/maillib/CMailOptions.h"
#include "engine/oauth/CCodeFlowSignIn.h"
#include "platform/codepage.h"
#include "platform/profile.h"

#include <curl/curl.h>
#include <fstream>
#include <iterator>
#include <thread>

namespace {

// Dead-server tests stay short; the defaults are for real use.
constexpr int kTestConnectSeconds = 2;
constexpr int kTestStallSeconds = 2;

} // namespace

std::unique_ptr<CTestMailServers> MailServerTest::s_pServers;
int MailServerTest::s_nUsers = 0;
int MailServerTest::s_nClients = 0;

std::string SamplePath(const std::string& name) {
    return std::string(QUIBEN_SOURCE_DIR) + "/tests/maillib/data/" + name;
}

std::string ReadBytes(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

CDecodedMail DecodeMail(const std::string& path, const std::string& tempDir) {
    CDecodedMessage decoded;
    CMailError error;
    CDecodedMail mail;
    mail.bDecoded = DecodeMessage({"", path, 0}, tempDir, decoded, error);
    mail.strError = error.strText;
    mail.strFrom = decoded.header.strFrom;
    mail.strDate = decoded.header.strDate;
    mail.strSubject = decoded.header.strSubject;
    mail.strMessageId = decoded.header.strMessageId;
    mail.strBody = decoded.strBody;
    mail.files = decoded.vecAttachments;
    return mail;
}

std::string CheckedErrorText(const std::string& text) {
    EXPECT_FALSE(text.empty());
    EXPECT_LE(text.size(), CErrorText::kMaxBytes);
    EXPECT_TRUE(IsValidUtf8(text)) << "a character was cut";
    EXPECT_EQ(text.find_first_of("\r\n"), std::string::npos);
    return text;
}

void MailServerTest::SetUpTestSuite() {
    if (!s_pServers)
        s_pServers = std::make_unique<CTestMailServers>();
}

void MailServerTest::TearDownTestSuite() {
    s_pServers.reset();
}

void MailServerTest::SetUp() {
    ASSERT_TRUE(s_pServers && s_pServers->IsRunning())
        << (s_pServers ? s_pServers->StartError() : "no servers");
    SetMailCaFile(s_pServers->CaFile());
    SetMailTimeouts(kTestConnectSeconds, kTestStallSeconds);
    m_nReceivedBefore = s_pServers->ReceivedMails().size();
}

std::vector<CReceivedMail> MailServerTest::ReceivedMails() const {
    std::vector<CReceivedMail> mails = s_pServers->ReceivedMails();
    mails.erase(mails.begin(), mails.begin() + static_cast<long>(m_nReceivedBefore));
    return mails;
}

void MailServerTest::TearDown() {
    SetMailCaFile("");
    SetMailTimeouts(CMailOptions::kDefaultConnectSeconds, CMailOptions::kDefaultStallSeconds);
    SetMailTransferBound(CMailOptions::kDefaultTransferBaseSeconds,
                         CMailOptions::kDefaultTransferKilobytesPerSecond);
}

COAuthProvider MailServerTest::NewOAuthClient(const std::string& settings) {
    COAuthProvider provider;
    provider.strClientId = "client" + std::to_string(++s_nClients);
    provider.strAuthorizeUrl = Servers().OAuthUrl("/authorize");
    provider.strTokenUrl = Servers().OAuthUrl("/token");
    provider.strDeviceUrl = Servers().OAuthUrl("/device/code");
    provider.strScope = "mail";
    if (!settings.empty())
        Servers().OAuthControl("/control/client",
                               "client_id=" + provider.strClientId + "&" + settings);
    return provider;
}

COAuthTokens MailServerTest::SignIn(const COAuthProvider& provider, const std::string& user) {
    COAuthTokens tokens;
    COAuthError error;
    std::string url;
    CCodeFlowSignIn signIn(provider, user);
    EXPECT_TRUE(signIn.Start(url, error)) << error.strText;
    std::thread browser([&] { Browse(url, "&user=" + user); });
    EXPECT_TRUE(signIn.Finish(30, tokens, error)) << error.strText;
    browser.join();
    return tokens;
}

std::string MailServerTest::NewUser() {
    std::string user = "user" + std::to_string(++s_nUsers);
    Servers().AddPop3User(user, PasswordOf(user));
    return user;
}

int MailServerTest::Receive(const std::string& user, std::vector<std::string>& paths,
                            std::string& error, const std::string& server) {
    std::vector<CReceivedMessage> received;
    CMailError failure;
    CPop3Account account{server.empty() ? Servers().Pop3Server() : server, user, PasswordOf(user)};
    bool ok = ReceiveMailbox(account, TempDir(), received, failure);
    error = failure.strText;
    paths.clear();
    for (const CReceivedMessage& message : received)
        paths.push_back(message.strPath);
    return ok ? static_cast<int>(paths.size()) : -1;
}

std::string Browse(const std::string& url, const std::string& query) {
    std::string page;
    std::string first = url + query;
    CURL* curl = curl_easy_init();
    curl_easy_setopt(curl, CURLOPT_URL, first.c_str());
    curl_easy_setopt(curl, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(curl, CURLOPT_TIMEOUT, 30L);
    curl_easy_setopt(
        curl, CURLOPT_WRITEFUNCTION, +[](char* data, size_t size, size_t count, void* target) {
            static_cast<std::string*>(target)->append(data, size * count);
            return size * count;
        });
    curl_easy_setopt(curl, CURLOPT_WRITEDATA, &page);
    curl_easy_perform(curl);
    curl_easy_cleanup(curl);
    return page;
}

CHttpAnswer GetOnce(const std::string& url) {
    CHttpAnswer answer;
    CURL* curl = curl_easy_init();
    curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
    curl_easy_setopt(curl, CURLOPT_TIMEOUT, 10L);
    curl_easy_setopt(
        curl, CURLOPT_WRITEFUNCTION,
        +[](char*, size_t size, size_t count, void*) { return size * count; });
    char* location = nullptr;
    if (curl_easy_perform(curl) == CURLE_OK) {
        curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &answer.nStatus);
        if (curl_easy_getinfo(curl, CURLINFO_REDIRECT_URL, &location) == CURLE_OK && location)
            answer.strLocation = location;
    }
    curl_easy_cleanup(curl);
    return answer;
}

std::string SimpleMessage(const std::string& subject, const std::string& body,
                          const std::string& from) {
    return "From: " + from + "\r\nTo: someone@example.com\r\nSubject: " + subject +
           "\r\nDate: Mon, 2 Dec 2024 09:00:00 +0900\r\nMessage-ID: <" + subject +
           "@example.com>\r\nMIME-Version: 1.0\r\nContent-Type: text/plain; "
           "charset=UTF-8\r\nContent-Transfer-Encoding: 8bit\r\n\r\n" +
           body + "\r\n";
}

void MailServerTest::WriteAccountSettings(const std::string& iniPath, const std::string& user,
                                          const std::string& ownAddress) const {
    using namespace schema;
    CProfile profile(iniPath);
    profile.WriteProfileString("RECV", "POP3", Servers().Pop3Server());
    profile.WriteProfileString("RECV", "SMTP", Servers().SmtpServer());
    profile.WriteProfileString("RECV", "ACOUNT", user);
    profile.WriteProfileString("RECV", "PASSWORD", PasswordOf(user));
    profile.WriteProfileString("RECV", "MAILADDRESS", ownAddress);
    profile.WriteProfileString("RECV", "CAFILE", Servers().CaFile());
}
