#pragma once
// The members of one JSON object, as an OAuth2 provider answers: strings,
// numbers and literals by name. Nested objects and arrays are checked and
// skipped (nothing the sign-in needs lives in them). Anything that is not a
// well-formed object is refused whole, so a proxy's error page never passes
// for an answer.

#include <map>
#include <optional>
#include <string>
#include <string_view>

class CJsonObject {
public:
    // False (and no members) unless text is one JSON object.
    bool Parse(std::string_view text);

    // A string member, decoded to UTF-8; nullopt when absent or not a string.
    std::optional<std::string> String(const std::string& name) const;
    // A number member as a whole number (a fraction is cut; a string of
    // digits counts too, as some providers send "3600"); nullopt otherwise.
    std::optional<long long> Integer(const std::string& name) const;

private:
    struct CMember {
        bool bString = false;
        std::string strValue; // the decoded string, or the literal's text
    };
    std::map<std::string, CMember> m_members;
};
