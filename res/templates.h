#pragma once
// Dialog templates and menus. Positions and sizes in dialog units.

#include "platform/DialogTemplate.h"
#include "res/resource.h"
#include "res/strings.h"

inline constexpr const char* kDialogFontFace = "ＭＳ Ｐゴシック";
inline constexpr int kDialogFontPoints = 9;

// The main window (IDD_QUIBEN_DIALOG). No items; its size is replaced by the skin's.
inline constexpr DialogTemplate kMainDialogTemplate{
    IDD_QUIBEN_DIALOG, nullptr, kDlgFrameless | kDlgToolWindow, 0, 0, 91, 127, kDialogFontFace,
    kDialogFontPoints, {}};

// The About box (IDD_ABOUTBOX). Every item but the icon starts a group.
inline constexpr DlgItemTemplate kAboutItems[] = {
    {IDC_STATIC, DlgItemKind::Icon, kItemDefault, 11, 17, 20, 20, kResAppIcon},
    {IDC_STATIC, DlgItemKind::Static, kItemGroup | kItemNoPrefix, 40, 10, 119, 8,
     restext::kAboutVersion},
    {IDC_STATIC, DlgItemKind::Static, kItemGroup, 40, 25, 119, 8, restext::kAboutMaker},
    {IDOK, DlgItemKind::PushButton, kItemGroup | kItemDefPushButton | kItemTabStop, 178, 7, 50, 14,
     restext::kAboutOk},
    {IDC_LINK_HOME, DlgItemKind::Static, kItemGroup, 144, 44, 82, 8, restext::kLinkHome},
    {IDC_STATIC, DlgItemKind::Static, kItemGroup, 80, 44, 63, 8, restext::kLinkHomeCaption},
    {IDC_LINK_SUPPORT, DlgItemKind::Static, kItemGroup, 144, 56, 83, 8, restext::kLinkSupport},
    {IDC_STATIC, DlgItemKind::Static, kItemGroup, 80, 56, 53, 8, restext::kLinkSupportCaption},
    {IDC_LINK_DOWNLOAD, DlgItemKind::Static, kItemGroup, 144, 68, 83, 8, restext::kLinkDownload},
    {IDC_STATIC, DlgItemKind::Static, kItemGroup, 80, 68, 48, 8, restext::kLinkDownloadCaption},
    {IDC_LINK_MAIL, DlgItemKind::Static, kItemGroup, 144, 80, 78, 8, restext::kLinkMail},
    {IDC_STATIC, DlgItemKind::Static, kItemGroup, 80, 80, 44, 8, restext::kLinkMailCaption},
};

inline constexpr DialogTemplate kAboutTemplate{IDD_ABOUTBOX,
                                               restext::kAboutCaption,
                                               kDlgCaption | kDlgSysMenu | kDlgModalFrame,
                                               0,
                                               0,
                                               235,
                                               95,
                                               kDialogFontFace,
                                               kDialogFontPoints,
                                               kAboutItems};

// The main window's pop-up menu. {0, nullptr} is a separator. Items
// about the running program go in the group before 終了.
inline constexpr MenuItemTemplate kMainPopupMenu[] = {
    {ID_MENU_SETTINGS, restext::kMenuSettings},
    {ID_MENU_AUTO_FORWARD, restext::kMenuAutoForward},
    {0, nullptr},
    {ID_MENU_README, restext::kMenuReadMe},
    {0, nullptr},
    {ID_MENU_VERSION, restext::kMenuVersion},
    {0, nullptr},
    {ID_RUN_CYCLE_NOW, restext::kMenuRunNow},
    {ID_MENU_ERROR_LOG, restext::kMenuErrorLog},
    {ID_MENU_AUTOSTART, restext::kMenuAutostart},
    {0, nullptr},
    {ID_MENU_EXIT, restext::kMenuExit},
};

// The pages of the settings sheet, items in tab order.
inline constexpr const char* kPageFontFace = "ＭＳ Ｐゴシック";
inline constexpr int kPageFontPoints = 9;

