#pragma once
// What the keyring module (libquiben-keyring.so) hands CSecretStore: a
// Secret Service client per store, and its three calls.

#include "platform/keyring/CSecretStore.h"

#include <string>

inline constexpr const char* kKeyringModuleFile = "libquiben-keyring.so";
inline constexpr const char* kKeyringModuleEntry = "QuibenKeyringModule";

// Changed whenever the table or a type it passes changes.
inline constexpr unsigned kKeyringModuleVersion = 1;

struct CKeyringModuleTable {
    unsigned nVersion;
    unsigned nTableSize; // sizeof(CKeyringModuleTable) in the module's build
    void* (*pOpen)(const std::string& service);
    void (*pClose)(void* client);
    // Each call sets reason as CSecretStore::UnavailableReason describes.
    ESecretStatus (*pStore)(void* client, const std::string& key, const std::string& secret,
                            const std::string& label, std::string& reason);
    ESecretStatus (*pRead)(void* client, const std::string& key, std::string& secret,
                           std::string& reason);
    ESecretStatus (*pRemove)(void* client, const std::string& key, std::string& reason);
};
