#include "engine/maillib/CConnectionTest.h"

#include "config/CServerAddress.h"
#include "engine/maillib/CCurlHandle.h"
#include "engine/maillib/CErrorText.h"
#include "engine/maillib/CImapSession.h"
#include "engine/maillib/CMailOptions.h"
#include "engine/maillib/CPop3Session.h"
#include "engine/maillib/CSmtpSender.h"
#include "engine/maillib/ImapText.h"
#include "engine/maillib/MailAddress.h"
#include "engine/maillib/MailTexts.h"
#include "platform/codepage.h"

#include <chrono>
#include <poll.h>
#include <string_view>

namespace {

// Texts of the test only; the rest come from the library's own.
constexpr const char* kNoAccount = "アカウント名が設定されていません";
constexpr const char* kClosed = "サーバが接続を切りました";

// A LIST of this many bytes holds the count of any real mailbox.
constexpr std::size_t kMaxListing = 16 * 1024 * 1024;
// A reply line longer than this is no SMTP reply.
constexpr std::size_t kMaxReply = 4096;

using Clock = std::chrono::steady_clock;

// A server may quote what it was sent; the password never reaches a text
// that is shown.
std::string WithoutSecret(std::string text, const std::string& secret) {
    if (secret.empty())
        return text;
    for (std::size_t at = text.find(secret); at != std::string::npos;
         at = text.find(secret, at + 3))
        text.replace(at, secret.size(), "***");
    return text;
}

bool HasControl(std::string_view text) {
    for (unsigned char c : text)
        if (c < 0x20 || c == 0x7F)
            return true;
    return false;
}

CConnectionCheck Refused(EConnectionOutcome outcome, std::string description) {
    CConnectionCheck check;
    check.eOutcome = outcome;
    check.strDescription = std::move(description);
    return check;
}

EConnectionOutcome OutcomeOf(CURLcode code) {
    switch (code) {
    case CURLE_OK:
        return EConnectionOutcome::Ok;
    case CURLE_COULDNT_RESOLVE_HOST:
    case CURLE_COULDNT_CONNECT:
        return EConnectionOutcome::CannotConnect;
    case CURLE_OPERATION_TIMEDOUT:
        return EConnectionOutcome::NoAnswer;
    case CURLE_PEER_FAILED_VERIFICATION:
    case CURLE_SSL_CACERT_BADFILE:
    case CURLE_SSL_CONNECT_ERROR:
    case CURLE_USE_SSL_FAILED:
        return EConnectionOutcome::TlsFailed;
    case CURLE_LOGIN_DENIED:
        return EConnectionOutcome::LoginRefused;
    default:
        return EConnectionOutcome::Failed;
    }
}

void TakeFailure(CConnectionCheck& check, CURLcode code, const CCurlHandle& curl,
                 const CServerAddress& server, const std::string& secret) {
    check.eOutcome = OutcomeOf(code);
    check.strReply = WithoutSecret(curl.LastErrorReply(), secret);
    check.strDescription = WithoutSecret(curl.DescribeFailure(code, server), secret);
}

// The commands after libcurl's connect phase (greeting, EHLO, STARTTLS,
// AUTH) go over its connection as plain lines: libcurl has no way to stop
// a mail transaction before DATA.
class CSmtpDialogue {
public:
    explicit CSmtpDialogue(CURL* pCurl) : m_pCurl(pCurl) {
        curl_socket_t socket = CURL_SOCKET_BAD;
        curl_easy_getinfo(pCurl, CURLINFO_ACTIVESOCKET, &socket);
        m_hSocket = socket;
    }

    // Sends one command and reads its whole reply; false when the server
    // closed the connection or did not answer in time.
    bool Command(const std::string& line, std::string& reply) {
        m_tDeadline = Clock::now() + std::chrono::seconds(CMailOptions::Instance().StallSeconds());
        return m_hSocket != CURL_SOCKET_BAD && SendAll(line + "\r\n") && ReadReply(reply);
    }

