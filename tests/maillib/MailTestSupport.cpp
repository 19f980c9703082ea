#include "tests/maillib/MailTestSupport.h"

#include "platform/profile.h"
#include "settings/schema.h"

#include "platform/codepage.h"

#include <fstream>
#include <iterator>

namespace {

// Dead-server tests stay short; the defaults are for real use.
constexpr int kTestConnectSeconds = 2;
constexpr int kTestStallSeconds = 2;

bool TakeField(const std::string& item, const char* tag, std::string& value) {
    std::string prefix(tag);
    if (item.compare(0, prefix.size(), prefix) != 0)
        return false;
    value = item.substr(prefix.size());
    return true;
}

} // namespace

std::unique_ptr<CTestMailServers> MailServerTest::s_pServers;
int MailServerTest::s_nUsers = 0;

std::string SamplePath(const std::string& name) {
    return std::string(QUIBEN_SOURCE_DIR) + "/tests/maillib/data/" + name;
}

std::string ReadBytes(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

std::string Sjis(const std::string& utf8) {
    return Utf8ToCp932(utf8);
}

CDecodedMail DecodeMail(const std::string& path, const std::string& tempDir) {
    CDecodedMail mail;
    MailList fields{};
    char errorText[kMailErrorTextSize] = {};
    mail.nResult = BMIME("GET", path.c_str(), tempDir.c_str(), &fields, errorText);
    mail.strError = errorText;
    for (int i = 0; i < mail.nResult; ++i) {
        std::string item = fields.pszItem[i];
        std::string value;
        if (TakeField(item, "From: ", mail.strFrom) || TakeField(item, "Date: ", mail.strDate) ||
            TakeField(item, "Subject: ", mail.strSubject) ||
            TakeField(item, "Message-ID: ", mail.strMessageId) ||
            TakeField(item, "Body: ", mail.strBody))
            continue;
        if (TakeField(item, "File: ", value))
            mail.files.push_back(value);
    }
    return mail;
}

std::string CheckedErrorText(const char* errorText) {
    std::string text(errorText);
    EXPECT_FALSE(text.empty());
    EXPECT_LE(text.size(), 80u);
    EXPECT_EQ(MbsTruncate(text, text.size()), text) << "a double-byte character was cut";
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
    BSetCAFile(s_pServers->CaFile().c_str());
    BSetTimeouts(kTestConnectSeconds, kTestStallSeconds);
    m_nReceivedBefore = s_pServers->ReceivedMails().size();
}

std::vector<CReceivedMail> MailServerTest::ReceivedMails() const {
    std::vector<CReceivedMail> mails = s_pServers->ReceivedMails();
    mails.erase(mails.begin(), mails.begin() + static_cast<long>(m_nReceivedBefore));
    return mails;
}

void MailServerTest::TearDown() {
    BSetCAFile(nullptr);
    BSetTimeouts(30, 30);
}

std::string MailServerTest::NewUser() {
    std::string user = "user" + std::to_string(++s_nUsers);
    Servers().AddPop3User(user, PasswordOf(user));
    return user;
}

int MailServerTest::Receive(const std::string& user, std::vector<std::string>& paths,
                            std::string& error, const std::string& server) {
    MailList received{};
    char errorText[kMailErrorTextSize] = {};
    std::string serverText = server.empty() ? Servers().Pop3Server() : server;
    int result = BPOP3(serverText.c_str(), user.c_str(), PasswordOf(user).c_str(), "SAVEALL",
                       TempDir().c_str(), &received, errorText);
    error = errorText;
    paths.clear();
    for (int i = 0; i < received.nCount; ++i)
        paths.push_back(received.pszItem[i]);
    return result;
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
    profile.WriteProfileString(kSectionRecv, kKeyPop3, Servers().Pop3Server());
    profile.WriteProfileString(kSectionRecv, kKeySmtp, Servers().SmtpServer());
    profile.WriteProfileString(kSectionRecv, kKeyAccount, user);
    profile.WriteProfileString(kSectionRecv, kKeyPassword, PasswordOf(user));
    profile.WriteProfileString(kSectionRecv, kKeyMailAddress, ownAddress);
    profile.WriteProfileString(kSectionRecv, kKeyCaFile, Servers().CaFile());
}
