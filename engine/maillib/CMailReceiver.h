#pragma once
// Mode "SAVEALL" of BPOP3: the whole mailbox (its newest 256 messages when
// it holds more) into one file per message, mail left on the server.

#include <string>
#include <vector>

class CMailReceiver {
public:
    // All texts in code page 932 as the caller holds them. On success paths
    // holds the files oldest first; on failure no file of this call is left
    // and error holds a UTF-8 reason.
    bool ReceiveAll(const std::string& serverText, const std::string& account,
                    const std::string& password, const std::string& tempDir,
                    std::vector<std::string>& paths, std::string& error);
};