    static bool IsPositive(const std::string& reply) { return !reply.empty() && reply[0] == '2'; }

private:
    bool Wait(short events) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(m_tDeadline - Clock::now());
        if (left.count() <= 0)
            return false;
        pollfd fd{m_hSocket, events, 0};
        return poll(&fd, 1, static_cast<int>(left.count())) > 0;
    }

    bool SendAll(std::string_view data) {
        while (!data.empty()) {
            size_t sent = 0;
            CURLcode rc = curl_easy_send(m_pCurl, data.data(), data.size(), &sent);
            if (rc == CURLE_AGAIN) {
                if (!Wait(POLLOUT))
                    return false;
                continue;
            }
            if (rc != CURLE_OK)
                return false;
            data.remove_prefix(sent);
        }
        return true;
    }

    // A reply ends with a line "NNN text" or "NNN" (a hyphen after the code
    // means more lines follow).
    static bool IsWholeReply(const std::string& received, std::string& last) {
        if (received.size() < 5 || received.compare(received.size() - 2, 2, "\r\n") != 0)
            return false;
        const std::size_t lineEnd = received.size() - 2;
        const std::size_t previous = received.rfind('\n', lineEnd - 1);
        const std::size_t start = previous == std::string::npos ? 0 : previous + 1;
        last = received.substr(start, lineEnd - start);
        return last.size() >= 3 && (last.size() == 3 || last[3] == ' ');
    }

    bool ReadReply(std::string& reply) {
        std::string received;
        while (!IsWholeReply(received, reply)) {
            if (received.size() > kMaxReply)
                return false;
            char buffer[512];
            size_t got = 0;
            CURLcode rc = curl_easy_recv(m_pCurl, buffer, sizeof buffer, &got);
            if (rc == CURLE_AGAIN) {
                if (!Wait(POLLIN))
                    return false;
                continue;
            }
            if (rc != CURLE_OK || got == 0)
                return false;
            received.append(buffer, got);
        }
        return true;
    }

    CURL* m_pCurl;
    curl_socket_t m_hSocket = CURL_SOCKET_BAD;
    Clock::time_point m_tDeadline;
};

// One command of the mail transaction; false, with the outcome filled in,
// when the server refused it or went away.
bool TransactionStep(CSmtpDialogue& dialogue, const std::string& command,
                     EConnectionOutcome refused, const char* pszRefused, CConnectionCheck& check,
                     const std::string& secret) {
    std::string reply;
    if (!dialogue.Command(command, reply)) {
        check.eOutcome = EConnectionOutcome::Failed;
        check.strDescription = CErrorText::Join(mailtext::kProtocol, kClosed);
        return false;
    }
    check.strReply = WithoutSecret(reply, secret);
    if (CSmtpDialogue::IsPositive(reply))
        return true;
    check.eOutcome = refused;
    check.strDescription = CErrorText::Join(pszRefused, check.strReply);
    return false;
}

// MAIL FROM and, with a recipient, RCPT TO; then RSET, so nothing stays
// pending when libcurl closes the session with QUIT.
void RunMailTransaction(CSmtpDialogue& dialogue, const std::string& from, const std::string& to,
                        CConnectionCheck& check, const std::string& secret) {
    if (!TransactionStep(dialogue, "MAIL FROM:<" + from + ">", EConnectionOutcome::SenderRefused,
                         mailtext::kSenderRefused, check, secret))
        return;
    if (!to.empty() &&
        !TransactionStep(dialogue, "RCPT TO:<" + to + ">", EConnectionOutcome::RecipientRefused,
                         mailtext::kRecipientRefused, check, secret))
        return;
    std::string reply;
    dialogue.Command("RSET", reply);
    check.eOutcome = EConnectionOutcome::Ok;
}

} // namespace

CConnectionTestResult CConnectionTest::Run(const CConnectionTestInput& input) {
    // The same file every cycle sets before it connects.
    CMailOptions::Instance().SetCaFile(input.strCaFile);
    CConnectionTestResult result;
    result.pop3 = TestPop3(input.strPop3Server, input.strAccount, input.strPassword);
    result.smtp = TestSmtp(input.strSmtpServer, input.strMailAddress, input.strForwardTo);
    return result;
}

