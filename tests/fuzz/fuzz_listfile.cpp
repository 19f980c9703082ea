// Any list file: reading never crashes, and what was read is written and read
// back unchanged.
#include "FuzzFile.h"
#include "config/listfile.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    CFuzzFile file(data, size);
    if (file.Path().empty())
        return 0;
    std::vector<std::string> entries;
    if (!ReadListFile(file.Path(), entries))
        return 0;
    if (!WriteListFile(file.Path(), entries))
        return 0;
    std::vector<std::string> again;
    if (!ReadListFile(file.Path(), again))
        std::abort();
    // A lone CR before a line break is read as part of the break, so only
    // entries without a trailing CR must survive exactly.
    for (std::size_t i = 0; i < entries.size(); ++i)
        if (!entries[i].empty() && entries[i].back() == '\r')
            return 0;
    if (again != entries)
        std::abort();
    return 0;
}
