#include "platform/CIconv.h"

#include <cerrno>

CIconv::CIconv(const char* toCode, const char* fromCode) : m_hIconv(iconv_open(toCode, fromCode)) {}

CIconv::~CIconv() {
    if (IsValid())
        iconv_close(m_hIconv);
}

int CIconv::Step(std::string_view& input, std::string& output) {
    char buffer[4096];
    while (!input.empty()) {
        char* in = const_cast<char*>(input.data());
        size_t inLeft = input.size();
        char* out = buffer;
        size_t outLeft = sizeof buffer;
        size_t result = iconv(m_hIconv, &in, &inLeft, &out, &outLeft);
        int error = result == static_cast<size_t>(-1) ? errno : 0;
        output.append(buffer, out - buffer);
        input = std::string_view(in, inLeft);
        if (error != 0 && error != E2BIG)
            return error;
    }
    // Flush a shift state (ISO-2022-JP back to ASCII and the like).
    char* out = buffer;
    size_t outLeft = sizeof buffer;
    iconv(m_hIconv, nullptr, nullptr, &out, &outLeft);
    output.append(buffer, out - buffer);
    return 0;
}

bool CIconv::Convert(std::string_view input, std::string& output) {
    if (!IsValid())
        return false;
    iconv(m_hIconv, nullptr, nullptr, nullptr, nullptr);
    return Step(input, output) == 0;
}

std::string CIconv::ConvertLossy(std::string_view input) {
    std::string output;
    if (!IsValid())
        return output;
    iconv(m_hIconv, nullptr, nullptr, nullptr, nullptr);
    while (Step(input, output) != 0) {
        // EILSEQ or a truncated sequence (EINVAL) at the end: skip one byte.
        output += '?';
        if (input.empty())
            break;
        input.remove_prefix(1);
    }
    return output;
}
