#pragma once
// The sign-in's own texts (UTF-8). They never carry a token, a code or a
// secret: only the provider's error name or the network's reason.

namespace oauthtext {

inline constexpr const char* kNoClientId = "クライアントIDが設定されていません";
inline constexpr const char* kBadEndpoint =
    "認証サーバのURLが正しくありません(https:// で始まるURLが必要です)";
inline constexpr const char* kUnreachable = "認証サーバに接続できません";
inline constexpr const char* kServerError = "認証サーバでエラーが発生しました";
inline constexpr const char* kBadAnswer = "認証サーバの応答を読めません";
inline constexpr const char* kSignInAgain =
    "サインインの有効期限が切れたか取り消されました。もう一度サインインしてください";
inline constexpr const char* kClientRefused = "認証サーバがクライアントの設定を受け付けません";
inline constexpr const char* kDenied = "サインインが許可されませんでした";
inline constexpr const char* kCodeExpired =
    "コードの有効期限が切れました。もう一度サインインしてください";
inline constexpr const char* kNoRefreshToken = "サインインしていません";
inline constexpr const char* kListen = "ブラウザからの応答を待ち受けられません";
inline constexpr const char* kTimedOut = "時間内にサインインが終わりませんでした";
inline constexpr const char* kNotTheRedirect =
    "このサインインのリダイレクトURLではありません(state が違います)";
inline constexpr const char* kCancelled = "サインインを中止しました";
inline constexpr const char* kDeviceInstructions =
    "ブラウザで %s を開き、コード %s を入力してください。";

// The page the browser shows after the redirect.
inline constexpr const char* kBrowserDone =
    "<!DOCTYPE html><html lang=\"ja\"><head><meta charset=\"utf-8\"><title>Quiben</title></head>"
    "<body><p>Quiben: サインインしました。このページを閉じてください。</p></body></html>";
inline constexpr const char* kBrowserFailed =
    "<!DOCTYPE html><html lang=\"ja\"><head><meta charset=\"utf-8\"><title>Quiben</title></head>"
    "<body><p>Quiben: サインインできませんでした。</p></body></html>";

} // namespace oauthtext
