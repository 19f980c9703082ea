#pragma once
// The mail library's side of the MIME module: loads it on first use and
// passes the decode and compose calls on. A missing or foreign module makes
// those calls fail with a reason; receiving and sending go on without it.

#include "engine/maillib/maillib.h"

#include <string>

class CPrivateFolder;
struct CMimeModuleTable;

class CMimeModule {
public:
    static bool Decode(const std::string& path, const CPrivateFolder& folder,
                       CDecodedMessage& decoded, std::string& error);
    static bool DecodeHeaders(const std::string& path, CMessageHeader& header, std::string& error);
    static bool Compose(const COutgoingMail& mail, std::string& message, std::string& error);

private:
    // The loaded table, or nullptr with the reason in error.
    static const CMimeModuleTable* Table(std::string& error);
};
