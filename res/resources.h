#pragma once
// The compiled-in pictures: the program's icon and the link cursor.

#include <QCursor>
#include <QIcon>

// Registers the compiled-in files (safe to call more than once); the loaders
// below call it themselves.
void InitQuibenResources();

QIcon LoadAppIcon();
// Cursor nId with its stored hot spot; the arrow when there is no such cursor.
QCursor LoadResCursor(int nId);
