#include "settings/listcontrol.h"

#include "config/listfile.h"
#include "controls/CListBoxEx.h"

#include <vector>

bool LoadListControl(const std::string& strPath, CListBoxEx& list) {
    std::vector<std::string> entries;
    if (!ReadListFile(strPath, entries))
        return false;
    for (const std::string& strEntry : entries)
        list.AddString(strEntry);
    return true;
}

bool SaveListControl(const std::string& strPath, CListBoxEx& list) {
    list.EndEdit(false);
    std::vector<std::string> rows;
    rows.reserve(static_cast<std::size_t>(list.GetCount()));
    for (int nRow = 0; nRow < list.GetCount(); ++nRow)
        rows.push_back(list.GetText(nRow));
    return WriteListFile(strPath, rows);
}
