#pragma once
// A mailbox served from memory in place of the mail library: each receive
// writes one file per message into the temporary folder (as the library
// does), decoding answers with the message's scripted values, and sends are
// recorded, failing for chosen addresses or the next few sends.

#include "engine/CMailLibrary.h"

#include <functional>
#include <map>
#include <string>
#include <vector>

struct SentMail {
    std::string strServer;
    COutgoingMail mail;
};

class CScriptedMailbox : public CMailLibrary {
public:
    explicit CScriptedMailbox(std::string strTempDir);

    // Appends a message named strName (its file is <temp>/<name>.eml, its
    // UIDL the name).
    void AddMessage(const std::string& strName, CDecodedMessage message);
    void RemoveMessage(const std::string& strName);
    // The message's file is received as a folder that cannot be unlinked.
    void MakeUnremovable(const std::string& strName);
    std::string PathOf(const std::string& strName) const;

    void SetCaFile(const std::string& strPath) override;
    bool Receive(const CPop3Account& account, const std::string& strTempDir,
                 const CReceiveOptions& options, CReceiveResult& result,
                 CMailError& error) override;
    void MarkHandled(const CPop3Account& account, const std::string& strTempDir) override;
    bool DecodeHeader(const CReceivedMessage& message, CMessageHeader& header,
                      CMailError& error) override;
    bool Decode(const CReceivedMessage& message, const std::string& strTempDir,
                CDecodedMessage& decoded, CMailError& error) override;
    bool Send(const std::string& strServer, const COutgoingMail& mail, CMailError& error) override;

    // Sends to address fail: the server refuses the recipient with code
    // ("RCPT failed: <code>"), or the message when refusal says so.
    void Refuse(const std::string& address, int code,
                EMailRefusal refusal = EMailRefusal::Recipient);

    // Script.
    std::string m_strReceiveError;                  // non-empty: the receive fails with it
    bool m_bNoUidls = false;                        // the server names its messages by nothing
    std::size_t m_nListNewest = kMaxListedMessages; // a receive lists the newest this many
    bool m_bUnchanged = false; // a receive that may skip an unchanged mailbox does
    std::map<std::string, CMailError> m_refusals; // by address
    int m_nFailNextSends = 0; // the next this many sends fail, whatever the address
    CMailError m_nextSendFailure{.strText = "サーバに接続できません"};
    std::function<void(const SentMail&)> m_onSend;

    // Record: every call in order ("ca:<path>", "receive", "head:<name>",
    // "decode:<name>", "send:<to>"), whether each receive could skip an
    // unchanged mailbox, how often the mailbox was marked handled, the
    // account of the last receive, and
    // every send that succeeded.
    std::vector<std::string> m_calls;
    std::vector<bool> m_receiveMaySkip;
    int m_nMarkedHandled = 0;
    CPop3Account m_receivedAccount;
    std::vector<SentMail> m_sent;

    std::vector<std::string> DecodedNames() const; // header and full decodes
    std::vector<std::string> SentTo() const;       // sends that succeeded
    std::vector<std::string> AttemptedTo() const;  // every send call

private:
    struct Message {
        std::string strName;
        CDecodedMessage decoded;
        bool bUnremovable = false;
    };
    const Message* Find(const CReceivedMessage& received, const char* call);

    std::string m_strTempDir;
    std::vector<Message> m_messages;
};

// A decoded message: From, Subject, Body, Message-ID and Date as given.
CDecodedMessage ScriptedMessage(const std::string& from, const std::string& subject,
                                const std::string& body = "body", const std::string& messageId = "",
                                const std::string& date = "Mon, 1 Jan 2024 09:00:00 +0900");
