#include "engine/CMailLibrary.h"

void CMailLibrary::SetCaFile(const std::string& strPath) {
    SetMailCaFile(strPath);
}

bool CMailLibrary::Receive(const CPop3Account& account, const std::string& strTempDir,
                           const CReceiveOptions& options, CReceiveResult& result,
                           CMailError& error) {
    return ReceiveMailbox(account, strTempDir, options, result, error);
}

void CMailLibrary::MarkHandled(const CPop3Account& account, const std::string& strTempDir) {
    MarkMailboxHandled(account, strTempDir);
}

bool CMailLibrary::DecodeHeader(const CReceivedMessage& message, CMessageHeader& header,
                                CMailError& error) {
    return ::DecodeHeader(message, header, error);
}

bool CMailLibrary::Decode(const CReceivedMessage& message, const std::string& strTempDir,
                          CDecodedMessage& decoded, CMailError& error) {
    return DecodeMessage(message, strTempDir, decoded, error);
}

bool CMailLibrary::Send(const std::string& strServer, const COutgoingMail& mail,
                        CMailError& error) {
    return SendMail(strServer, mail, error);
}

bool CMailLibrary::SendByToken(const std::string& strServer, const CTokenLogin& login,
                               const COutgoingMail& mail, CMailError& error) {
    return SendMail(strServer, login, mail, error);
}
