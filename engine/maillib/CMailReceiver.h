#pragma once
// The receive call: the whole mailbox (its newest 256 messages when it holds
// more) into one file per message, mail left on the server, from POP3 or an
// IMAP mailbox. Messages already retrieved come from the message cache.

#include "engine/maillib/maillib.h"

#include <string>
#include <vector>

class CImapSession;
class CMessageCache;
class CPrivateFolder;
class CServerAddress;

class CMailReceiver {
public:
    // On success result holds the messages oldest first (or bUnchanged); on
    // failure no file of this call is left and error holds a reason.
    bool ReceiveAll(const CPop3Account& account, const std::string& tempDir,
                    const CReceiveOptions& options, CReceiveResult& result, std::string& error);

    // True when the last call failed because the server refused the
    // account's access token.
    bool TokenRefused() const { return m_bTokenRefused; }

private:
    bool ReceivePop3(const CServerAddress& server, const CPop3Account& account,
                     const CPrivateFolder& folder, std::vector<CReceivedMessage>& received,
                     std::string& error);
    bool ReceiveImap(const CServerAddress& server, const CPop3Account& account,
                     const CPrivateFolder& folder, const CReceiveOptions& options,
                     CReceiveResult& result, std::string& error);
    bool ListImap(CImapSession& session, const std::string& identity, const CPrivateFolder& folder,
                  std::vector<CReceivedMessage>& received, std::string& error);

    bool m_bTokenRefused = false;
};

// The name of an IMAP mailbox (account, server, folder) under which its
// handled state is kept; its digest marks the mailbox's message keys.
std::string ImapMailboxIdentity(const CServerAddress& server, const std::string& user);
