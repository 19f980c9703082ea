// The entry of libquiben-keyring.so. Nothing but the table leaves the
// module, and no exception crosses into the program that loaded it.

#include "platform/keyring/CSecretService.h"
#include "platform/keyring/KeyringModuleTable.h"

#include <exception>

namespace {

constexpr const char* kFailed = "キーリングを使えません";

CSecretService* Service(void* client) {
    return static_cast<CSecretService*>(client);
}

template <typename Call> ESecretStatus Guarded(void* client, std::string& reason, Call call) {
    try {
        ESecretStatus status = call(*Service(client));
        reason = Service(client)->UnavailableReason();
        return status;
    } catch (const std::exception&) { // out of memory, in practice
        reason = kFailed;
        return ESecretStatus::Unavailable;
    }
}

void* Open(const std::string& service) {
    try {
        return new CSecretService(service);
    } catch (const std::exception&) {
        return nullptr;
    }
}

void Close(void* client) {
    delete Service(client);
}

ESecretStatus Store(void* client, const std::string& key, const std::string& secret,
                    const std::string& label, std::string& reason) {
    return Guarded(client, reason,
                   [&](CSecretService& service) { return service.Store(key, secret, label); });
}

ESecretStatus Read(void* client, const std::string& key, std::string& secret, std::string& reason) {
    return Guarded(client, reason,
                   [&](CSecretService& service) { return service.Read(key, secret); });
}

ESecretStatus Remove(void* client, const std::string& key, std::string& reason) {
    return Guarded(client, reason, [&](CSecretService& service) { return service.Remove(key); });
}

} // namespace

extern "C" __attribute__((visibility("default"))) const CKeyringModuleTable* QuibenKeyringModule() {
    static const CKeyringModuleTable table{
        kKeyringModuleVersion, sizeof(CKeyringModuleTable), &Open, &Close, &Store, &Read, &Remove};
    return &table;
}
