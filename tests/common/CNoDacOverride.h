#pragma once
// While alive, this process obeys file modes even when it runs as root: the
// capabilities that override them are taken out of the effective set (they
// stay permitted and come back in the destructor). Lets a test make a
// folder "not writable" with chmod, also in a root container.

#include <cstdint>

class CNoDacOverride {
public:
    CNoDacOverride();
    ~CNoDacOverride();
    CNoDacOverride(const CNoDacOverride&) = delete;
    CNoDacOverride& operator=(const CNoDacOverride&) = delete;

private:
    bool m_bChanged = false;
    std::uint32_t m_nSavedEffective = 0;
};
