#pragma once
// Resource, command and control ids of the program.

#include "platform/DialogTemplate.h" // IDOK, IDCANCEL, IDC_STATIC

// Dialog templates.
inline constexpr int IDD_ABOUTBOX = 100;
inline constexpr int IDD_QUIBEN_DIALOG = 102;

// The link cursor.
inline constexpr int IDC_HAND_LINK = 149;

// Commands. ID_RUN_CYCLE_NOW also comes from a second start of the program
// (see CInstanceChannel).
inline constexpr int ID_RUN_CYCLE_NOW = 1002;
inline constexpr int ID_MENU_SETTINGS = 32771;
inline constexpr int ID_MENU_AUTO_FORWARD = 32772;
inline constexpr int ID_MENU_EXIT = 32773;
inline constexpr int ID_MENU_VERSION = 32775;
inline constexpr int ID_MENU_README = 32776;
inline constexpr int ID_MENU_ERROR_LOG = 32777;
// Start at login (an XDG autostart entry); numbered apart from the others so
// that later menu commands can take the next numbers.
inline constexpr int ID_MENU_AUTOSTART = 32790;

// Timer of the main window.
inline constexpr int ID_FORWARD_TIMER = 3;

// Items of the About box: the four address lines.
inline constexpr int IDC_LINK_HOME = 1056;
inline constexpr int IDC_LINK_SUPPORT = 1057;
inline constexpr int IDC_LINK_DOWNLOAD = 1058;
inline constexpr int IDC_LINK_MAIL = 1059;

// Compiled-in images (Qt resource paths).
inline constexpr const char* kResAppIcon = ":/quiben/quiben.png";
inline constexpr const char* kResHandCursor = ":/quiben/hand_link.png";

// The settings pages: their templates and their items.
// Dialog templates of the pages.
inline constexpr int IDD_PAGE_ACCOUNT = 129;
inline constexpr int IDD_PAGE_TENSOU = 130;
inline constexpr int IDD_PAGE_RULE = 131;

// Account page (IDD_PAGE_ACCOUNT).
inline constexpr int IDC_EDIT_POP3 = 1002;
inline constexpr int IDC_EDIT_SMTP = 1003;
inline constexpr int IDC_EDIT_ACCOUNT = 1005;
inline constexpr int IDC_EDIT_PASSWORD = 1006;
inline constexpr int IDC_EDIT_MAILADDRESS = 1007;
inline constexpr int IDC_BUTTON_CONNECTION_TEST = 1008;

// Forward page (IDD_PAGE_TENSOU).
inline constexpr int IDC_CHECK_AUTOFORWARD = 1001;
inline constexpr int IDC_LIST_ADDRESS = 1008;
inline constexpr int IDC_BAR_ADDRESS = 1009;

// Rule page (IDD_PAGE_RULE).
inline constexpr int IDC_CHECK_FROMRULE = 1003;
inline constexpr int IDC_LIST_FROM = 1004;
inline constexpr int IDC_BAR_FROM = 1005;
inline constexpr int IDC_CHECK_SUBJECTRULE = 1006;
inline constexpr int IDC_LIST_SUBJECT = 1007;
inline constexpr int IDC_BAR_SUBJECT = 1008;
inline constexpr int IDC_CHECK_NOATTACHMENT = 1009;
inline constexpr int IDC_CHECK_SIZELIMIT = 1010;
inline constexpr int IDC_EDIT_LIMITBYTE = 1011;
