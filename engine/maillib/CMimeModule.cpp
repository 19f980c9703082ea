#include "engine/maillib/CMimeModule.h"

#include "engine/maillib/MimeModuleTable.h"
#include "platform/LoadableModule.h"

#include <mutex>

const CMimeModuleTable* CMimeModule::Table(std::string& error) {
    static std::once_flag once;
    static const CMimeModuleTable* s_pTable = nullptr;
    static std::string s_strError;
    std::call_once(once, [] {
        s_pTable = LoadModuleTable<CMimeModuleTable>(kMimeModuleFile, kMimeModuleEntry,
                                                     kMimeModuleVersion, s_strError);
    });
    if (s_pTable == nullptr)
        error = s_strError;
    return s_pTable;
}

bool CMimeModule::Decode(const std::string& path, const CPrivateFolder& folder,
                         CDecodedMessage& decoded, std::string& error) {
    const CMimeModuleTable* table = Table(error);
    return table != nullptr && table->pDecode(path, folder, decoded, error);
}

bool CMimeModule::DecodeHeaders(const std::string& path, CMessageHeader& header,
                                std::string& error) {
    const CMimeModuleTable* table = Table(error);
    return table != nullptr && table->pDecodeHeaders(path, header, error);
}

bool CMimeModule::Compose(const COutgoingMail& mail, std::string& message, std::string& error) {
    const CMimeModuleTable* table = Table(error);
    return table != nullptr && table->pCompose(mail, message, error);
}
