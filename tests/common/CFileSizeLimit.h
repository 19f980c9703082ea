#pragma once
// While alive, no file of this process may grow past a number of bytes: a
// write beyond it fails with EFBIG (SIGXFSZ is ignored meanwhile), as on a
// full disk. Servers started earlier run in other processes and are not
// limited.

#include <csignal>
#include <sys/resource.h>

class CFileSizeLimit {
public:
    explicit CFileSizeLimit(rlim_t nBytes);
    ~CFileSizeLimit();
    CFileSizeLimit(const CFileSizeLimit&) = delete;
    CFileSizeLimit& operator=(const CFileSizeLimit&) = delete;

private:
    rlimit m_saved{};
    struct sigaction m_savedAction {};
};
