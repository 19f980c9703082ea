#pragma once
// What the main window shows of the forwarding's health: a small badge over
// the skin after a cycle that logged an error, and a tooltip with the time
// of the last cycle, what it forwarded and its errors in full.

#include "engine/CycleReport.h"

#include <QPoint>
#include <QRegion>
#include <QSize>
#include <QString>
#include <optional>

class QPainter;

class CHealthDisplay {
public:
    static constexpr int kBadgeDiameter = 18;

    // Centre of the badge: the place nearest the top right corner where the
    // whole badge lies inside the window's shape, so no part of it is cut
    // away; the middle of the window when the shape has no such place.
    static QPoint BadgeCentre(const QRegion& shape, const QSize& size);

    // A red disc with a white exclamation mark.
    static void PaintBadge(QPainter& painter, const QPoint& centre);

    // The tooltip as rich text that shows the texts literally. report is
    // empty before the first cycle.
    static QString ToolTip(const std::optional<CycleReport>& report, bool bCycleRunning);
};
