#pragma once
// Tries the account settings against the servers without forwarding
// anything: a POP3 login and LIST (no message is retrieved, none deleted) or
// an IMAP login and STATUS of the folder (nothing opened, no flag changed),
// and an SMTP session up to RCPT TO for one forward-to address (no DATA: the
// session is reset and closed). Blocks for at most the connect and reply
// time-outs of each server, so it belongs on a worker thread.

#include "config/ConnectionCheck.h"

#include <string>

class CConnectionTest {
public:
    static CConnectionTestResult Run(const CConnectionTestInput& input);

    static CConnectionCheck TestPop3(const std::string& strServer, const std::string& strAccount,
                                     const std::string& strPassword);
    static CConnectionCheck TestSmtp(const std::string& strServer, const std::string& strFrom,
                                     const std::string& strTo);
};
