#pragma once
// A conversion descriptor of the C library's iconv, closed on every path.

#include <iconv.h>
#include <string>
#include <string_view>

class CIconv {
public:
    CIconv(const char* toCode, const char* fromCode);
    ~CIconv();
    CIconv(const CIconv&) = delete;
    CIconv& operator=(const CIconv&) = delete;

    bool IsValid() const { return m_hIconv != reinterpret_cast<iconv_t>(-1); }

    // Strict: false at the first byte sequence the source charset does not
    // define (output then holds what came before).
    bool Convert(std::string_view input, std::string& output);
    // Lossy: such a sequence becomes one '?' and the conversion goes on.
    std::string ConvertLossy(std::string_view input);

private:
    // Converts as far as it can; returns the errno that stopped it, 0 when
    // the whole input was consumed.
    int Step(std::string_view& input, std::string& output);

    iconv_t m_hIconv;
};
