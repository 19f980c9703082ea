#include "CScriptedMailbox.h"

#include <cstring>
#include <fstream>
#include <sys/stat.h>

namespace {

void CopyErrorText(char* errorText, const std::string& text) {
    std::strncpy(errorText, text.c_str(), kMailErrorTextSize - 1);
    errorText[kMailErrorTextSize - 1] = '\0';
}

} // namespace

CScriptedMailbox::CScriptedMailbox(std::string strTempDir) : m_strTempDir(std::move(strTempDir)) {}

void CScriptedMailbox::AddMessage(const std::string& strName, std::vector<std::string> fields) {
    m_messages.push_back({strName, std::move(fields)});
}

void CScriptedMailbox::MakeUnremovable(const std::string& strName) {
    for (Message& message : m_messages)
        if (message.strName == strName)
            message.bUnremovable = true;
}

std::string CScriptedMailbox::PathOf(const std::string& strName) const {
    return m_strTempDir + "/" + strName + ".eml";
}

int CScriptedMailbox::Receive(const char* server, const char* account, const char* password,
                              const char* mode, const char* folder, MailList* received,
                              char* errorText) {
    m_calls.push_back("receive");
    m_receiveArgs = {server, account, password, mode, folder};
    if (!m_strReceiveError.empty())
        CopyErrorText(errorText, m_strReceiveError);
    if (m_nReceiveResult <= 0 && !m_strReceiveError.empty())
        return m_nReceiveResult;

    m_receivedPaths.clear();
    for (const Message& message : m_messages) {
        std::string path = PathOf(message.strName);
        if (message.bUnremovable) {
            ::mkdir(path.c_str(), 0700);
            std::ofstream(path + "/keep") << "x";
        } else {
            std::ofstream(path, std::ios::binary) << "From: scripted\r\n\r\nbody\r\n";
        }
        m_receivedPaths.push_back(path);
    }
    received->nCount = static_cast<std::int32_t>(m_receivedPaths.size());
    for (std::size_t i = 0; i < m_receivedPaths.size(); ++i)
        received->pszItem[i] = m_receivedPaths[i].data();
    return m_nReceiveResult;
}

int CScriptedMailbox::Decode(const char*, const char* path, const char*, MailList* fields, char*) {
    const Message* message = FindByPath(path);
    m_calls.push_back("decode:" + (message ? message->strName : std::string(path)));
    if (message == nullptr)
        return 0;
    m_decodedFields = message->fields;
    fields->nCount = static_cast<std::int32_t>(m_decodedFields.size());
    for (std::size_t j = 0; j < m_decodedFields.size(); ++j)
        fields->pszItem[j] = m_decodedFields[j].data();
    return fields->nCount;
}

int CScriptedMailbox::Send(const char* server, const char* to, const char* from,
                           const char* subject, const char* body, const char* attachments,
                           char* errorText) {
    m_calls.push_back(std::string("send:") + to);
    bool fail = m_failingAddresses.count(to) != 0 || m_nFailNextSends > 0;
    if (m_nFailNextSends > 0)
        --m_nFailNextSends;
    if (fail) {
        CopyErrorText(errorText, m_strSendError);
        return 0;
    }
    m_sent.push_back({server, to, from, subject, body, attachments});
    if (m_onSend)
        m_onSend(m_sent.back());
    return 1;
}

void CScriptedMailbox::SetCAFile(const char* path) {
    m_calls.push_back(std::string("ca:") + path);
}

std::vector<std::string> CScriptedMailbox::DecodedNames() const {
    std::vector<std::string> names;
    for (const std::string& call : m_calls)
        if (call.starts_with("decode:"))
            names.push_back(call.substr(7));
    return names;
}

std::vector<std::string> CScriptedMailbox::SentTo() const {
    std::vector<std::string> addresses;
    for (const SentMail& mail : m_sent)
        addresses.push_back(mail.strTo);
    return addresses;
}

std::vector<std::string> CScriptedMailbox::AttemptedTo() const {
    std::vector<std::string> addresses;
    for (const std::string& call : m_calls)
        if (call.starts_with("send:"))
            addresses.push_back(call.substr(5));
    return addresses;
}

const CScriptedMailbox::Message* CScriptedMailbox::FindByPath(const std::string& path) const {
    for (const Message& message : m_messages)
        if (PathOf(message.strName) == path)
            return &message;
    return nullptr;
}
