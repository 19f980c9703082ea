#pragma once
// Answers the next modal box or pop-up menu from the event loop, while the
// code under test waits in its own modal run.

#include <QApplication>
#include <QTimer>
#include <functional>

// Calls action once on the next active modal widget of type T (or, for
// menus, the active pop-up). Gives up after a few thousand polls so a test
// that never opens one fails instead of hanging.
template <class T> void OnNextModal(std::function<void(T*)> action, bool bPopup = false) {
    auto* pTimer = new QTimer;
    auto nPolls = std::make_shared<int>(0);
    pTimer->setInterval(5);
    QObject::connect(pTimer, &QTimer::timeout, [pTimer, action, bPopup, nPolls] {
        QWidget* pActive =
            bPopup ? QApplication::activePopupWidget() : QApplication::activeModalWidget();
        T* pWanted = qobject_cast<T*>(pActive);
        if (pWanted == nullptr && ++*nPolls < 4000)
            return;
        pTimer->stop();
        pTimer->deleteLater();
        if (pWanted != nullptr)
            action(pWanted);
    });
    pTimer->start();
}
