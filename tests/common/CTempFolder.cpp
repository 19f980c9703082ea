#include "tests/common/CTempFolder.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>

CTempFolder::CTempFolder() {
    std::string pattern = (std::filesystem::temp_directory_path() / "quiben-test-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr)
        throw std::runtime_error("cannot create a temporary folder");
    m_strPath = pattern;
}

CTempFolder::~CTempFolder() {
    std::error_code error;
    // Tests may have made folders read-only; give the owner back full access.
    std::filesystem::permissions(m_strPath, std::filesystem::perms::owner_all,
                                 std::filesystem::perm_options::add, error);
    for (auto& entry : std::filesystem::recursive_directory_iterator(m_strPath, error))
        if (entry.is_directory(error))
            std::filesystem::permissions(entry.path(), std::filesystem::perms::owner_all,
                                         std::filesystem::perm_options::add, error);
    std::filesystem::remove_all(m_strPath, error);
}

std::string CTempFolder::File(std::string_view name) const {
    return m_strPath + "/" + std::string(name);
}

void CTempFolder::Write(std::string_view name, std::string_view content) const {
    std::ofstream file(File(name), std::ios::binary | std::ios::trunc);
    file.write(content.data(), static_cast<std::streamsize>(content.size()));
}

std::string CTempFolder::Read(std::string_view name) const {
    std::ifstream file(File(name), std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
}

bool CTempFolder::Exists(std::string_view name) const {
    return std::filesystem::exists(File(name));
}
