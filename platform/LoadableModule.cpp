#include "platform/LoadableModule.h"

#include "platform/paths.h"

#include <dlfcn.h>
#include <mutex>
#include <unistd.h>
#include <vector>

namespace {

std::mutex g_mutex;
std::string g_strModuleFolder;

std::vector<std::string> CandidateFolders() {
    std::vector<std::string> folders;
    {
        std::lock_guard<std::mutex> lock(g_mutex);
        if (!g_strModuleFolder.empty())
            folders.push_back(g_strModuleFolder);
    }
    const std::string programFolder = ExtractDirectory(GetExecutablePath());
    if (!programFolder.empty()) {
        folders.push_back(programFolder);
        folders.push_back(JoinPath(programFolder, QUIBEN_MODULE_DIR_FROM_BIN));
    }
    return folders;
}

} // namespace

void* LoadModuleEntry(const std::string& fileName, const char* entryName, std::string& error) {
    std::string reason;
    for (const std::string& folder : CandidateFolders()) {
        const std::string path = JoinPath(folder, fileName);
        if (access(path.c_str(), F_OK) != 0)
            continue;
        // RTLD_LOCAL: the module's libraries stay out of the program's own
        // symbol lookups.
        void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
        if (handle == nullptr) {
            const char* text = dlerror();
            reason = text != nullptr ? text : path;
            continue;
        }
        if (void* entry = dlsym(handle, entryName))
            return entry;
        reason = path + ": " + entryName + " がありません";
        dlclose(handle);
    }
    error = reason.empty() ? "モジュール " + fileName + " が見つかりません"
                           : "モジュール " + fileName + " を読み込めません (" + reason + ")";
    return nullptr;
}

void SetModuleFolder(const std::string& folder) {
    std::lock_guard<std::mutex> lock(g_mutex);
    g_strModuleFolder = folder;
}
