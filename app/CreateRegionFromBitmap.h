#pragma once
// The outline of a window taken from a picture: every pixel of the key
// colour is cut away (or, with excludeKey off, only those are kept).

#include <QImage>
#include <QRegion>
#include <optional>

inline constexpr int kRegionBatchRects = 2000; // rectangles joined per batch
inline constexpr int kRegionBufferStep = 100;  // growth of the rectangle buffer

// One rectangle per horizontal run of inside pixels in each row, in picture
// coordinates (y = 0 is the top row). Colours match exactly on red, green and
// blue; the fourth byte of a pixel is ignored. No value for a null image. A
// picture with no inside pixel gives an empty region.
std::optional<QRegion> CreateRegionFromBitmap(const QImage& bitmap, QRgb keyColor, bool excludeKey);
