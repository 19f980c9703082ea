// The entry of libquiben-mime.so. Nothing but the table leaves the module,
// and no exception crosses into the program that loaded it.

#include "engine/maillib/CMailComposer.h"
#include "engine/maillib/CMimeDecoder.h"
#include "engine/maillib/MailTexts.h"
#include "engine/maillib/MimeModuleTable.h"

#include <exception>

namespace {

template <typename Work> bool Guarded(std::string& error, const char* failure, Work work) {
    try {
        return work();
    } catch (const std::exception&) { // out of memory, in practice
        error = failure;
        return false;
    }
}

bool Decode(const std::string& path, const CPrivateFolder& folder, CDecodedMessage& decoded,
            std::string& error) {
    return Guarded(error, mailtext::kOpenMessage,
                   [&] { return CMimeDecoder().Decode(path, folder, decoded, error); });
}

bool DecodeHeaders(const std::string& path, CMessageHeader& header, std::string& error) {
    return Guarded(error, mailtext::kOpenMessage,
                   [&] { return CMimeDecoder().DecodeHeaders(path, header, error); });
}

bool Compose(const COutgoingMail& mail, std::string& message, std::string& error) {
    return Guarded(error, mailtext::kCompose,
                   [&] { return CMailComposer().Compose(mail, message, error); });
}

} // namespace

extern "C" __attribute__((visibility("default"))) const CMimeModuleTable* QuibenMimeModule() {
    static const CMimeModuleTable table{kMimeModuleVersion, sizeof(CMimeModuleTable), &Decode,
                                        &DecodeHeaders, &Compose};
    return &table;
}
