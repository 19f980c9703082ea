#pragma once
// A fresh program folder and temporary folder for one engine test, removed
// afterwards, with helpers for the settings, list files and error log there.

#include "tests/common/CTempFolder.h"

#include <string>
#include <vector>

class CEngineTestFolder {
public:
    CEngineTestFolder();

    const std::string& AppDir() const { return m_strAppDir; }
    const std::string& TempDir() const { return m_strTempDir; }

    void SetString(const char* section, const char* key, const std::string& value);
    void SetInt(const char* section, const char* key, int value);
    std::string GetString(const char* section, const char* key) const;

    // Writes a file of the program folder byte for byte.
    void WriteAppFile(const char* name, const std::string& bytes);
    // Writes a list file with CR LF after every entry.
    void WriteList(const char* name, const std::vector<std::string>& entries);
    // The message lines (second line of each entry) of the error log.
    std::vector<std::string> LoggedMessages() const;
    // A file in the temporary folder, as an attachment the decoder wrote.
    std::string MakeTempFile(const std::string& name);

private:
    CTempFolder m_root;
    std::string m_strAppDir;
    std::string m_strTempDir;
};
