#include "res/strings.h"

#include "res/resource.h"

const char* LoadResString(int nId) {
    switch (nId) {
    case IDS_ABOUTBOX:
        return "Quiben のﾊﾞｰｼﾞｮﾝ情報(&A)...";
    default:
        return "";
    }
}
