#pragma once
// The program folder's settings: typed groups (config/Settings.h) in and out
// of Quiben.ini, and the paths of the list files. A load reads the file once;
// a save replaces it once for the group's keys, keeping every other key, and
// leaves it alone when it already holds the values. Different threads may
// save different groups at once (the forwarding cycle its marker, the window
// its position, the settings sheet its pages).

#include "config/Settings.h"
#include "platform/profile.h"

#include <string>
#include <utility>
#include <vector>

class CSettingsStore {
public:
    explicit CSettingsStore(std::string strAppDir);

    const std::string& AppDir() const { return m_strAppDir; }
    // A file of the program folder (schema::kAddressFile ...).
    std::string FilePath(const char* pszName) const;

    template <class TGroup> TGroup Load() const;
    // False when the file could not be replaced; it is then as it was.
    template <class TGroup> bool Save(const TGroup& values);

private:
    static const std::string& ToText(const std::string& value) { return value; }
    static std::string ToText(int value) { return std::to_string(value); }

    std::string m_strAppDir;
    CProfile m_profile;
};

template <class TGroup> TGroup CSettingsStore::Load() const {
    const CProfileSection section = m_profile.ReadSection(TGroup::kSection);
    TGroup values;
    std::apply([&](const auto&... key) { (section.Read(key.pszName, values.*key.pMember), ...); },
               TGroup::Keys());
    return values;
}

template <class TGroup> bool CSettingsStore::Save(const TGroup& values) {
    std::vector<std::pair<std::string, std::string>> texts;
    auto add = [&](const auto& key) {
        if (key.bSaved)
            texts.emplace_back(key.pszName, ToText(values.*key.pMember));
    };
    std::apply([&](const auto&... key) { (add(key), ...); }, TGroup::Keys());
    std::vector<CProfile::KeyValue> pairs(texts.begin(), texts.end());
    return m_profile.WriteProfileStrings(TGroup::kSection, pairs);
}
