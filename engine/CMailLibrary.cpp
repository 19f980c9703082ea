#include "engine/CMailLibrary.h"

int CMailLibrary::Receive(const char* server, const char* account, const char* password,
                          const char* mode, const char* folder, MailList* received,
                          char* errorText) {
    return BPOP3(server, account, password, mode, folder, received, errorText);
}

int CMailLibrary::Decode(const char* mode, const char* path, const char* folder, MailList* fields,
                         char* errorText) {
    return BMIME(mode, path, folder, fields, errorText);
}

int CMailLibrary::Send(const char* server, const char* to, const char* from, const char* subject,
                       const char* body, const char* attachments, char* errorText) {
    return BSendMail(server, to, from, subject, body, attachments, errorText);
}

void CMailLibrary::SetCAFile(const char* path) {
    BSetCAFile(path);
}
