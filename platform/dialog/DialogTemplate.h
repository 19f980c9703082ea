#pragma once
// Dialog templates as data: the window and its items with positions and sizes
// in dialog units, so that a layout scales with the dialog's font (one
// horizontal unit is a quarter of the font's average character width, one
// vertical unit an eighth of its height). The tables live in res/.

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
    RadioButton,
    GroupBox,
    ListBox,
    ComboBox
};

// Item styles, combined with |.
enum DlgItemStyle : unsigned {
    kItemDefault = 0,
    kItemDefPushButton = 1u << 0, // the button that Enter presses
    kItemTabStop = 1u << 1,
    kItemGroup = 1u << 2,
    kItemNoPrefix = 1u << 3, // '&' in a label is shown, not a mnemonic
    kItemCenter = 1u << 4,
    kItemRight = 1u << 5,
    kItemPassword = 1u << 6,
    kItemNumber = 1u << 7, // an edit that takes digits only
    kItemReadOnly = 1u << 8,
    kItemDisabled = 1u << 9,
    kItemHidden = 1u << 10,
    kItemNotify = 1u << 11, // a label that reports clicks
    kItemSort = 1u << 12,   // a list kept in order
};

// Window styles.
enum DlgStyle : unsigned {
    kDlgPopup = 0,
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