CConnectionCheck CConnectionTest::TestPop3(const std::string& strServer,
                                           const std::string& strAccount,
                                           const std::string& strPassword) {
    if (TrimWhite(strServer).empty())
        return Refused(EConnectionOutcome::Missing, mailtext::kNoServer);
    CServerAddress server;
    if (!server.Parse(strServer, EMailProtocol::Pop3))
        return Refused(EConnectionOutcome::BadSetting, mailtext::kBadServer);
    if (strAccount.empty())
        return Refused(EConnectionOutcome::Missing, kNoAccount);
    if (HasControl(strAccount))
        return Refused(EConnectionOutcome::BadSetting, mailtext::kUnsafeAccount);

    CConnectionCheck check;
    check.strServer = server.Display();
    CCurlHandle curl;
    if (!curl.IsValid())
        return Refused(EConnectionOutcome::Failed, mailtext::kNetwork);
    curl.Configure(server, strAccount, strPassword);
    std::string listing;
    curl_easy_setopt(curl.Get(), CURLOPT_WRITEFUNCTION, &AppendBounded<kMaxListing>);
    curl_easy_setopt(curl.Get(), CURLOPT_WRITEDATA, &listing);
    // IMAP: the folder's message count, without opening it.
    const std::string mailbox = EncodeImapMailboxName(server.Mailbox());
    const std::string status = "STATUS " + QuoteImapString(mailbox) + " (MESSAGES)";
    if (server.IsImap() && mailbox.empty())
        return Refused(EConnectionOutcome::BadSetting, mailtext::kBadMailbox);
    if (server.IsImap())
        curl_easy_setopt(curl.Get(), CURLOPT_CUSTOMREQUEST, status.c_str());
    const CURLcode code = curl.Perform();
    if (code != CURLE_OK) {
        TakeFailure(check, code, curl, server, strPassword);
        if (server.IsImap() && code == CURLE_QUOTE_ERROR)
            check.strDescription = CErrorText::Join(mailtext::kNoMailbox, server.Mailbox());
        return check;
    }
    check.eOutcome = EConnectionOutcome::Ok;
    check.nMessages = server.IsImap() ? static_cast<int>(ParseImapStatus(listing).nMessages)
                                      : static_cast<int>(ParsePop3Listing(listing).size());
    return check;
}

CConnectionCheck CConnectionTest::TestSmtp(const std::string& strServer, const std::string& strFrom,
                                           const std::string& strTo) {
    if (TrimWhite(strServer).empty())
        return Refused(EConnectionOutcome::Missing, mailtext::kNoServer);
    CServerAddress server;
    if (!server.Parse(strServer, EMailProtocol::Smtp))
        return Refused(EConnectionOutcome::BadSetting, mailtext::kBadServer);
    const std::string from(TrimWhite(strFrom));
    const std::string to(TrimWhite(strTo));
    if (from.empty())
        return Refused(EConnectionOutcome::Missing, mailtext::kEmptySender);
    if (!IsSafeMailAddress(from))
        return Refused(EConnectionOutcome::BadSetting, mailtext::kBadSender);
    if (!to.empty() && !IsSafeMailAddress(to))
        return Refused(EConnectionOutcome::BadSetting, mailtext::kBadRecipient);

    CConnectionCheck check;
    check.strServer = server.Display();
    check.strRecipient = to;
    CCurlHandle curl;
    if (!curl.IsValid())
        return Refused(EConnectionOutcome::Failed, mailtext::kNetwork);
    curl.Configure(server, server.User(), server.Password());
    const std::string url = server.Url() + CSmtpSender::GreetingName();
    curl_easy_setopt(curl.Get(), CURLOPT_URL, url.c_str());
    // The connect phase alone: greeting, EHLO, STARTTLS when offered, AUTH
    // when the server text carries an account.
    curl_easy_setopt(curl.Get(), CURLOPT_CONNECT_ONLY, 1L);
    const CURLcode code = curl.Perform();
    if (code != CURLE_OK) {
        TakeFailure(check, code, curl, server, server.Password());
        return check;
    }
    CSmtpDialogue dialogue(curl.Get());
    RunMailTransaction(dialogue, from, to, check, server.Password());
    return check;
}
