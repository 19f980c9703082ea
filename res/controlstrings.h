#pragma once
// Strings of the list controls (the button bar's tooltips), by number.

#include <string>

constexpr int IDS_LISTBAR_ADD = 143;    // "追加"
constexpr int IDS_LISTBAR_DELETE = 144; // "削除"
constexpr int IDS_LISTBAR_UP = 145;     // "上へ"
constexpr int IDS_LISTBAR_DOWN = 146;   // "下へ"

// The string with that number in code page 932; empty for an unknown number.
std::string LoadControlString(int nId);
