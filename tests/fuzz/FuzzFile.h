#pragma once
// A private temporary file for one fuzz input, removed afterwards.

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>

class CFuzzFile {
public:
    CFuzzFile(const std::uint8_t* data, std::size_t size) {
        char pattern[] = "/tmp/quiben-fuzz-XXXXXX";
        int fd = mkstemp(pattern);
        if (fd >= 0) {
            m_strPath = pattern;
            if (write(fd, data, size) != static_cast<ssize_t>(size))
                m_strPath.clear();
            close(fd);
        }
    }
    ~CFuzzFile() {
        if (!m_strPath.empty())
            unlink(m_strPath.c_str());
    }
    const std::string& Path() const { return m_strPath; }

private:
    std::string m_strPath;
};
