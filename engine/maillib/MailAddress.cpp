#include "engine/maillib/MailAddress.h"

bool IsSafeMailAddress(std::string_view address) {
    if (address.empty())
        return false;
    for (unsigned char c : address)
        if (c <= 0x20 || c >= 0x7F || c == '<' || c == '>')
            return false;
    return true;
}

std::string_view MailDomain(std::string_view address) {
    size_t at = address.rfind('@');
    return at == std::string_view::npos ? std::string_view() : address.substr(at + 1);
}

bool IsSafeLoginText(std::string_view text) {
    if (text.empty())
        return false;
    for (unsigned char c : text)
        if (c <= 0x20 || c == 0x7F)
            return false;
    return true;
}
