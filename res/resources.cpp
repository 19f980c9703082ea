#include "res/resources.h"

#include "res/resource.h"

#include <QPixmap>

// Q_INIT_RESOURCE declares a function, so it cannot sit in a namespace.
static void InitResourceFiles() {
    Q_INIT_RESOURCE(quiben);
}

void InitQuibenResources() {
    static const bool bDone = (InitResourceFiles(), true);
    (void)bDone;
}

QIcon LoadAppIcon() {
    InitQuibenResources();
    return QIcon(QString::fromUtf8(kResAppIcon));
}

QCursor LoadResCursor(int nId) {
    InitQuibenResources();
    if (nId != IDC_HAND_LINK)
        return QCursor(Qt::ArrowCursor);
    const QPixmap image(QString::fromUtf8(kResHandCursor));
    if (image.isNull())
        return QCursor(Qt::PointingHandCursor);
    return QCursor(image, 0, 0); // stored with its hot spot at the top-left corner
}
