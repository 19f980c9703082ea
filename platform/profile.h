#pragma once
// The settings store: an INI file with the rules of the Windows
// initialization-file functions (case-insensitive names, first of repeated
// sections and keys wins, blanks and one pair of quotes around a value
// removed on reading, integers as sign + leading digits). Values that would
// not read back as written are quoted; every write replaces the file
// atomically and leaves it readable by its owner only.

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

// The keys of one section as read at one moment.
class CProfileSection {
public:
    // The value as a reader gets it; nullopt when the key is missing.
    std::optional<std::string> Find(std::string_view key) const;
    // value is left as it is when the key is missing.
    void Read(std::string_view key, std::string& value) const;
    void Read(std::string_view key, int& value) const;

private:
    friend class CProfile;
    std::vector<std::pair<std::string, std::string>> m_vKeys; // first of repeated keys only
};

class CProfile {
public:
    explicit CProfile(std::string strPath);

    const std::string& GetPath() const { return m_strPath; }

    // Reads the file once for every key of the section.
    CProfileSection ReadSection(std::string_view section) const;

    std::string GetProfileString(std::string_view section, std::string_view key,
                                 std::string_view defaultValue) const;
    int GetProfileInt(std::string_view section, std::string_view key, int defaultValue) const;

    // False when the file could not be replaced; the old file is then intact.
    bool WriteProfileString(std::string_view section, std::string_view key, std::string_view value);
    bool WriteProfileInt(std::string_view section, std::string_view key, int value);

    // Several keys of one section in one replacement of the file, as if
    // written one after the other; nothing is written when any is refused.
    // The file is read again under a lock held by every writer of the
    // process, and only these keys change, so writers of other keys (a
    // worker thread's, the window's) never undo each other. When every key
    // already reads as given, the file is left alone.
    using KeyValue = std::pair<std::string_view, std::string_view>;
    bool WriteProfileStrings(std::string_view section, const std::vector<KeyValue>& values);

private:
    std::string m_strPath;
};
