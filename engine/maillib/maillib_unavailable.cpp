// Temporary stand-in until the libcurl + GMime library lands: every call
// fails with an error text, so a cycle logs a receive error and forwards
// nothing. Delete this file together with adding the real implementation.
#include "engine/maillib/maillib.h"

#include <cstring>

namespace {

void SetUnavailable(char* errorText) {
    if (errorText != nullptr)
        std::strcpy(errorText, "mail library not available");
}

} // namespace

int BPOP3(const char*, const char*, const char*, const char*, const char*, MailList* received,
          char* errorText) {
    if (received != nullptr)
        received->nCount = 0;
    SetUnavailable(errorText);
    return 0;
}

int BMIME(const char*, const char*, const char*, MailList* fields, char* errorText) {
    if (fields != nullptr)
        fields->nCount = 0;
    SetUnavailable(errorText);
    return 0;
}

int BSendMail(const char*, const char*, const char*, const char*, const char*, const char*,
              char* errorText) {
    SetUnavailable(errorText);
    return 0;
}

void BSetCAFile(const char*) {}
