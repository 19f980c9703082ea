#pragma once
// The dialog layer's own texts: the warnings of the data exchange, worded as
// the original class library words them in Japanese.

namespace dialogtext {

inline constexpr const char* kParseInt = "整数を入力してください。";
// %1 and %2 are the lower and upper bounds.
inline constexpr const char* kParseIntRange = "%1 から %2 までの整数を入力してください。";

} // namespace dialogtext
