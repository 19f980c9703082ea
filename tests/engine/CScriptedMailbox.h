#pragma once
// A mailbox served from memory in place of the mail library: each receive
// writes one file per message into the temporary folder (as the library
// does), decoding answers with the message's scripted fields, and sends are
// recorded, failing for chosen addresses.

#include "engine/CMailLibrary.h"

#include <functional>
#include <set>
#include <string>
#include <vector>

struct SentMail {
    std::string strServer;
    std::string strTo;
    std::string strFrom;
    std::string strSubject;
    std::string strBody;
    std::string strAttachments;
};

class CScriptedMailbox : public CMailLibrary {
public:
    explicit CScriptedMailbox(std::string strTempDir);

    // Appends a message named strName (its file is <temp>/<name>.eml).
    void AddMessage(const std::string& strName, std::vector<std::string> fields);
    // The message's file is received as a folder that cannot be unlinked.
    void MakeUnremovable(const std::string& strName);
    std::string PathOf(const std::string& strName) const;

    int Receive(const char* server, const char* account, const char* password, const char* mode,
                const char* folder, MailList* received, char* errorText) override;
    int Decode(const char* mode, const char* path, const char* folder, MailList* fields,
               char* errorText) override;
    int Send(const char* server, const char* to, const char* from, const char* subject,
             const char* body, const char* attachments, char* errorText) override;
    void SetCAFile(const char* path) override;

    // Script.
    int m_nReceiveResult = 1;
    std::string m_strReceiveError;
    std::set<std::string> m_failingAddresses;
    int m_nFailNextSends = 0; // the next this many sends fail, whatever the address
    std::string m_strSendError = "550 mailbox unavailable";
    std::function<void(const SentMail&)> m_onSend;

    // Record: every call in order ("ca:<path>", "receive", "decode:<name>",
    // "send:<to>"), the arguments of the last receive, and every send.
    std::vector<std::string> m_calls;
    std::vector<std::string> m_receiveArgs;
    std::vector<SentMail> m_sent;

    std::vector<std::string> DecodedNames() const;
    std::vector<std::string> SentTo() const;      // sends that succeeded
    std::vector<std::string> AttemptedTo() const; // every send call

private:
    struct Message {
        std::string strName;
        std::vector<std::string> fields;
        bool bUnremovable = false;
    };
    const Message* FindByPath(const std::string& path) const;

    std::string m_strTempDir;
    std::vector<Message> m_messages;
    std::vector<std::string> m_receivedPaths; // owned by the "library" for the cycle
    std::vector<std::string> m_decodedFields; // until the next Decode
};
