#pragma once
// What the MIME module (libquiben-mime.so) hands the mail library: the
// message decoder and the composer, the only parts that need GMime and GLib.
// The module is loaded when a message is first decoded or composed, so a
// cycle that finds nothing new never loads those libraries.

#include "engine/maillib/maillib.h"

#include <string>

class CPrivateFolder;

inline constexpr const char* kMimeModuleFile = "libquiben-mime.so";
inline constexpr const char* kMimeModuleEntry = "QuibenMimeModule";

// Changed whenever the table or a type it passes changes, so that a module
// left over from another build is refused rather than called.
inline constexpr unsigned kMimeModuleVersion = 1;

struct CMimeModuleTable {
    unsigned nVersion;
    unsigned nTableSize; // sizeof(CMimeModuleTable) in the module's build
    // The calls of CMimeDecoder and CMailComposer; error is set when false.
    bool (*pDecode)(const std::string& path, const CPrivateFolder& folder, CDecodedMessage& decoded,
                    std::string& error);
    bool (*pDecodeHeaders)(const std::string& path, CMessageHeader& header, std::string& error);
    bool (*pCompose)(const COutgoingMail& mail, std::string& message, std::string& error);
};
