#include "app/CreateRegionFromBitmap.h"

#include <vector>

namespace {

// Rectangles are gathered in batches: one region per batch of at most 2000,
// joined with the result, so that no single region call gets an unbounded
// list. Each batch is already in the banded order that QRegion::setRects
// needs: rows top down, runs left to right, never touching.
class CRunCollector {
public:
    CRunCollector() { m_rects.reserve(kRegionBufferStep); }

    void Add(int x0, int y, int x1) {
        if (m_rects.size() == m_rects.capacity())
            m_rects.reserve(m_rects.capacity() + kRegionBufferStep);
        m_rects.emplace_back(QPoint(x0, y), QPoint(x1 - 1, y));
        if (static_cast<int>(m_rects.size()) == kRegionBatchRects)
            Flush();
    }

    void Flush() {
        QRegion batch;
        batch.setRects(m_rects.data(), static_cast<int>(m_rects.size()));
        m_result = m_result ? m_result->united(batch) : batch;
        m_rects.clear();
    }

    QRegion Take() { return m_result.value_or(QRegion()); }

private:
    std::vector<QRect> m_rects;
    std::optional<QRegion> m_result;
};

// A 32-bit copy in which every pixel is blue, green, red and a fourth byte
// in memory, whatever the source's format.
QImage ThirtyTwoBitCopy(const QImage& source) {
    if (source.format() == QImage::Format_RGB32 || source.format() == QImage::Format_ARGB32)
        return source;
    return source.convertToFormat(QImage::Format_ARGB32);
}

} // namespace

std::optional<QRegion> CreateRegionFromBitmap(const QImage& bitmap, QRgb keyColor,
                                              bool excludeKey) {
    if (bitmap.isNull())
        return std::nullopt;
    const QImage copy = ThirtyTwoBitCopy(bitmap);
    if (copy.isNull())
        return std::nullopt;

    const QRgb key = keyColor & 0x00FFFFFF;
    auto isInside = [&](QRgb pixel) { return ((pixel & 0x00FFFFFF) == key) != excludeKey; };

    CRunCollector runs;
    const int width = copy.width();
    for (int y = 0; y < copy.height(); ++y) {
        const auto* row = reinterpret_cast<const QRgb*>(copy.constScanLine(y));
        int x = 0;
        while (x < width) {
            const int x0 = x;
            while (x < width && isInside(row[x]))
                ++x;
            if (x > x0)
                runs.Add(x0, y, x);
            ++x; // the pixel that ended the run is outside
        }
    }
    runs.Flush(); // also for an empty buffer: the result is then an empty region
    return runs.Take();
}
