// The window outline cut from the skin: runs per row, exact colour match,
// batches of 2000 rectangles, any row order of the source file.
#include "app/CreateRegionFromBitmap.h"

#include <QBuffer>
#include <QtEndian>
#include <functional>
#include <gtest/gtest.h>

namespace {

const QRgb kWhite = qRgb(255, 255, 255);
const QRgb kRed = qRgb(255, 0, 0);

QImage Picture(int width, int height, QRgb fill, QImage::Format format = QImage::Format_RGB32) {
    QImage image(width, height, format);
    image.fill(fill);
    return image;
}

// Every pixel of the picture is in the region exactly when expected says so.
void ExpectCovers(const QRegion& region, const QImage& image,
                  const std::function<bool(int, int)>& expected) {
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            ASSERT_EQ(region.contains(QPoint(x, y)), expected(x, y)) << "at " << x << "," << y;
    EXPECT_TRUE(image.rect().contains(region.boundingRect()) || region.isEmpty());
}

// A 24-bit BMP file of the picture, rows stored top-down (negative height)
// or bottom-up.
QByteArray BmpFile(const QImage& image, bool bTopDown) {
    const int width = image.width(), height = image.height();
    const int stride = (width * 3 + 3) & ~3;
    QByteArray file(54 + stride * height, '\0');
    auto put32 = [&](int at, qint32 value) { qToLittleEndian(value, file.data() + at); };
    auto put16 = [&](int at, qint16 value) { qToLittleEndian(value, file.data() + at); };
    file[0] = 'B';
    file[1] = 'M';
    put32(2, file.size());
    put32(10, 54);
    put32(14, 40);
    put32(18, width);
    put32(22, bTopDown ? -height : height);
    put16(26, 1);
    put16(28, 24);
    for (int y = 0; y < height; ++y) {
        const int row = bTopDown ? y : height - 1 - y;
        char* out = file.data() + 54 + row * stride;
        for (int x = 0; x < width; ++x) {
            const QRgb pixel = image.pixel(x, y);
            out[3 * x] = char(qBlue(pixel));
            out[3 * x + 1] = char(qGreen(pixel));
            out[3 * x + 2] = char(qRed(pixel));
        }
    }
    return file;
}

} // namespace

TEST(CreateRegionFromBitmap, NoImageGivesNoRegion) {
    EXPECT_FALSE(CreateRegionFromBitmap(QImage(), kWhite, true).has_value());
}

TEST(CreateRegionFromBitmap, PictureWithoutKeyColourIsWholeRectangle) {
    const auto region = CreateRegionFromBitmap(Picture(7, 5, kRed), kWhite, true);
    ASSERT_TRUE(region.has_value());
    EXPECT_TRUE((*region ^ QRegion(0, 0, 7, 5)).isEmpty());
}

TEST(CreateRegionFromBitmap, PictureAllOfKeyColourGivesEmptyRegion) {
    const auto region = CreateRegionFromBitmap(Picture(9, 4, kWhite), kWhite, true);
    ASSERT_TRUE(region.has_value());
    EXPECT_TRUE(region->isEmpty());
}

TEST(CreateRegionFromBitmap, RowOfKeyRedRedKeyRedGivesTwoRuns) {
    QImage image = Picture(5, 1, kRed);
    image.setPixel(0, 0, kWhite);
    image.setPixel(3, 0, kWhite);
    const auto region = CreateRegionFromBitmap(image, kWhite, true);
    ASSERT_TRUE(region.has_value());
    const QList<QRect> rects(region->begin(), region->end());
    EXPECT_EQ(rects, (QList<QRect>{QRect(1, 0, 2, 1), QRect(4, 0, 1, 1)}));
}

TEST(CreateRegionFromBitmap, MatchIsExactAndIgnoresFourthByte) {
    // Near-white differs by one step in blue: it belongs to the window.
    QImage image = Picture(4, 1, kWhite);
    image.setPixel(1, 0, qRgb(0xFF, 0xFF, 0xFE));
    // The fourth byte varies; only red, green and blue count.
    image.setPixel(2, 0, 0x00FFFFFF);
    image.setPixel(3, 0, 0x12FF0000);
    const auto region = CreateRegionFromBitmap(image, 0xAB000000 | kWhite, true);
    ASSERT_TRUE(region.has_value());
    ExpectCovers(*region, image, [](int x, int) { return x == 1 || x == 3; });

    // The same for a picture with an alpha channel: transparency is not colour.
    QImage alpha = Picture(3, 1, qRgba(255, 255, 255, 0), QImage::Format_ARGB32);
    alpha.setPixel(1, 0, qRgba(255, 0, 0, 0));
    const auto alphaRegion = CreateRegionFromBitmap(alpha, kWhite, true);
    ASSERT_TRUE(alphaRegion.has_value());
    ExpectCovers(*alphaRegion, alpha, [](int x, int) { return x == 1; });
}

TEST(CreateRegionFromBitmap, IncludeModeKeepsExactlyTheKeyPixels) {
    QImage image = Picture(6, 3, kRed);
    image.setPixel(0, 0, kWhite);
    image.setPixel(5, 1, kWhite);
    image.setPixel(2, 2, kWhite);
    image.setPixel(3, 2, kWhite);
    image.setPixel(4, 2, qRgb(0xFF, 0xFE, 0xFF));
    const auto region = CreateRegionFromBitmap(image, kWhite, false);
    ASSERT_TRUE(region.has_value());
    ExpectCovers(*region, image,
                 [&](int x, int y) { return (image.pixel(x, y) & 0xFFFFFF) == 0xFFFFFF; });
}

TEST(CreateRegionFromBitmap, BatchesOf2000RunsLoseNothing) {
    // Alternating pixels make one run per two pixels; the counts straddle the
    // batch size so the first flush, an empty last flush and several batches
    // all occur.
    for (int nRuns : {1999, 2000, 2001, 4000, 4001, 6500}) {
        const int width = 2 * 250;
        const int height = (nRuns + 249) / 250;
        QImage image = Picture(width, height, kWhite);
        for (int run = 0; run < nRuns; ++run)
            image.setPixel(2 * (run % 250), run / 250, kRed);
        const auto region = CreateRegionFromBitmap(image, kWhite, true);
        ASSERT_TRUE(region.has_value()) << nRuns;
        ExpectCovers(*region, image,
                     [&](int x, int y) { return x % 2 == 0 && y * 250 + x / 2 < nRuns; });
    }
}

TEST(CreateRegionFromBitmap, TopDownAndBottomUpFilesGiveTheSameRegion) {
    // An asymmetric picture: a flipped reading would move the runs.
    QImage picture = Picture(6, 4, kWhite);
    picture.setPixel(0, 0, kRed);
    picture.setPixel(1, 1, kRed);
    picture.setPixel(2, 1, kRed);
    picture.setPixel(5, 3, kRed);
    const QImage topDown = QImage::fromData(BmpFile(picture, true), "BMP");
    const QImage bottomUp = QImage::fromData(BmpFile(picture, false), "BMP");
    ASSERT_FALSE(topDown.isNull());
    ASSERT_FALSE(bottomUp.isNull());
    const auto fromTopDown = CreateRegionFromBitmap(topDown, kWhite, true);
    const auto fromBottomUp = CreateRegionFromBitmap(bottomUp, kWhite, true);
    ASSERT_TRUE(fromTopDown && fromBottomUp);
    ExpectCovers(*fromTopDown, picture, [&](int x, int y) { return picture.pixel(x, y) == kRed; });
    EXPECT_TRUE((*fromTopDown ^ *fromBottomUp).isEmpty());
}