// The account page (IDD_PAGE_ACCOUNT).
inline constexpr DlgItemTemplate kAccountPageItems[] = {
    {IDC_STATIC, DlgItemKind::Static, kItemDefault, 4, 8, 73, 8, pagetext::kPop3Label},
    {IDC_EDIT_POP3, DlgItemKind::Edit, kItemTabStop, 16, 16, 92, 14, nullptr},
    {IDC_STATIC, DlgItemKind::Static, kItemDefault, 4, 32, 74, 8, pagetext::kSmtpLabel},
    {IDC_EDIT_SMTP, DlgItemKind::Edit, kItemTabStop, 16, 40, 92, 14, nullptr},
    {IDC_STATIC, DlgItemKind::Static, kItemDefault, 4, 56, 40, 8, pagetext::kAccountLabel},
    {IDC_EDIT_ACCOUNT, DlgItemKind::Edit, kItemTabStop, 16, 64, 92, 14, nullptr},
    {IDC_STATIC, DlgItemKind::Static, kItemDefault, 4, 80, 35, 8, pagetext::kPasswordLabel},
    {IDC_EDIT_PASSWORD, DlgItemKind::Edit, kItemTabStop | kItemPassword, 16, 88, 92, 14, nullptr},
    {IDC_CHECK_PASSWORD_KEYRING, DlgItemKind::CheckBox, kItemTabStop, 112, 90, 92, 10,
     pagetext::kPasswordInKeyring},
    {IDC_STATIC, DlgItemKind::Static, kItemDefault, 4, 104, 46, 8, pagetext::kMailAddressLabel},
    {IDC_EDIT_MAILADDRESS, DlgItemKind::Edit, kItemTabStop, 16, 112, 92, 14, nullptr},
    {IDC_BUTTON_CONNECTION_TEST, DlgItemKind::PushButton, kItemTabStop, 16, 134, 60, 14,
     pagetext::kConnectionTest},
    {IDC_STATIC, DlgItemKind::Static, kItemDefault, 112, 15, 92, 8, pagetext::kPop3Example},
    {IDC_STATIC, DlgItemKind::Static, kItemDefault, 116, 23, 88, 8, pagetext::kPop3ExampleImap},
    {IDC_STATIC, DlgItemKind::Static, kItemDefault, 112, 44, 76, 8, pagetext::kSmtpExample},
    {IDC_STATIC, DlgItemKind::Static, kItemDefault, 112, 116, 85, 8, pagetext::kMailAddressExample},
    {IDC_STATIC, DlgItemKind::Static, kItemDefault, 16, 156, 174, 8, pagetext::kAccountNote},
    {IDC_STATIC, DlgItemKind::Static, kItemDefault, 214, 8, 100, 8, pagetext::kAuthLabel},
    {IDC_RADIO_PASSWORD, DlgItemKind::RadioButton, kItemTabStop | kItemGroup, 222, 20, 90, 10,
     pagetext::kAuthPassword},
    {IDC_RADIO_OAUTH2, DlgItemKind::RadioButton, kItemTabStop, 222, 32, 90, 10,
     pagetext::kAuthOAuth2},
    {IDC_STATIC, DlgItemKind::Static, kItemDefault, 232, 48, 84, 8, pagetext::kProviderLabel},
    {IDC_COMBO_PROVIDER, DlgItemKind::ComboBox, kItemTabStop, 232, 57, 84, 14,
     pagetext::kProviders},
    {IDC_STATIC, DlgItemKind::Static, kItemDefault, 232, 76, 84, 8, pagetext::kClientIdLabel},
    {IDC_EDIT_CLIENT_ID, DlgItemKind::Edit, kItemTabStop, 232, 85, 84, 14, nullptr},
    {IDC_STATIC, DlgItemKind::Static, kItemDefault, 232, 104, 84, 8, pagetext::kClientSecretLabel},
    {IDC_EDIT_CLIENT_SECRET, DlgItemKind::Edit, kItemTabStop, 232, 113, 84, 14, nullptr},
    {IDC_BUTTON_SIGN_IN, DlgItemKind::PushButton, kItemTabStop, 232, 134, 60, 14,
     pagetext::kSignIn},
    {IDC_STATIC_SIGN_IN_STATE, DlgItemKind::Static, kItemNoPrefix, 232, 154, 84, 8, nullptr},
};

