#pragma once
// The forwarding cycle's door to the mail library. The default methods call
// the library itself (BPOP3, BMIME, BSendMail, BSetCAFile); a test derives a
// scripted mailbox from this class and hands it to the engine instead.

#include "engine/maillib/maillib.h"

class CMailLibrary {
public:
    CMailLibrary() = default;
    virtual ~CMailLibrary() = default;
    CMailLibrary(const CMailLibrary&) = delete;
    CMailLibrary& operator=(const CMailLibrary&) = delete;

    // BPOP3: fetches the mailbox into one file per message below folder.
    virtual int Receive(const char* server, const char* account, const char* password,
                        const char* mode, const char* folder, MailList* received, char* errorText);

    // BMIME: decodes one message file into tagged fields.
    virtual int Decode(const char* mode, const char* path, const char* folder, MailList* fields,
                       char* errorText);

    // BSendMail: sends one mail; nonzero when it was sent.
    virtual int Send(const char* server, const char* to, const char* from, const char* subject,
                     const char* body, const char* attachments, char* errorText);

    // BSetCAFile: an extra trusted CA file for later connections.
    virtual void SetCAFile(const char* path);
};
