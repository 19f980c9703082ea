#pragma once
// A message file being retrieved: created new (0600, never through an
// existing name or a link), filled by libcurl's write callback, counted, and
// removed again unless the retrieval ends whole. Shared by the POP3 and the
// IMAP session.

#include <cstdio>
#include <string>

class CMessageFile {
public:
    explicit CMessageFile(std::string path);
    ~CMessageFile(); // removes the file unless Keep() succeeded
    CMessageFile(const CMessageFile&) = delete;
    CMessageFile& operator=(const CMessageFile&) = delete;

    bool IsOpen() const { return m_pFile != nullptr; }
    long long Bytes() const { return m_nBytes; }
    bool WriteFailed() const { return m_bFailed; }

    // libcurl's CURLOPT_WRITEFUNCTION with this object as CURLOPT_WRITEDATA.
    static size_t Write(char* data, size_t size, size_t count, void* self);

    // Closes the file; true and kept when everything reached the disk.
    bool Keep();

private:
    std::string m_strPath;
    std::FILE* m_pFile = nullptr;
    long long m_nBytes = 0;
    bool m_bFailed = false;
    bool m_bOwned = false; // created by this object, so it may remove it
    bool m_bKept = false;
};
