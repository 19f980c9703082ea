#include "CScriptedMailbox.h"

#include <algorithm>
#include <fstream>
#include <span>
#include <sys/stat.h>

CScriptedMailbox::CScriptedMailbox(std::string strTempDir) : m_strTempDir(std::move(strTempDir)) {}

void CScriptedMailbox::AddMessage(const std::string& strName, CDecodedMessage message) {
    m_messages.push_back({strName, std::move(message)});
}

void CScriptedMailbox::RemoveMessage(const std::string& strName) {
    std::erase_if(m_messages, [&](const Message& message) { return message.strName == strName; });
}

void CScriptedMailbox::Refuse(const std::string& address, int code, EMailRefusal refusal) {
    m_refusals[address] = {
        .strText = "RCPT failed: " + std::to_string(code), .nReplyCode = code, .refusal = refusal};
}

void CScriptedMailbox::MakeUnremovable(const std::string& strName) {
    for (Message& message : m_messages)
        if (message.strName == strName)
            message.bUnremovable = true;
}

std::string CScriptedMailbox::PathOf(const std::string& strName) const {
    return m_strTempDir + "/" + strName + ".eml";
}

void CScriptedMailbox::SetCaFile(const std::string& strPath) {
    m_calls.push_back("ca:" + strPath);
}

bool CScriptedMailbox::Receive(const CPop3Account& account, const std::string&,
                               const CReceiveOptions& options, CReceiveResult& result,
                               CMailError& error) {
    m_calls.push_back("receive");
    m_receiveMaySkip.push_back(options.bSkipWhenUnchanged);
    m_receivedAccount = account;
    result = CReceiveResult{};
    if (!m_strReceiveError.empty()) {
        error.strText = m_strReceiveError;
        return false;
    }
    result.bUnchanged = options.bSkipWhenUnchanged && m_bUnchanged;
    if (result.bUnchanged)
        return true;
    std::vector<CReceivedMessage>& received = result.messages;
    const std::size_t first = m_messages.size() - std::min(m_messages.size(), m_nListNewest);
    for (const Message& message : std::span(m_messages).subspan(first)) {
        std::string path = PathOf(message.strName);
        if (message.bUnremovable) {
            ::mkdir(path.c_str(), 0700);
            std::ofstream(path + "/keep") << "x";
        } else {
            std::ofstream(path, std::ios::binary) << "From: scripted\r\n\r\nbody\r\n";
        }
        received.push_back({m_bNoUidls ? "" : message.strName, path, 1});
    }
    return true;
}

void CScriptedMailbox::MarkHandled(const CPop3Account&, const std::string&) {
    ++m_nMarkedHandled;
}

bool CScriptedMailbox::DecodeHeader(const CReceivedMessage& received, CMessageHeader& header,
                                    CMailError&) {
    const Message* message = Find(received, "head:");
    header = message ? message->decoded.header : CMessageHeader{};
    return message != nullptr;
}

bool CScriptedMailbox::Decode(const CReceivedMessage& received, const std::string&,
                              CDecodedMessage& decoded, CMailError&) {
    const Message* message = Find(received, "decode:");
    decoded = message ? message->decoded : CDecodedMessage{};
    return message != nullptr;
}

bool CScriptedMailbox::Send(const std::string& strServer, const COutgoingMail& mail,
                            CMailError& error) {
    m_calls.push_back("send:" + mail.strTo);
    if (m_nFailNextSends > 0) {
        --m_nFailNextSends;
        error = m_nextSendFailure;
        return false;
    }
    if (auto refusal = m_refusals.find(mail.strTo); refusal != m_refusals.end()) {
        error = refusal->second;
        return false;
    }
    m_sent.push_back({strServer, mail});
    if (m_onSend)
        m_onSend(m_sent.back());
    return true;
}

std::vector<std::string> CScriptedMailbox::DecodedNames() const {
    std::vector<std::string> names;
    for (const std::string& call : m_calls)
        if (call.starts_with("head:") || call.starts_with("decode:"))
            names.push_back(call.substr(call.find(':') + 1));
    return names;
}

std::vector<std::string> CScriptedMailbox::SentTo() const {
    std::vector<std::string> addresses;
    for (const SentMail& sent : m_sent)
        addresses.push_back(sent.mail.strTo);
    return addresses;
}

std::vector<std::string> CScriptedMailbox::AttemptedTo() const {
    std::vector<std::string> addresses;
    for (const std::string& call : m_calls)
        if (call.starts_with("send:"))
            addresses.push_back(call.substr(5));
    return addresses;
}

const CScriptedMailbox::Message* CScriptedMailbox::Find(const CReceivedMessage& received,
                                                        const char* call) {
    for (const Message& message : m_messages) {
        if (PathOf(message.strName) == received.strPath) {
            m_calls.push_back(call + message.strName);
            return &message;
        }
    }
    m_calls.push_back(call + received.strPath);
    return nullptr;
}

CDecodedMessage ScriptedMessage(const std::string& from, const std::string& subject,
                                const std::string& body, const std::string& messageId,
                                const std::string& date) {
    CDecodedMessage message;
    message.header = {from, date, subject, messageId};
    message.strBody = body;
    return message;
}
