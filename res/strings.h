#pragma once
// The program's own texts (UTF-8 here; they only ever go to widgets).

namespace restext {

inline constexpr const char* kAppName = "Quiben";
inline constexpr const char* kExitQuestion = "本当に終了しますか？";
// The Yes and No buttons as a Japanese desktop labels them.
inline constexpr const char* kButtonYes = "はい(&Y)";
inline constexpr const char* kButtonNo = "いいえ(&N)";
inline constexpr const char* kSettingsCaption = "設定";

// The main window's pop-up menu.
inline constexpr const char* kMenuSettings = "設定";
inline constexpr const char* kMenuAutoForward = "自動転送";
inline constexpr const char* kMenuReadMe = "Read Me";
inline constexpr const char* kMenuVersion = "ﾊﾞｰｼﾞｮﾝ情報";
inline constexpr const char* kMenuAutostart = "ログイン時に起動";
inline constexpr const char* kMenuRunNow = "今すぐ転送";
inline constexpr const char* kMenuErrorLog = "エラーログを表示";
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

// What the main window tells about the forwarding: tooltip, notifications,
// the error log window, and problems met at start-up.
namespace healthtext {

inline constexpr const char* kCycleRunning = "転送中です…";
inline constexpr const char* kNoCycleYet = "まだ転送していません";
inline constexpr const char* kLastCycle = "最後の転送: ";
inline constexpr const char* kForwarded = "転送したメール: ";
inline constexpr const char* kMessagesFormat = "%1 通";
inline constexpr const char* kLastError = "エラー:";
inline constexpr const char* kNoError = "エラーはありません";

// Desktop notifications: forwarding stopped working, and works again.
inline constexpr const char* kFailingSummary = "メールを転送できません";
inline constexpr const char* kSignInSummary = "サインインし直してください";
inline constexpr const char* kRecoveredSummary = "メールの転送が元に戻りました";
inline constexpr const char* kRecoveredBody = "エラーのあと、転送が正常に終わりました。";

// The error log window.
inline constexpr const char* kLogCaption = "エラーログ";
inline constexpr const char* kLogEmpty = "エラーは記録されていません。";
inline constexpr const char* kLogNote = "新しい記録が上にあります。";
inline constexpr const char* kLogClose = "閉じる";

// Start-up and the read-me. %1: the file name, %2: the folders looked in.
inline constexpr const char* kMissingSkin =
    "ウィンドウの画像 %1 が見つかりません。\n探した場所:\n%2\n\n"
    "四角いウィンドウで起動します。右クリックでメニューを開けます。";
inline constexpr const char* kMissingReadMe = "説明ファイル %1 が見つかりません。\n探した場所:\n%2";
inline constexpr const char* kReadMeNotOpened = "説明ファイル %1 を開くプログラムがありません。";
// Noted in the error log; %1 is the value as written.
inline constexpr const char* kTimeUpRaised =
    "TIMEUP=%1 は短すぎるか数値でないため、60000 ミリ秒 (1 分) ごとに転送します";

} // namespace healthtext

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
// Two lines beside the POP3 field: the IMAP form does not fit beside it on one.
inline constexpr const char* kPop3Example = "（例：pop.example.jp、";
inline constexpr const char* kPop3ExampleImap = "imaps://imap.example.jp）";
inline constexpr const char* kSmtpExample = "（例：smtp.example.jp）";
inline constexpr const char* kMailAddressExample = "（例：taro@example.jp）";
inline constexpr const char* kAccountNote = "※受信メールの設定に誤りがあると正常に受信できません。";
inline constexpr const char* kConnectionTest = "接続テスト";
inline constexpr const char* kPasswordInKeyring = "キーリングに保存";
inline constexpr const char* kAuthLabel = "認証方式 :";
inline constexpr const char* kAuthPassword = "パスワード";
inline constexpr const char* kAuthOAuth2 = "OAuth2";
inline constexpr const char* kProviderLabel = "プロバイダ :";
// The entries of the provider list, in the order of the INI's names.
inline constexpr const char* kProviders = "Google\nMicrosoft\nその他";
inline constexpr const char* kClientIdLabel = "クライアントID :";
inline constexpr const char* kClientSecretLabel = "クライアントシークレット :";
inline constexpr const char* kSignIn = "サインイン";
inline constexpr const char* kSignInRunning = "ブラウザで続けてください…";
inline constexpr const char* kSignedIn = "サインイン済み";
inline constexpr const char* kNotSignedIn = "サインインしていません";
inline constexpr const char* kSignInCaption = "サインイン";
inline constexpr const char* kSignInFailed = "サインインできませんでした。";
inline constexpr const char* kSignInKeptInIni =
    "キーリングを使えないため、トークンを Quiben.ini (持ち主だけが読めるファイル) に保存しました。";
inline constexpr const char* kPasswordKeptInIni =
    "キーリングを使えないため、パスワードは Quiben.ini に保存しました。";

// The connection test's answer. %1: server, %2: what was found.
inline constexpr const char* kTestCaption = "接続テスト";
inline constexpr const char* kTestRunning = "テスト中…";
inline constexpr const char* kTestPop3 = "受信サーバー (POP3) %1";
inline constexpr const char* kTestSmtp = "送信サーバー (SMTP) %1";
inline constexpr const char* kTestLoggedIn = "ログインできました。メールは %1 通あります。";
inline constexpr const char* kTestSmtpAccepted = "接続できました。転送先 %1 は受け付けられました。";
inline constexpr const char* kTestSmtpNoRecipient =
    "接続できました。転送先が登録されていないため、宛先は確かめていません。";
inline constexpr const char* kTestServerReply = "サーバーの応答: %1";
inline constexpr const char* kTestNothingSent = "(メールは受信も送信もしていません)";

// Warnings on OK: the settings are stored anyway. %1: field, %2: value.
inline constexpr const char* kCheckCaption = "設定の確認";
inline constexpr const char* kCheckUnreadable = "%1 「%2」 はサーバー名として読めません。";
inline constexpr const char* kCheckPort = "%1 「%2」 のポート番号は 1～65535 で指定してください。";
inline constexpr const char* kCheckAddress = "%1 「%2」 はメールアドレスの形ではありません。";
inline constexpr const char* kCheckStoredAnyway = "このまま保存します。";
inline constexpr const char* kFieldPop3 = "受信サーバー名 (POP3)";
inline constexpr const char* kFieldSmtp = "送信サーバー名 (SMTP)";
inline constexpr const char* kFieldMailAddress = "メールアドレス";

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
