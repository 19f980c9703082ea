// The test SMTP server's refusals per recipient and per content, as the
// delivery tests script them at run time; driven with libcurl alone.
#include "tests/common/CTestMailServers.h"

#include <cstdio>
#include <curl/curl.h>
#include <gtest/gtest.h>

namespace {

// A forward as the program sends it: UTF-8 text in base64 ("x クイベン 3 y").
const std::string kMessage3 =
    "From: q@example.jp\r\nSubject: three\r\nMIME-Version: 1.0\r\n"
    "Content-Type: text/plain; charset=UTF-8\r\n"
    "Content-Transfer-Encoding: base64\r\n\r\neCDjgq/jgqTjg5njg7MgMyB5\r\n";
const std::string kMessage4 = "From: q@example.jp\r\nSubject: four\r\n\r\nx クイベン 4 y\r\n";

class SmtpFaultRulesTest : public testing::Test {
protected:
    CTestMailServers m_servers;

    void SetUp() override { ASSERT_TRUE(m_servers.IsRunning()) << m_servers.StartError(); }

    // The server's last reply code for one message to one recipient.
    long Send(const std::string& to, std::string content = kMessage4) {
        CURL* curl = curl_easy_init();
        curl_slist* rcpt = curl_slist_append(nullptr, ("<" + to + ">").c_str());
        FILE* upload = fmemopen(content.data(), content.size(), "r");
        std::string url = "smtp://127.0.0.1:" + std::to_string(m_servers.SmtpPlainPort());
        curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
        curl_easy_setopt(curl, CURLOPT_MAIL_FROM, "<q@example.jp>");
        curl_easy_setopt(curl, CURLOPT_MAIL_RCPT, rcpt);
        curl_easy_setopt(curl, CURLOPT_UPLOAD, 1L);
        curl_easy_setopt(curl, CURLOPT_READDATA, upload); // read with fread
        curl_easy_setopt(curl, CURLOPT_TIMEOUT, 60L);
        curl_easy_perform(curl);
        long code = 0;
        curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &code);
        fclose(upload);
        curl_slist_free_all(rcpt);
        curl_easy_cleanup(curl);
        return code;
    }
};

TEST_F(SmtpFaultRulesTest, RecipientIsRefusedForGoodOrForItsNextAttemptsOnly) {
    m_servers.RefuseSmtpRecipient("dead@example.jp", 550);
    m_servers.RefuseSmtpRecipient("busy@example.jp", 450, 2);
    EXPECT_EQ(Send("ok@example.jp"), 250);
    EXPECT_EQ(Send("dead@example.jp"), 550);
    EXPECT_EQ(Send("Busy@example.jp"), 450);
    EXPECT_EQ(Send("busy@example.jp"), 450);
    EXPECT_EQ(Send("busy@example.jp"), 250);
    EXPECT_EQ(Send("dead@example.jp"), 550);
    EXPECT_EQ(m_servers.ReceivedMails().size(), 2u); // nothing kept under a refusal
}

TEST_F(SmtpFaultRulesTest, MessageHoldingTheTextIsRefusedAfterDataAlsoInBase64) {
    m_servers.RefuseSmtpContent("クイベン 3", 554);
    EXPECT_EQ(Send("a@example.jp", kMessage3), 554);
    EXPECT_EQ(Send("b@example.jp", kMessage4), 250);
    m_servers.SetSmtpFault("");
    EXPECT_EQ(Send("c@example.jp", kMessage3), 250);
    EXPECT_EQ(m_servers.ReceivedMails().size(), 2u);
}

} // namespace
