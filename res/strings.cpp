#include "res/strings.h"

#include "res/resource.h"

const char* LoadResString(int nId) {
    switch (nId) {
    case IDS_ABOUTBOX:
        return "Quiben のﾊﾞｰｼﾞｮﾝ情報(&A)...";
    case IDS_LISTBAR_ADD:
        return "追加";
    case IDS_LISTBAR_DELETE:
        return "削除";
    case IDS_LISTBAR_UP:
        return "上へ";
    case IDS_LISTBAR_DOWN:
        return "下へ";
    default:
        return "";
    }
}
