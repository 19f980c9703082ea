#include "res/controlstrings.h"
#include "platform/codepage.h"

namespace {

struct ControlString {
    int nId;
    const char* pszUtf8;
};

constexpr ControlString kStrings[] = {
    {IDS_LISTBAR_ADD, "追加"},
    {IDS_LISTBAR_DELETE, "削除"},
    {IDS_LISTBAR_UP, "上へ"},
    {IDS_LISTBAR_DOWN, "下へ"},
};

} // namespace

std::string LoadControlString(int nId) {
    for (const ControlString& entry : kStrings)
        if (entry.nId == nId)
            return Utf8ToCp932(entry.pszUtf8);
    return std::string();
}
