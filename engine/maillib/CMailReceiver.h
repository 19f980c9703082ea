#pragma once
// The receive call: the whole mailbox (its newest 256 messages when it holds
// more) into one file per message, mail left on the server.

#include "engine/maillib/maillib.h"

#include <string>
#include <vector>

class CMailReceiver {
public:
    // On success received holds the messages oldest first; on failure no
    // file of this call is left and error holds a reason.
    bool ReceiveAll(const CPop3Account& account, const std::string& tempDir,
                    std::vector<CReceivedMessage>& received, std::string& error);

    // True when the last call failed because the server refused the
    // account's access token.
    bool TokenRefused() const { return m_bTokenRefused; }

private:
    bool m_bTokenRefused = false;
};
