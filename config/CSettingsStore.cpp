#include "config/CSettingsStore.h"

#include "config/schema.h"
#include "platform/paths.h"

CSettingsStore::CSettingsStore(std::string strAppDir)
    : m_strAppDir(std::move(strAppDir)), m_profile(JoinPath(m_strAppDir, schema::kIniFile)) {}

std::string CSettingsStore::FilePath(const char* pszName) const {
    return JoinPath(m_strAppDir, pszName);
}
