#include "tests/common/CNoDacOverride.h"

#include <linux/capability.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace {

constexpr std::uint32_t kOverrides =
    (1u << CAP_DAC_OVERRIDE) | (1u << CAP_DAC_READ_SEARCH) | (1u << CAP_FOWNER);

bool GetCaps(__user_cap_data_struct (&data)[2]) {
    __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
    return syscall(SYS_capget, &header, data) == 0;
}

bool SetCaps(__user_cap_data_struct (&data)[2]) {
    __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
    return syscall(SYS_capset, &header, data) == 0;
}

} // namespace

CNoDacOverride::CNoDacOverride() {
    __user_cap_data_struct data[2]{};
    if (!GetCaps(data) || (data[0].effective & kOverrides) == 0)
        return;
    m_nSavedEffective = data[0].effective;
    data[0].effective &= ~kOverrides;
    m_bChanged = SetCaps(data);
}

CNoDacOverride::~CNoDacOverride() {
    __user_cap_data_struct data[2]{};
    if (!m_bChanged || !GetCaps(data))
        return;
    data[0].effective = m_nSavedEffective;
    SetCaps(data);
}
