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

    // Converts as far as it can without resetting the shift state; returns
    // the errno that stopped it (input then starts at the offending bytes),
    // 0 when the whole input was consumed. For callers that substitute
    // undefined characters by rules of their own.
    int Step(std::string_view& input, std::string& output);

private:
    iconv_t m_hIconv;
};
