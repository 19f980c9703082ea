// Any bytes as a received message file through the decoder: no crash, no
// leak, no hang, every text valid UTF-8, no control character in a header
// field, header-only decoding giving the same fields, attachments only in
// the private folder (cleared after each input so the disk does not fill up).
#include "FuzzFile.h"
#include "engine/maillib/CMimeDecoder.h"
#include "engine/maillib/CPrivateFolder.h"
#include "platform/codepage.h"

#include <cstdlib>
#include <cstring>
#include <filesystem>

namespace {

// Kept in a plain array: the folder is removed at exit, after the strings of
// the program may already be gone.
char s_szTempDir[64];

void RemoveTempDir() {
    std::error_code ec;
    std::filesystem::remove_all(s_szTempDir, ec);
}

const std::string& TempDir() {
    static std::string dir = [] {
        char pattern[] = "/tmp/quiben-fuzz-mime-XXXXXX";
        if (mkdtemp(pattern) == nullptr)
            return std::string("/tmp");
        std::strcpy(s_szTempDir, pattern);
        std::atexit(RemoveTempDir);
        return std::string(s_szTempDir);
    }();
    return dir;
}

void RequireOneLineUtf8(const std::string& field) {
    if (!IsValidUtf8(field))
        std::abort();
    for (std::size_t i = 0; i < field.size(); ++i) {
        auto c = static_cast<unsigned char>(field[i]);
        bool c1 =
            c == 0xC2 && i + 1 < field.size() && static_cast<unsigned char>(field[i + 1]) <= 0x9F;
        if (c < 0x20 || c == 0x7F || c1)
            std::abort(); // a field would break the line it is written into
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    CFuzzFile file(data, size);
    if (file.Path().empty())
        return 0;
    std::string error;
    CPrivateFolder folder;
    if (!folder.Open(TempDir(), error))
        return 0;
    CDecodedMessage decoded;
    if (CMimeDecoder().Decode(file.Path(), folder, decoded, error)) {
        const CMessageHeader& header = decoded.header;
        for (const std::string* field :
             {&header.strFrom, &header.strDate, &header.strSubject, &header.strMessageId})
            RequireOneLineUtf8(*field);
        if (!IsValidUtf8(decoded.strBody))
            std::abort();
    }
    CMessageHeader headerOnly;
    if (CMimeDecoder().DecodeHeaders(file.Path(), headerOnly, error) &&
        decoded.header.strSubject.size() > 0 && headerOnly.strSubject != decoded.header.strSubject)
        std::abort(); // the boundary search would see another subject than the cycle
    folder.ClearCycleFiles();
    return 0;
}
