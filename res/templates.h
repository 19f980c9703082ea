#pragma once
// Dialog templates and menus. Positions and sizes in dialog units.

#include "platform/dialog/DialogTemplate.h"
#include "platform/dialog/MenuTemplate.h"
#include "res/resource.h"
#include "res/strings.h"

inline constexpr const char* kDialogFontFace = "ＭＳ Ｐゴシック";
inline constexpr int kDialogFontPoints = 9;

// Template 102: the main window. No items; its size is replaced by the skin's.
inline constexpr DialogTemplate kMainDialogTemplate{
    IDD_QUIBEN_DIALOG, nullptr, kDlgFrameless | kDlgToolWindow, 0, 0, 91, 127, kDialogFontFace,
    kDialogFontPoints, {}};

// Template 100: the About box. Every item but the icon starts a group.
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

// Menu 129: the main window's pop-up.
inline constexpr MenuItemTemplate kMainPopupMenu[] = {
    {ID_MENU_SETTINGS, restext::kMenuSettings},
    {ID_MENU_AUTO_FORWARD, restext::kMenuAutoForward},
    {0, nullptr},
    {ID_MENU_README, restext::kMenuReadMe},
    {0, nullptr},
    {ID_MENU_VERSION, restext::kMenuVersion},
    {0, nullptr},
    {ID_MENU_EXIT, restext::kMenuExit},
};
