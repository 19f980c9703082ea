#include "dialog/MenuTemplate.h"

QMenu* CreatePopupMenu(std::span<const MenuItemTemplate> items, QWidget* pParent) {
    auto* pMenu = new QMenu(pParent);
    for (const MenuItemTemplate& item : items) {
        if (item.nId == 0) {
            pMenu->addSeparator();
            continue;
        }
        QAction* pAction = pMenu->addAction(QString::fromUtf8(item.pszText));
        pAction->setData(item.nId);
    }
    return pMenu;
}

QAction* FindMenuCommand(const QMenu& menu, int nId) {
    for (QAction* pAction : menu.actions())
        if (!pAction->isSeparator() && pAction->data().toInt() == nId)
            return pAction;
    return nullptr;
}
