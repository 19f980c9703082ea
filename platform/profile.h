#pragma once
// The settings store: an INI file read and written one key at a time with
// the rules of the Windows initialization-file functions (case-insensitive
// names, first of repeated sections and keys wins, blanks and one pair of
// quotes around a value removed on reading, integers as sign + leading
// digits). Values that would not read back as written are quoted; every
// write replaces the file atomically and leaves it readable by its owner only.

#include <string>
#include <string_view>
#include <utility>
#include <vector>

class CProfile {
public:
    explicit CProfile(std::string strPath);

    const std::string& GetPath() const { return m_strPath; }

    std::string GetProfileString(std::string_view section, std::string_view key,
                                 std::string_view defaultValue) const;
    int GetProfileInt(std::string_view section, std::string_view key, int defaultValue) const;

    // False when the file could not be replaced; the old file is then intact.
    bool WriteProfileString(std::string_view section, std::string_view key, std::string_view value);
    bool WriteProfileInt(std::string_view section, std::string_view key, int value);

    // Several keys of one section in one replacement of the file, as if
    // written one after the other; nothing is written when any is refused.
    using KeyValue = std::pair<std::string_view, std::string_view>;
    bool WriteProfileStrings(std::string_view section, const std::vector<KeyValue>& values);

private:
    std::string m_strPath;
};
