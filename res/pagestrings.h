#pragma once
// Texts of the settings sheet and its pages (UTF-8; they only go to widgets).

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
