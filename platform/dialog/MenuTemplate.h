#pragma once
// Pop-up menus as data: items with command ids, a zero id is a separator.

#include <QMenu>
#include <span>

struct MenuItemTemplate {
    int nId;             // 0: separator
    const char* pszText; // UTF-8, '&' marks a mnemonic
};

// The items in order; each action's data() holds its command id.
QMenu* CreatePopupMenu(std::span<const MenuItemTemplate> items, QWidget* pParent);

// The action of command nId in menu, or null.
QAction* FindMenuCommand(const QMenu& menu, int nId);
