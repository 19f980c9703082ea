#pragma once
// The fixed texts of the forwarding engine. Japanese texts are written here
// in UTF-8 (the source encoding) and reach the mail library and the error log
// in code page 932 through the functions below, converted once.

#include <string>
#include <string_view>

namespace enginetexts {

// Subject of every forwarded mail ("forwarded from Quiben").
inline constexpr std::string_view kForwardSubjectUtf8 = "クイベンより転送";
// Error log entries; %s stands for the mail library's error text.
inline constexpr std::string_view kReceiveErrorFormatUtf8 = "受信エラー:%s";
inline constexpr std::string_view kSendErrorFormatUtf8 = "送信エラー:%s";

// Mode texts handed to the mail library.
inline constexpr const char* kModeSaveAll = "SAVEALL";
inline constexpr const char* kModeGet = "GET";
// The header fields alone: what the boundary search needs, no attachments.
inline constexpr const char* kModeHead = "HEAD";

// Tags of the decoder's fields: compared byte for byte, one blank included.
inline constexpr std::string_view kTagFrom = "From: ";
inline constexpr std::string_view kTagDate = "Date: ";
inline constexpr std::string_view kTagSubject = "Subject: ";
inline constexpr std::string_view kTagBody = "Body: ";
inline constexpr std::string_view kTagFile = "File: ";
inline constexpr std::string_view kTagMessageId = "Message-ID: ";

// Labels of the forward text (no blank after the colon) and its line end.
inline constexpr std::string_view kLabelTitle = "Title:";
inline constexpr std::string_view kLabelFrom = "From:";
inline constexpr std::string_view kLabelDate = "Date:";
inline constexpr std::string_view kLabelBody = "Body:";
inline constexpr std::string_view kLineEnd = "\r\n";

// Separator of the attachment paths handed to the send call.
inline constexpr char kAttachmentSeparator = '\t';

} // namespace enginetexts

// The forward subject in code page 932.
const std::string& ForwardSubjectCp932();

// "受信エラー:%s" / "送信エラー:%s" in code page 932 with errorText put in
// place of %s unchanged (a percent sign in the text stays as it is).
std::string FormatReceiveError(std::string_view errorText);
std::string FormatSendError(std::string_view errorText);
