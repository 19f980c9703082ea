#pragma once
// The forwarding cycle's door to the mail library: typed values in and out.
// The default methods call the library itself; a test derives a fake
// mailbox from this class and hands it to the engine instead.

#include "engine/maillib/maillib.h"

#include <string>
#include <vector>

class CMailLibrary {
public:
    CMailLibrary() = default;
    virtual ~CMailLibrary() = default;
    CMailLibrary(const CMailLibrary&) = delete;
    CMailLibrary& operator=(const CMailLibrary&) = delete;

    // An extra trusted CA file for later connections; empty for none.
    virtual void SetCaFile(const std::string& strPath);

    // The mailbox, oldest first, one file per message below strTempDir. With
    // options.bSkipWhenUnchanged an IMAP mailbox that is as MarkHandled left
    // it is not listed: result.bUnchanged, no messages.
    virtual bool Receive(const CPop3Account& account, const std::string& strTempDir,
                         const CReceiveOptions& options, CReceiveResult& result, CMailError& error);

    // Every message the last Receive of the account listed has been handled.
    virtual void MarkHandled(const CPop3Account& account, const std::string& strTempDir);

    // The header fields alone, for the boundary search.
    virtual bool DecodeHeader(const CReceivedMessage& message, CMessageHeader& header,
                              CMailError& error);

    // The whole message, attachments written below strTempDir.
    virtual bool Decode(const CReceivedMessage& message, const std::string& strTempDir,
                        CDecodedMessage& decoded, CMailError& error);

    virtual bool Send(const std::string& strServer, const COutgoingMail& mail, CMailError& error);
    // The same, logging in with an OAuth2 access token.
    virtual bool SendByToken(const std::string& strServer, const CTokenLogin& login,
                             const COutgoingMail& mail, CMailError& error);
};
