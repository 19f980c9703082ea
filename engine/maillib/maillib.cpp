// The library's C-style entry points: argument checks, conversion between
// the caller's code page 932 and the UTF-8 inside, and the stores that keep
// the returned strings alive.

#include "engine/maillib/maillib.h"

#include "engine/maillib/CDeadServerMemory.h"
#include "engine/maillib/CErrorText.h"
#include "engine/maillib/CHeaderMemo.h"
#include "engine/maillib/CMailComposer.h"
#include "engine/maillib/CMailListStore.h"
#include "engine/maillib/CMailOptions.h"
#include "engine/maillib/CMailReceiver.h"
#include "engine/maillib/CMimeDecoder.h"
#include "engine/maillib/CPrivateFolder.h"
#include "engine/maillib/CServerAddress.h"
#include "engine/maillib/CSmtpSender.h"
#include "engine/maillib/MailAddress.h"
#include "engine/maillib/MailTexts.h"
#include "platform/codepage.h"

#include <cstring>

namespace {

constexpr const char* kModeSaveAll = "SAVEALL";
constexpr const char* kModeGet = "GET";
constexpr const char* kModeHead = "HEAD";

CMailListStore& ReceivedStore() {
    static CMailListStore store;
    return store;
}

CMailListStore& FieldStore() {
    static CMailListStore store;
    return store;
}

std::string Text(const char* text) {
    return text != nullptr ? text : "";
}

// Checks of BSendMail before anything is composed or sent; empty on success.
std::string CheckSendArguments(bool serverOk, const std::string& serverText, const std::string& to,
                               const std::string& from) {
    if (serverText.empty())
        return mailtext::kNoServer;
    if (!serverOk)
        return mailtext::kBadServer;
    if (to.empty())
        return mailtext::kEmptyRecipient;
    if (!IsSafeMailAddress(to))
        return mailtext::kBadRecipient;
    if (from.empty())
        return mailtext::kEmptySender;
    if (!IsSafeMailAddress(from))
        return mailtext::kBadSender;
    return {};
}

// Composes and sends; a server that just timed out is not waited for again.
bool SendChecked(const CServerAddress& server, const std::string& to, const std::string& from,
                 const std::string& subject, const std::string& body,
                 const std::string& attachments, std::string& error) {
    CDeadServerMemory& deadServers = CDeadServerMemory::Instance();
    std::string key = server.Url();
    error = deadServers.RecentTimeout(key);
    if (!error.empty())
        return false;
    std::string message;
    CMailComposer composer;
    if (!composer.Compose(from, to, subject, body, attachments, message, error))
        return false;
    CSmtpSender sender;
    if (sender.Send(server, from, to, message, error)) {
        deadServers.Forget(key);
        return true;
    }
    if (sender.TimedOut())
        deadServers.RememberTimeout(key, error);
    return false;
}

// Mode "HEAD": the header fields alone, no private folder needed since
// nothing is written. A message handed out from the cache is answered from
// the header memo when it holds it, and goes into it when not.
int DecodeHeadersOnly(const char* path, MailList* fields, char* errorText) {
    std::vector<std::string> items;
    CHeaderMemo& memo = CHeaderMemo::Instance();
    if (!memo.Recall(path, items)) {
        std::string error;
        CMimeDecoder decoder;
        if (!decoder.DecodeHeaders(path, items, error)) {
            CErrorText::Write(errorText, error);
            return 0;
        }
        memo.Keep(path, items);
    }
    return FieldStore().Fill(fields, std::move(items));
}

} // namespace

int BPOP3(const char* server, const char* account, const char* password, const char* mode,
          const char* folder, MailList* received, char* errorText) {
    ReceivedStore().Fill(received, {});
    CHeaderMemo::Instance().Flush();
    if (mode == nullptr || std::strcmp(mode, kModeSaveAll) != 0) {
        CErrorText::Write(errorText, mailtext::kBadMode);
        return -1;
    }
    std::vector<std::string> paths;
    std::string error;
    CMailReceiver receiver;
    if (!receiver.ReceiveAll(Text(server), Text(account), Text(password), Text(folder), paths,
                             error)) {
        CErrorText::Write(errorText, error, Cp932ToUtf8(Text(password)));
        return -1;
    }
    // An empty mailbox is a success too; the text says so by being empty.
    CErrorText::Clear(errorText);
    return ReceivedStore().Fill(received, std::move(paths));
}

int BMIME(const char* mode, const char* path, const char* folder, MailList* fields,
          char* errorText) {
    FieldStore().Fill(fields, {});
    bool headOnly = mode != nullptr && std::strcmp(mode, kModeHead) == 0;
    if (mode == nullptr || (!headOnly && std::strcmp(mode, kModeGet) != 0)) {
        CErrorText::Write(errorText, mailtext::kBadMode);
        return 0;
    }
    if (path == nullptr || folder == nullptr) {
        CErrorText::Write(errorText, mailtext::kBadArgument);
        return 0;
    }
    std::string error;
    if (headOnly)
        return DecodeHeadersOnly(path, fields, errorText);
    CPrivateFolder privateFolder;
    if (!privateFolder.Open(folder, error)) {
        CErrorText::Write(errorText, error);
        return 0;
    }
    std::vector<std::string> items;
    CMimeDecoder decoder;
    if (!decoder.Decode(path, privateFolder, items, error)) {
        CErrorText::Write(errorText, error);
        return 0;
    }
    return FieldStore().Fill(fields, std::move(items));
}

int BSendMail(const char* server, const char* to, const char* from, const char* subject,
              const char* body, const char* attachments, char* errorText) {
    std::string serverText = Text(server);
    CServerAddress address;
    bool serverOk = address.Parse(serverText, EMailProtocol::Smtp);
    std::string error = CheckSendArguments(serverOk, serverText, Text(to), Text(from));
    if (error.empty() && SendChecked(address, Text(to), Text(from), Text(subject), Text(body),
                                     Text(attachments), error))
        return 1;
    CErrorText::Write(errorText, error, address.Password());
    return 0;
}

void BSetCAFile(const char* path) {
    CMailOptions::Instance().SetCaFile(Text(path));
}

void BSetTimeouts(int connectSeconds, int stallSeconds) {
    CMailOptions::Instance().SetTimeouts(connectSeconds, stallSeconds);
}