inline constexpr DialogTemplate kAccountPageTemplate{
    IDD_PAGE_ACCOUNT, pagetext::kAccountCaption, kDlgChild,        0, 0, 320, 167,
    kPageFontFace,    kPageFontPoints,           kAccountPageItems};

// The forward page (IDD_PAGE_TENSOU).
inline constexpr DlgItemTemplate kTensouPageItems[] = {
    {IDC_STATIC, DlgItemKind::Static, kItemDefault, 15, 24, 67, 8, pagetext::kAddressLabel},
    {IDC_CHECK_AUTOFORWARD, DlgItemKind::CheckBox, kItemTabStop, 4, 8, 72, 10,
     pagetext::kAutoForward},
    {IDC_LIST_ADDRESS, DlgItemKind::ListBox, kItemTabStop, 24, 34, 172, 102, nullptr},
    {IDC_BAR_ADDRESS, DlgItemKind::PushButton, kItemTabStop, 140, 20, 55, 14, nullptr},
    {IDC_STATIC, DlgItemKind::Static, kItemDefault, 24, 144, 158, 8, pagetext::kAddressNote},
    {IDC_STATIC, DlgItemKind::Static, kItemDefault, 24, 156, 146, 8, pagetext::kIntervalNote},
};

inline constexpr DialogTemplate kTensouPageTemplate{
    IDD_PAGE_TENSOU, pagetext::kTensouCaption, kDlgChild,       0, 0, 207, 171,
    kPageFontFace,   kPageFontPoints,          kTensouPageItems};

// The rule page (IDD_PAGE_RULE).
inline constexpr DlgItemTemplate kRulePageItems[] = {
    {IDC_CHECK_FROMRULE, DlgItemKind::CheckBox, kItemTabStop, 4, 8, 125, 10, pagetext::kFromRule},
    {IDC_LIST_FROM, DlgItemKind::ListBox, kItemTabStop, 24, 18, 172, 42, nullptr},
    {IDC_BAR_FROM, DlgItemKind::PushButton, kItemTabStop, 140, 4, 55, 14, nullptr},
    {IDC_CHECK_SUBJECTRULE, DlgItemKind::CheckBox, kItemTabStop, 4, 68, 140, 10,
     pagetext::kSubjectRule},
    {IDC_LIST_SUBJECT, DlgItemKind::ListBox, kItemTabStop, 24, 78, 172, 34, nullptr},
    {IDC_BAR_SUBJECT, DlgItemKind::PushButton, kItemTabStop, 140, 64, 55, 14, nullptr},
    {IDC_CHECK_NOATTACHMENT, DlgItemKind::CheckBox, kItemTabStop, 12, 128, 115, 10,
     pagetext::kNoAttachment},
    {IDC_CHECK_SIZELIMIT, DlgItemKind::CheckBox, kItemTabStop, 12, 140, 154, 10,
     pagetext::kSizeLimit},
    {IDC_STATIC, DlgItemKind::Static, kItemDefault, 4, 116, 143, 8, pagetext::kMobileNote},
    {IDC_EDIT_LIMITBYTE, DlgItemKind::Edit, kItemTabStop | kItemNumber | kItemRight, 24, 152, 40,
     14, nullptr},
    {IDC_STATIC, DlgItemKind::Static, kItemDefault, 68, 156, 15, 8, pagetext::kBytes},
};

inline constexpr DialogTemplate kRulePageTemplate{
    IDD_PAGE_RULE, pagetext::kRuleCaption, kDlgChild,     0, 0, 207, 171,
    kPageFontFace, kPageFontPoints,        kRulePageItems};
