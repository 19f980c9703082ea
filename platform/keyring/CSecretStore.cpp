#include "platform/keyring/CSecretStore.h"

#include "platform/LoadableModule.h"
#include "platform/keyring/KeyringModuleTable.h"

#include <utility>

namespace {

constexpr const char* kNoModule = "キーリングを使えません";

const CKeyringModuleTable* LoadTable(std::string& error) {
    const CKeyringModuleTable* table = LoadModuleTable<CKeyringModuleTable>(
        kKeyringModuleFile, kKeyringModuleEntry, kKeyringModuleVersion, error);
    if (table == nullptr)
        error = std::string(kNoModule) + ": " + error;
    return table;
}

} // namespace

CSecretStore::CSecretStore(std::string service) : m_strService(std::move(service)) {}

CSecretStore::~CSecretStore() {
    if (m_pClient != nullptr)
        m_pTable->pClose(m_pClient);
}

void* CSecretStore::Client() {
    if (m_pClient != nullptr)
        return m_pClient;
    m_pTable = LoadTable(m_strReason);
    if (m_pTable != nullptr) {
        m_pClient = m_pTable->pOpen(m_strService);
        if (m_pClient == nullptr)
            m_strReason = kNoModule;
    }
    return m_pClient;
}

ESecretStatus CSecretStore::Store(const std::string& key, const std::string& secret,
                                  const std::string& label) {
    void* client = Client();
    return client == nullptr ? ESecretStatus::Unavailable
                             : m_pTable->pStore(client, key, secret, label, m_strReason);
}

ESecretStatus CSecretStore::Read(const std::string& key, std::string& secret) {
    void* client = Client();
    return client == nullptr ? ESecretStatus::Unavailable
                             : m_pTable->pRead(client, key, secret, m_strReason);
}

ESecretStatus CSecretStore::Remove(const std::string& key) {
    void* client = Client();
    return client == nullptr ? ESecretStatus::Unavailable
                             : m_pTable->pRemove(client, key, m_strReason);
}
