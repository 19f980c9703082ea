#include "EngineTestFolder.h"

#include "config/schema.h"
#include "platform/paths.h"
#include "platform/profile.h"

#include <fstream>
#include <iterator>
#include <sys/stat.h>

CEngineTestFolder::CEngineTestFolder()
    : m_strAppDir(m_root.File("app")), m_strTempDir(m_root.File("tmp")) {
    ::mkdir(m_strAppDir.c_str(), 0700);
    ::mkdir(m_strTempDir.c_str(), 0700);
}

void CEngineTestFolder::SetString(const char* section, const char* key, const std::string& value) {
    CProfile(JoinPath(m_strAppDir, schema::kIniFile)).WriteProfileString(section, key, value);
}

void CEngineTestFolder::SetInt(const char* section, const char* key, int value) {
    CProfile(JoinPath(m_strAppDir, schema::kIniFile)).WriteProfileInt(section, key, value);
}

std::string CEngineTestFolder::GetString(const char* section, const char* key) const {
    return CProfile(JoinPath(m_strAppDir, schema::kIniFile)).GetProfileString(section, key, "");
}

void CEngineTestFolder::WriteAppFile(const char* name, const std::string& bytes) {
    std::ofstream(JoinPath(m_strAppDir, name), std::ios::binary) << bytes;
}

void CEngineTestFolder::WriteList(const char* name, const std::vector<std::string>& entries) {
    std::string bytes;
    for (const std::string& entry : entries)
        bytes += entry + "\r\n";
    WriteAppFile(name, bytes);
}

std::vector<std::string> CEngineTestFolder::LoggedMessages() const {
    std::ifstream in(JoinPath(m_strAppDir, schema::kErrorLogFile), std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::vector<std::string> lines;
    for (std::size_t start = 0, end; (end = bytes.find("\r\n", start)) != std::string::npos;
         start = end + 2)
        lines.push_back(bytes.substr(start, end - start));
    std::vector<std::string> messages;
    for (std::size_t i = 1; i < lines.size(); i += 3)
        messages.push_back(lines[i]);
    return messages;
}

std::string CEngineTestFolder::MakeTempFile(const std::string& name) {
    std::string path = JoinPath(m_strTempDir, name);
    std::ofstream(path, std::ios::binary) << "attachment";
    return path;
}
