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
inline constexpr const char* kMenuAutostart = "ログイン時に起動";
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

// Texts of the settings sheet and its pages.
namespace pagetext {

// Captions of the pages: the texts of their tabs.
inline constexpr const char* kAccountCaption = "受信メール";
inline constexpr const char* kTensouCaption = "転送";
inline constexpr const char* kRuleCaption = "転送ﾙｰﾙ";

// Account page.
inline constexpr const char* kPop3Label = "受信サーバー名 (POP3):";
inline constexpr const char* kSmtpLabel = "送信サーバー名 (SMTP):";
inline constexpr const char* kAccountLabel = "アカウント名 :";
inline constexpr const char* kPasswordLabel = "パスワード :";
inline constexpr const char* kMailAddressLabel = "メールアドレス :";
inline constexpr const char* kPop3Example = "（例：pop.example.jp）";
inline constexpr const char* kSmtpExample = "（例：smtp.example.jp）";
inline constexpr const char* kMailAddressExample = "（例：taro@example.jp）";
inline constexpr const char* kAccountNote = "※受信メールの設定に誤りがあると正常に受信できません。";

// Forward page.
inline constexpr const char* kAddressLabel = "転送先メールアドレス :";
inline constexpr const char* kAutoForward = "自動転送をおこなう";
inline constexpr const char* kAddressNote = "※ここで指定されたすべてのﾒｰﾙｱﾄﾞﾚｽへ転送します。";
inline constexpr const char* kIntervalNote = "※自動転送はおよそ１０分間隔でおこなわれます。";

// Rule page.
inline constexpr const char* kFromRule = "下記ｱﾄﾞﾚｽからのﾒｰﾙのみを転送する";
inline constexpr const char* kSubjectRule = "件名にこの文字を含むﾒｰﾙのみを転送する";
inline constexpr const char* kNoAttachment = "添付ﾌｧｲﾙがあるﾒｰﾙは転送しない";
inline constexpr const char* kSizeLimit = "本文が下記のﾊﾞｲﾄ数を超える場合は転送しない";
inline constexpr const char* kMobileNote = "※以下は転送先が携帯電話の時などに便利です";
inline constexpr const char* kBytes = "ﾊﾞｲﾄ";

} // namespace pagetext

// Text of string-table entry nId (UTF-8), empty when there is none.
const char* LoadResString(int nId);
