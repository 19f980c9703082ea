#pragma once
// Dialog and menu templates as data, the form the program's resources are
// written in: the window and its items with positions and sizes in dialog
// units, so that a layout scales with the dialog's font (one horizontal unit
// is a quarter of the font's average character width, one vertical unit an
// eighth of its height). The tables live in res/; dialog/ builds widgets
// from them. No Qt here, so res/ needs nothing above platform/.

#include <span>

// Ids every dialog shares.
inline constexpr int IDC_STATIC = -1;
inline constexpr int IDOK = 1;
inline constexpr int IDCANCEL = 2;

enum class DlgItemKind {
    Static, // text label
    Icon,   // picture; the item's text names a Qt resource path
    PushButton,
    Edit,
    CheckBox,
    ListBox,
};

// Item styles, combined with |.
enum DlgItemStyle : unsigned {
    kItemDefault = 0,
    kItemDefPushButton = 1u << 0, // the button that Enter presses
    kItemTabStop = 1u << 1,
    kItemGroup = 1u << 2,
    kItemNoPrefix = 1u << 3, // '&' in a label is shown, not a mnemonic
    kItemRight = 1u << 4,
    kItemPassword = 1u << 5,
    kItemNumber = 1u << 6, // an edit that takes digits only
};

// Window styles.
enum DlgStyle : unsigned {
    kDlgCaption = 1u << 0,
    kDlgSysMenu = 1u << 1,
    kDlgModalFrame = 1u << 2,
    kDlgChild = 1u << 3,      // embedded in another window (a property page)
    kDlgToolWindow = 1u << 4, // no task-bar entry
    kDlgFrameless = 1u << 5,  // no caption and no border
};

struct DlgItemTemplate {
    int nId;
    DlgItemKind kind;
    unsigned nStyle;
    int x, y, cx, cy;    // dialog units
    const char* pszText; // UTF-8
};

struct DialogTemplate {
    int nId;
    const char* pszCaption; // UTF-8
    unsigned nStyle;
    int x, y, cx, cy;        // dialog units
    const char* pszFontFace; // UTF-8, as the template names it
    int nPointSize;
    std::span<const DlgItemTemplate> items;
};

// A pop-up menu's item; a zero id is a separator.
struct MenuItemTemplate {
    int nId;
    const char* pszText; // UTF-8, '&' marks a mnemonic
};
