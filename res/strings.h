#pragma once
// The program's own texts (UTF-8 here; they only ever go to widgets) and the
// string table by id.

namespace restext {

inline constexpr const char* kAppName = "Quiben";
inline constexpr const char* kExitQuestion = "本当に終了しますか？";
// The Yes and No buttons as a Japanese desktop labels them.
inline constexpr const char* kButtonYes = "はい(&Y)";
inline constexpr const char* kButtonNo = "いいえ(&N)";
inline constexpr const char* kSettingsCaption = "設定";

// Menu 129.
inline constexpr const char* kMenuSettings = "設定";
inline constexpr const char* kMenuAutoForward = "自動転送";
inline constexpr const char* kMenuReadMe = "Read Me";
inline constexpr const char* kMenuVersion = "ﾊﾞｰｼﾞｮﾝ情報";
inline constexpr const char* kMenuExit = "終了";

// The About box.
inline constexpr const char* kAboutCaption = "ﾊﾞｰｼﾞｮﾝ情報";
inline constexpr const char* kAboutVersion = "『クイベン』 Version 1.1";
inline constexpr const char* kAboutMaker = "Copyright (C) クイベン工房";
inline constexpr const char* kAboutOk = "OK";
inline constexpr const char* kLinkHome = "https://example.com/";
inline constexpr const char* kLinkHomeCaption = "作者のページ :";
inline constexpr const char* kLinkSupport = "https://example.net/";
inline constexpr const char* kLinkSupportCaption = "サポート :";
inline constexpr const char* kLinkDownload = "https://example.org/";
inline constexpr const char* kLinkDownloadCaption = "配布元 :";
inline constexpr const char* kLinkMail = "mailto:qb@example.com";
inline constexpr const char* kLinkMailCaption = "お問い合わせ :";

// Headless mode.
inline constexpr const char* kOnceLocked =
    "quiben: another copy is running; no forwarding cycle was started.";

} // namespace restext

// Text of string-table entry nId (UTF-8), empty when there is none.
const char* LoadResString(int nId);
