#include "app/CHealthDisplay.h"

#include "res/strings.h"

#include <QDateTime>
#include <QPainter>
#include <QStringList>
#include <QTextDocument>
#include <vector>

namespace {

// Counts of shape pixels in any rectangle in constant time (a summed-area
// table), so every place of the window can be tried quickly.
class CShapeCounter {
public:
    CShapeCounter(const QRegion& shape, const QSize& size)
        : m_nWidth(size.width() + 1), m_sums(std::size_t(m_nWidth) * (size.height() + 1), 0) {
        std::vector<int> inside(std::size_t(size.width()) * size.height(), 0);
        for (const QRect& rc : shape& QRect(QPoint(0, 0), size))
            for (int y = rc.top(); y <= rc.bottom(); ++y)
                for (int x = rc.left(); x <= rc.right(); ++x)
                    inside[std::size_t(y) * size.width() + x] = 1;
        for (int y = 1; y <= size.height(); ++y)
            for (int x = 1; x <= size.width(); ++x)
                At(x, y) = inside[std::size_t(y - 1) * size.width() + (x - 1)] + At(x - 1, y) +
                           At(x, y - 1) - At(x - 1, y - 1);
    }

    bool Covers(const QRect& rc) const {
        const int l = rc.left(), t = rc.top(), r = rc.right() + 1, b = rc.bottom() + 1;
        return At(r, b) - At(l, b) - At(r, t) + At(l, t) == rc.width() * rc.height();
    }

private:
    int& At(int x, int y) { return m_sums[std::size_t(y) * m_nWidth + x]; }
    int At(int x, int y) const { return m_sums[std::size_t(y) * m_nWidth + x]; }

    int m_nWidth;
    std::vector<int> m_sums;
};

// A cross of two bands, each three quarters of the disc's width, covers
// the whole disc; where the shape holds both, the badge loses nothing.
bool BadgeFits(const CShapeCounter& counter, const QPoint& centre) {
    const int r = CHealthDisplay::kBadgeDiameter / 2;
    const QRect box(centre.x() - r, centre.y() - r, 2 * r, 2 * r);
    return counter.Covers(box.adjusted(r / 4, 0, -r / 4, 0)) &&
           counter.Covers(box.adjusted(0, r / 4, 0, -r / 4));
}

QString Line(const char* pszLabel, const QString& value) {
    return QString::fromUtf8(pszLabel) + value;
}

} // namespace

QPoint CHealthDisplay::BadgeCentre(const QRegion& shape, const QSize& size) {
    const int r = kBadgeDiameter / 2;
    const CShapeCounter counter(shape, size);
    // Where badges sit on icons: as near the top right corner as the shape
    // allows.
    std::optional<QPoint> best;
    long long nBestDistance = 0;
    for (int y = r; y + r <= size.height(); ++y)
        for (int x = size.width() - r; x - r >= 0; --x) {
            const long long dx = size.width() - x, dy = y;
            const long long nDistance = dx * dx + dy * dy;
            if ((!best || nDistance < nBestDistance) && BadgeFits(counter, QPoint(x, y))) {
                best = QPoint(x, y);
                nBestDistance = nDistance;
            }
        }
    return best.value_or(QPoint(size.width() / 2, size.height() / 2));
}

void CHealthDisplay::PaintBadge(QPainter& painter, const QPoint& centre) {
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    const int r = kBadgeDiameter / 2;
    painter.setPen(QPen(Qt::white, 1.5));
    painter.setBrush(QColor(204, 0, 0));
    painter.drawEllipse(QPointF(centre), r - 1, r - 1);
    // The mark: a bar and a dot, drawn so no font is needed.
    painter.setPen(Qt::NoPen);
    painter.setBrush(Qt::white);
    painter.drawRoundedRect(QRectF(centre.x() - 1.5, centre.y() - r + 4, 3, r), 1, 1);
    painter.drawEllipse(QPointF(centre.x(), centre.y() + r - 5), 1.7, 1.7);
    painter.restore();
}

QString CHealthDisplay::ToolTip(const std::optional<CycleReport>& report, bool bCycleRunning) {
    QStringList lines{QString::fromUtf8(restext::kAppName)};
    if (bCycleRunning)
        lines << QString::fromUtf8(healthtext::kCycleRunning);
    if (!report) {
        lines << QString::fromUtf8(healthtext::kNoCycleYet);
    } else {
        const QDateTime when = QDateTime::fromSecsSinceEpoch(report->tFinished);
        lines << Line(healthtext::kLastCycle, when.toString(QStringLiteral("yyyy/MM/dd HH:mm:ss")));
        lines << Line(healthtext::kForwarded,
                      QString::fromUtf8(healthtext::kMessagesFormat).arg(report->nForwarded));
        if (report->HadError())
            lines << QString::fromUtf8(healthtext::kLastError)
                  << QString::fromStdString(report->strErrors);
        else
            lines << QString::fromUtf8(healthtext::kNoError);
    }
    // Error texts carry server replies such as "<a@b>": plain text, shown
    // as it is, one line each.
    return Qt::convertFromPlainText(lines.join('\n'), Qt::WhiteSpaceNormal);
}
