#include "engine/maillib/CErrorText.h"

#include "platform/codepage.h"

namespace {

// Masking a one- to three-character password would garble every text that
// happens to contain those letters, and reveals nothing worth hiding.
constexpr std::size_t kMinMaskedSecret = 4;

void MaskSecret(std::string& text, std::string_view secret) {
    if (secret.size() < kMinMaskedSecret)
        return;
    for (std::size_t pos = text.find(secret); pos != std::string::npos;
         pos = text.find(secret, pos + 3))
        text.replace(pos, secret.size(), "***");
}

} // namespace

std::string CErrorText::Render(std::string_view utf8Message, std::string_view secret) {
    std::string text(utf8Message);
    MaskSecret(text, secret);
    for (char& c : text)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F)
            c = ' ';
    while (!text.empty() && text.back() == ' ')
        text.pop_back();
    return Utf8Truncate(text, kMaxBytes);
}

std::string CErrorText::Join(std::string_view prefix, std::string_view detail) {
    std::string text(prefix);
    if (!detail.empty()) {
        text += ": ";
        text += detail;
    }
    return text;
}
