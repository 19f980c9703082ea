#pragma once
// The fixed texts of the forwarding engine, in UTF-8 like all text inside
// the cycle.

#include <string_view>

namespace enginetexts {

// Subject of every forwarded mail ("forwarded from Quiben").
inline constexpr std::string_view kForwardSubject = "クイベンより転送";
// Error log entries: the tag, then the mail library's error text.
inline constexpr std::string_view kReceiveError = "受信エラー:";
inline constexpr std::string_view kSendError = "送信エラー:";

// Labels of the forward text (no blank after the colon) and its line end.
inline constexpr std::string_view kLabelTitle = "Title:";
inline constexpr std::string_view kLabelFrom = "From:";
inline constexpr std::string_view kLabelDate = "Date:";
inline constexpr std::string_view kLabelBody = "Body:";
inline constexpr std::string_view kLineEnd = "\r\n";

} // namespace enginetexts
