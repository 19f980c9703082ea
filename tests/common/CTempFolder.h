#pragma once
// A private folder for one test (a program folder, a temporary folder),
// removed with everything in it when the test ends.

#include <string>
#include <string_view>

class CTempFolder {
public:
    CTempFolder();
    ~CTempFolder();
    CTempFolder(const CTempFolder&) = delete;
    CTempFolder& operator=(const CTempFolder&) = delete;

    const std::string& Path() const { return m_strPath; }
    std::string File(std::string_view name) const;

    void Write(std::string_view name, std::string_view content) const;
    std::string Read(std::string_view name) const;
    bool Exists(std::string_view name) const;

private:
    std::string m_strPath;
};
