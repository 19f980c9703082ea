#pragma once
// Parts of the program that need large libraries (GMime, GLib, GIO) live in
// modules of their own (libquiben-NAME.so) loaded on first use: a cycle that
// has no mail to parse and no keyring to ask never loads those libraries,
// which is most of the start-up cost of a short-lived `quiben --once`.

#include <mutex>
#include <string>

// The entry function entryName of the module fileName, loaded once and kept
// for the life of the process. Looked for in the folder given to
// SetModuleFolder, beside the running program (the build tree), then in the
// installed module folder relative to the program's folder, never through
// the library path or the current folder. nullptr with the reason in error
// when no usable module is found.
void* LoadModuleEntry(const std::string& fileName, const char* entryName, std::string& error);

// The table that the module's entry function returns, looked up once per
// process: later calls answer what the first one found. Each table starts
// with `unsigned nVersion, nTableSize`; a module whose table has another
// version or size comes from another build and is refused, never called.
template <class TTable>
const TTable* LoadModuleTable(const std::string& fileName, const char* entryName, unsigned version,
                              std::string& error) {
    static std::once_flag once;
    static const TTable* s_pTable = nullptr;
    static std::string s_strError;
    std::call_once(once, [&] {
        using Entry = const TTable* (*)();
        auto entry = reinterpret_cast<Entry>(LoadModuleEntry(fileName, entryName, s_strError));
        const TTable* table = entry != nullptr ? entry() : nullptr;
        if (table != nullptr && table->nVersion == version && table->nTableSize == sizeof(TTable))
            s_pTable = table;
        else if (entry != nullptr)
            s_strError = "モジュール " + fileName + " の版が合いません";
    });
    if (s_pTable == nullptr)
        error = s_strError;
    return s_pTable;
}

// A folder searched before the others (tests run from a folder of their own).
void SetModuleFolder(const std::string& folder);
