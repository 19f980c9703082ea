#pragma once
// The dialog layer's own texts: the warnings of the data exchange, in the
// words a Japanese Windows user knows from such dialogs.

namespace dialogtext {

// %1 and %2 are the lower and upper bounds.
inline constexpr const char* kParseIntRange = "%1 から %2 までの整数を入力してください。";
inline constexpr const char* kParseUInt = "正の整数を入力してください。";

// The buttons of a property sheet.
inline constexpr const char* kSheetOk = "OK";
inline constexpr const char* kSheetCancel = "キャンセル";

} // namespace dialogtext
