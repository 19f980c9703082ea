#include "CScriptedMailbox.h"

#include <fstream>
#include <sys/stat.h>

CScriptedMailbox::CScriptedMailbox(std::string strTempDir) : m_strTempDir(std::move(strTempDir)) {}

void CScriptedMailbox::AddMessage(const std::string& strName, CDecodedMessage message) {
    m_messages.push_back({strName, std::move(message)});
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
                               std::vector<CReceivedMessage>& received, CMailError& error) {
    m_calls.push_back("receive");
    m_receivedAccount = account;
    received.clear();
    if (!m_strReceiveError.empty()) {
        error.strText = m_strReceiveError;
        return false;
    }
    for (const Message& message : m_messages) {
        std::string path = PathOf(message.strName);
        if (message.bUnremovable) {
            ::mkdir(path.c_str(), 0700);
            std::ofstream(path + "/keep") << "x";
        } else {
            std::ofstream(path, std::ios::binary) << "From: scripted\r\n\r\nbody\r\n";
        }
        received.push_back({message.strName, path, 1});
    }
    return true;
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
    bool fail = m_failingAddresses.count(mail.strTo) != 0 || m_nFailNextSends > 0;
    if (m_nFailNextSends > 0)
        --m_nFailNextSends;
    if (fail) {
        error.strText = m_strSendError;
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
        if (message.strName == received.strUidl) {
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
