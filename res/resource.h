#pragma once
// Resource, command and control ids of the program.

#include "platform/dialog/DialogTemplate.h" // IDOK, IDCANCEL, IDC_STATIC

// Dialog templates.
inline constexpr int IDD_ABOUTBOX = 100;
inline constexpr int IDD_QUIBEN_DIALOG = 102;

// String table.
inline constexpr int IDS_ABOUTBOX = 101;

// Icon, menu, cursor.
inline constexpr int IDR_MAINFRAME = 128;
inline constexpr int IDR_POPUP_MENU = 129;
inline constexpr int IDC_HAND_LINK = 149;

// Commands. 16 is the system-menu entry of the version information.
inline constexpr int IDM_ABOUTBOX = 0x0010;
inline constexpr int ID_RUN_CYCLE_NOW = 1002;
inline constexpr int ID_MENU_SETTINGS = 32771;
inline constexpr int ID_MENU_AUTO_FORWARD = 32772;
inline constexpr int ID_MENU_EXIT = 32773;
inline constexpr int ID_LIST_CHANGED = 32774;
inline constexpr int ID_MENU_VERSION = 32775;
inline constexpr int ID_MENU_README = 32776;

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
