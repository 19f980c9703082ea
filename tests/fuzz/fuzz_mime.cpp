// Any bytes as a received message file through BMIME: no crash, no leak, no
// hang, every field valid code page 932, attachments only in the private
// folder (cleared after each input so the disk does not fill up).
#include "FuzzFile.h"
#include "engine/maillib/CPrivateFolder.h"
#include "engine/maillib/maillib.h"
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

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    CFuzzFile file(data, size);
    if (file.Path().empty())
        return 0;
    MailList fields{};
    char errorText[kMailErrorTextSize] = {};
    int n = BMIME("GET", file.Path().c_str(), TempDir().c_str(), &fields, errorText);
    if (n > kMailListMax || std::strlen(errorText) > kMailErrorTextSize - 1)
        std::abort();
    for (int i = 0; i < n; ++i) {
        std::string field = fields.pszItem[i];
        if (MbsTruncate(field, field.size()) != field)
            std::abort(); // a double-byte character cut in half
    }
    std::string error;
    CPrivateFolder folder;
    if (folder.Open(TempDir(), error))
        folder.ClearCycleFiles();
    return 0;
}
