#pragma once
// Pop-up menus made from their templates.

#include "platform/DialogTemplate.h"

#include <QMenu>
#include <span>

// The items in order; each action's data() holds its command id.
QMenu* CreatePopupMenu(std::span<const MenuItemTemplate> items, QWidget* pParent);

// The action of command nId in menu, or null.
QAction* FindMenuCommand(const QMenu& menu, int nId);
