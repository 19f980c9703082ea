// The library's entry points: argument checks, the private folder, the
// header memo, and error texts made safe to show.

#include "engine/maillib/maillib.h"

#include "config/CServerAddress.h"
#include "engine/maillib/CDeadServerMemory.h"
#include "engine/maillib/CErrorText.h"
#include "engine/maillib/CHeaderMemo.h"
#include "engine/maillib/CMailOptions.h"
#include "engine/maillib/CMailReceiver.h"
#include "engine/maillib/CMailboxStates.h"
#include "engine/maillib/CMimeModule.h"
#include "engine/maillib/CPrivateFolder.h"
#include "engine/maillib/CSmtpSender.h"
#include "engine/maillib/MailAddress.h"
#include "engine/maillib/MailTexts.h"

namespace {

bool Fail(CMailError& error, const std::string& text, std::string_view secret = {},
          int replyCode = 0, bool tokenRefused = false) {
    error.strText = CErrorText::Render(text, secret);
    error.nReplyCode = replyCode;
    error.bTokenRefused = tokenRefused;
    return false;
}

// The secret a login of this call sends, masked in its error text.
std::string_view SentSecret(const CPop3Account& account) {
    return account.strAccessToken.empty() ? account.strPassword : account.strAccessToken;
}

// Checks before anything is composed or sent; empty on success.
std::string CheckSendArguments(bool serverOk, const std::string& serverText,
                               const COutgoingMail& mail) {
    if (serverText.empty())
        return mailtext::kNoServer;
    if (!serverOk)
        return mailtext::kBadServer;
    if (mail.strTo.empty())
        return mailtext::kEmptyRecipient;
    if (!IsSafeMailAddress(mail.strTo))
        return mailtext::kBadRecipient;
    if (mail.strFrom.empty())
        return mailtext::kEmptySender;
    if (!IsSafeMailAddress(mail.strFrom))
        return mailtext::kBadSender;
    return {};
}

} // namespace

bool ReceiveMailbox(const CPop3Account& account, const std::string& tempDir,
                    const CReceiveOptions& options, CReceiveResult& result, CMailError& error) {
    error = CMailError{};
    CHeaderMemo::Instance().Flush();
    std::string text;
    CMailReceiver receiver;
    if (!receiver.ReceiveAll(account, tempDir, options, result, text))
        return Fail(error, text, SentSecret(account), 0, receiver.TokenRefused());
    return true;
}

bool ReceiveMailbox(const CPop3Account& account, const std::string& tempDir,
                    std::vector<CReceivedMessage>& received, CMailError& error) {
    CReceiveResult result;
    bool ok = ReceiveMailbox(account, tempDir, CReceiveOptions{}, result, error);
    received = std::move(result.messages);
    return ok;
}

void MarkMailboxHandled(const CPop3Account& account, const std::string& tempDir) {
    CServerAddress server;
    CPrivateFolder folder;
    std::string text;
    if (server.Parse(account.strServer, EMailProtocol::Pop3) && server.IsImap() &&
        folder.Open(tempDir, text))
        CMailboxStates::Instance().MarkHandled(folder.Path(),
                                               ImapMailboxIdentity(server, account.strUser));
}

// A message handed out from the cache is answered from the header memo when
// it holds it, and goes into it when not.
bool DecodeHeader(const CReceivedMessage& message, CMessageHeader& header, CMailError& error) {
    error = CMailError{};
    CHeaderMemo& memo = CHeaderMemo::Instance();
    if (memo.Recall(message, header))
        return true;
    std::string text;
    if (!CMimeModule::DecodeHeaders(message.strPath, header, text))
        return Fail(error, text);
    memo.Keep(message, header);
    return true;
}

// The full decode fills the memo too, so a message is parsed once: the next
// cycle's boundary search finds its header fields kept.
bool DecodeMessage(const CReceivedMessage& message, const std::string& tempDir,
                   CDecodedMessage& decoded, CMailError& error) {
    error = CMailError{};
    decoded = CDecodedMessage{};
    std::string text;
    CPrivateFolder folder;
    if (!folder.Open(tempDir, text) || !CMimeModule::Decode(message.strPath, folder, decoded, text))
        return Fail(error, text);
    CHeaderMemo::Instance().Keep(message, decoded.header);
    return true;
}

namespace {

// Composes and sends; a server that just timed out is not waited for again.
bool ComposeAndSend(const std::string& server, const CTokenLogin* login, const COutgoingMail& mail,
                    CMailError& error) {
    error = CMailError{};
    CServerAddress address;
    bool serverOk = address.Parse(server, EMailProtocol::Smtp);
    std::string text = CheckSendArguments(serverOk, server, mail);
    if (!text.empty())
        return Fail(error, text);
    CDeadServerMemory& deadServers = CDeadServerMemory::Instance();
    std::string key = address.Url();
    text = deadServers.RecentTimeout(key);
    if (!text.empty())
        return Fail(error, text);
    std::string message;
    if (!CMimeModule::Compose(mail, message, text))
        return Fail(error, text);
    CSmtpSender sender;
    if (login != nullptr)
        sender.UseAccessToken(login->strUser, login->strAccessToken);
    if (sender.Send(address, mail.strFrom, mail.strTo, message, text)) {
        deadServers.Forget(key);
        return true;
    }
    if (sender.TimedOut())
        deadServers.RememberTimeout(key, text);
    std::string_view secret = login != nullptr ? login->strAccessToken : address.Password();
    Fail(error, text, secret, sender.ReplyCode(), sender.TokenRefused());
    error.refusal = sender.Refusal();
    return false;
}

} // namespace

bool SendMail(const std::string& server, const COutgoingMail& mail, CMailError& error) {
    return ComposeAndSend(server, nullptr, mail, error);
}

bool SendMail(const std::string& server, const CTokenLogin& login, const COutgoingMail& mail,
              CMailError& error) {
    // The user name goes into the AUTH exchange, the token into libcurl.
    if (!IsSafeLoginText(login.strUser) || !IsSafeLoginText(login.strAccessToken)) {
        error = CMailError{};
        return Fail(error, mailtext::kUnsafeAccount);
    }
    return ComposeAndSend(server, &login, mail, error);
}

void SetMailCaFile(const std::string& path) {
    CMailOptions::Instance().SetCaFile(path);
}

void SetMailTimeouts(long connectSeconds, long stallSeconds) {
    CMailOptions::Instance().SetTimeouts(connectSeconds, stallSeconds);
}

void SetMailTransferBound(long baseSeconds, long kilobytesPerSecond) {
    CMailOptions::Instance().SetTransferBound(baseSeconds, kilobytesPerSecond);
}
