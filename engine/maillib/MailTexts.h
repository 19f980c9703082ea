#pragma once
// The library's own error texts. Kept short so a detail from the server
// still reads well behind them in a log line.

namespace mailtext {

inline constexpr const char* kBadServer = "サーバ名の形式が正しくありません";
inline constexpr const char* kNoServer = "サーバ名が設定されていません";
inline constexpr const char* kUnsafeAccount = "アカウントに使えない文字があります";
inline constexpr const char* kResolve = "サーバが見つかりません";
inline constexpr const char* kConnect = "サーバに接続できません";
inline constexpr const char* kTimeout = "サーバが応答しません(時間切れ)";
inline constexpr const char* kTooSlow = "転送が終わりません(時間切れ)";
inline constexpr const char* kCertificate = "サーバ証明書を検証できません";
inline constexpr const char* kTls = "TLS接続に失敗しました";
inline constexpr const char* kLogin = "ログインできません";
inline constexpr const char* kTokenRefused = "アクセストークンを拒否されました";
inline constexpr const char* kNoTls = "トークンでのログインにはTLS接続が必要です";
inline constexpr const char* kProtocol = "サーバとの通信に失敗しました";
inline constexpr const char* kRecipientRefused = "宛先を拒否されました";
inline constexpr const char* kSenderRefused = "送信元を拒否されました";
inline constexpr const char* kDataRefused = "メールを拒否されました";
inline constexpr const char* kNetwork = "通信エラー";
inline constexpr const char* kSaveFailed = "メールを保存できません";
inline constexpr const char* kIncomplete = "メールの受信が途中で切れました";
inline constexpr const char* kPrivateFolder = "作業フォルダを使えません";
inline constexpr const char* kOpenMessage = "メールファイルを開けません";
inline constexpr const char* kBadRecipient = "宛先アドレスに使えない文字があります";
inline constexpr const char* kBadSender = "送信元アドレスに使えない文字があります";
inline constexpr const char* kEmptyRecipient = "宛先アドレスが空です";
inline constexpr const char* kEmptySender = "送信元アドレスが空です";
inline constexpr const char* kAttachment = "添付ファイルを読めません";
inline constexpr const char* kCompose = "メールを作成できません";
inline constexpr const char* kNoMailbox = "メールボックスが見つかりません";
inline constexpr const char* kBadMailbox = "メールボックス名がUTF-8ではありません";
inline constexpr const char* kNotReadOnly = "メールボックスを読み取り専用で開けません";
inline constexpr const char* kMailboxRenewed = "受信中にメールボックスが作り直されました";

} // namespace mailtext
