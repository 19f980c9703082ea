#include "engine/maillib/CMimeModule.h"

#include "engine/maillib/MimeModuleTable.h"
#include "platform/LoadableModule.h"

const CMimeModuleTable* CMimeModule::Table(std::string& error) {
    return LoadModuleTable<CMimeModuleTable>(kMimeModuleFile, kMimeModuleEntry, kMimeModuleVersion,
                                             error);
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
