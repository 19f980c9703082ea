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
// A state file of the program folder cannot be used or written.
inline constexpr std::string_view kStateError = "記録エラー:";

// After a send failure's text, in brackets with the address: what becomes
// of the mail for that address.
inline constexpr std::string_view kRetriedLater = "、あとで再送します";
inline constexpr std::string_view kNotRetried = "、再送しません";
// Before the subject of a message given up, with its addresses after it.
inline constexpr std::string_view kGivenUpAfterDays =
    "3日間送れなかったメールの転送をあきらめました: ";
inline constexpr std::string_view kGivenUpGone = "サーバから消えたメールの転送をあきらめました: ";
// An entry of the forward-to list that is not taken: file, line, entry, why.
inline constexpr std::string_view kLineNumber = "行目";
inline constexpr std::string_view kControlCharacter = "制御文字を含みます";
inline constexpr std::string_view kUnclosed = "括弧か引用符が閉じていません";
inline constexpr std::string_view kNotAnAddress = "メールアドレスではありません";
// After a state file's name.
inline constexpr std::string_view kCannotUse = " を使えません";
inline constexpr std::string_view kCannotWrite = " に書けません";
inline constexpr std::string_view kForwardingStopped = "。転送を中断しました";

// Labels of the forward text (no blank after the colon) and its line end.
inline constexpr std::string_view kLabelTitle = "Title:";
inline constexpr std::string_view kLabelFrom = "From:";
inline constexpr std::string_view kLabelDate = "Date:";
inline constexpr std::string_view kLabelBody = "Body:";
inline constexpr std::string_view kLineEnd = "\r\n";

} // namespace enginetexts
