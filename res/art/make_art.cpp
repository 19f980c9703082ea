// Draws the program's pictures: the skin "zorvik.bmp" (a round little
// postman bird with a letter, on pure white), the application icon and the
// pointing-hand cursor. Run by hand after a change to the drawing:
//   cmake --build build --target make_art && build/res/make_art res
// Those outputs are committed, since the program compiles them in.
//   make_art --icons DIR
// writes the desktop's icons (DIR/hicolor/<size>/apps/org.quiben.Quiben.*,
// PNG from 16 to 256 pixels and SVG); the build runs it.
#include <QCoreApplication>
#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QSvgGenerator>
#include <cstdio>
#include <vector>

namespace {

constexpr int kSkinWidth = 140;
constexpr int kSkinHeight = 190;
const QColor kOutline(0x1E, 0x2A, 0x48);

QPainterPath Ellipse(double cx, double cy, double rx, double ry) {
    QPainterPath path;
    path.addEllipse(QPointF(cx, cy), rx, ry);
    return path;
}

QPainterPath Rotated(const QPainterPath& path, QPointF centre, double degrees) {
    QTransform t;
    t.translate(centre.x(), centre.y());
    t.rotate(degrees);
    t.translate(-centre.x(), -centre.y());
    return t.map(path);
}

QPainterPath CapCrown() {
    QPainterPath cap;
    cap.moveTo(30, 46);
    cap.cubicTo(30, 14, 110, 14, 110, 46);
    cap.closeSubpath();
    return cap;
}

QPainterPath Envelope() {
    QPainterPath env;
    env.addRoundedRect(QRectF(86, 112, 46, 32), 3, 3);
    return Rotated(env, QPointF(109, 128), -12);
}

void Fill(QPainter& p, const QPainterPath& path, const QColor& colour, double pen = 2.0) {
    p.setPen(QPen(kOutline, pen, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(colour);
    p.drawPath(path);
}

void DrawFigure(QPainter& p) {
    const QPainterPath body = Ellipse(70, 102, 54, 60);
    const QPainterPath leftWing = Rotated(Ellipse(20, 112, 11, 25), QPointF(20, 112), 18);
    const QPainterPath rightWing = Rotated(Ellipse(121, 132, 11, 22), QPointF(121, 132), -35);
    const QPainterPath feet = Ellipse(50, 163, 15, 7).united(Ellipse(90, 163, 15, 7));
    const QPainterPath visor = Ellipse(70, 47, 44, 7);
    const QPainterPath envelope = Envelope();

    // One thick outline around the whole figure first, so the edge against
    // the cut-away white is dark and even.
    QPainterPath silhouette = body.united(leftWing).united(rightWing).united(feet);
    silhouette = silhouette.united(CapCrown()).united(visor).united(envelope);
    p.setPen(QPen(kOutline, 6, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(kOutline);
    p.drawPath(silhouette);

    Fill(p, feet, QColor(0xF5, 0xA6, 0x23));
    Fill(p, leftWing, QColor(0x3F, 0x9A, 0xD8));
    Fill(p, body, QColor(0x5D, 0xB7, 0xF0));
    Fill(p, Ellipse(70, 122, 36, 36), QColor(0xFF, 0xF4, 0xD6), 0);

    // Face.
    for (double x : {52.0, 88.0}) {
        Fill(p, Ellipse(x, 76, 10, 12), QColor(0xFB, 0xFB, 0xFB));
        Fill(p, Ellipse(x + 2, 79, 5.5, 6.5), QColor(0x22, 0x22, 0x2A), 0);
        Fill(p, Ellipse(x + 4, 76, 2, 2), QColor(0xFD, 0xFD, 0xFD), 0);
    }
    Fill(p, Ellipse(38, 96, 7, 4.5), QColor(0xF7, 0xA1, 0xB5), 0);
    Fill(p, Ellipse(102, 96, 7, 4.5), QColor(0xF7, 0xA1, 0xB5), 0);
    QPainterPath beak;
    beak.moveTo(61, 90);
    beak.lineTo(79, 90);
    beak.lineTo(70, 102);
    beak.closeSubpath();
    Fill(p, beak, QColor(0xF5, 0xA6, 0x23));

    // Postman's cap with a red band and a small letter badge.
    Fill(p, CapCrown(), QColor(0x2B, 0x3A, 0x67));
    QPainterPath band;
    band.addRect(QRectF(31, 36, 78, 8));
    Fill(p, band.intersected(CapCrown()), QColor(0xD9, 0x4B, 0x4B), 1.5);
    Fill(p, visor, QColor(0x22, 0x2E, 0x55));
    QPainterPath badge;
    badge.addRect(QRectF(63, 22, 14, 10));
    Fill(p, badge, QColor(0xFF, 0xE0, 0x7A), 1.2);
    p.drawLine(QPointF(63, 22), QPointF(70, 28));
    p.drawLine(QPointF(77, 22), QPointF(70, 28));

    // The letter, held by the right wing.
    Fill(p, envelope, QColor(0xFF, 0xFC, 0xF2));
    QPainterPath flap;
    flap.moveTo(86, 112);
    flap.lineTo(109, 130);
    flap.lineTo(132, 112);
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(kOutline, 2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawPath(Rotated(flap, QPointF(109, 128), -12));
    QPainterPath heart = Ellipse(100, 134, 3.2, 3.2).united(Ellipse(105, 134, 3.2, 3.2));
    QPainterPath tip;
    tip.moveTo(97, 135);
    tip.lineTo(108, 135);
    tip.lineTo(102.5, 141);
    tip.closeSubpath();
    Fill(p, Rotated(heart.united(tip), QPointF(109, 128), -12), QColor(0xE2, 0x3D, 0x5A), 0);
    Fill(p, rightWing, QColor(0x3F, 0x9A, 0xD8));
}

bool IsNearWhite(QRgb pixel) {
    return qRed(pixel) >= 170 && qGreen(pixel) >= 170 && qBlue(pixel) >= 170;
}

// Everything reachable from the border through light pixels becomes pure
// white (the part the window cuts away); pure white inside the figure becomes
// off-white so that it is not cut away with the background.
void CleanOutline(QImage& image) {
    const int w = image.width(), h = image.height();
    std::vector<char> outside(static_cast<size_t>(w * h), 0);
    std::vector<QPoint> stack;
    for (int x = 0; x < w; ++x)
        stack.insert(stack.end(), {QPoint(x, 0), QPoint(x, h - 1)});
    for (int y = 0; y < h; ++y)
        stack.insert(stack.end(), {QPoint(0, y), QPoint(w - 1, y)});
    while (!stack.empty()) {
        const QPoint pt = stack.back();
        stack.pop_back();
        if (pt.x() < 0 || pt.y() < 0 || pt.x() >= w || pt.y() >= h)
            continue;
        char& seen = outside[static_cast<size_t>(pt.y() * w + pt.x())];
        if (seen || !IsNearWhite(image.pixel(pt)))
            continue;
        seen = 1;
        stack.insert(stack.end(),
                     {pt + QPoint(1, 0), pt - QPoint(1, 0), pt + QPoint(0, 1), pt - QPoint(0, 1)});
    }
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            if (outside[static_cast<size_t>(y * w + x)])
                image.setPixel(x, y, qRgb(255, 255, 255));
            else if ((image.pixel(x, y) & 0xFFFFFF) == 0xFFFFFF)
                image.setPixel(x, y, qRgb(0xFD, 0xFD, 0xFD));
        }
}

QImage MakeSkin() {
    QImage image(kSkinWidth, kSkinHeight, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    DrawFigure(p);
    p.end();
    CleanOutline(image);
    return image.convertToFormat(QImage::Format_RGB888);
}

// The figure filling a square of size × size.
void DrawIcon(QPainter& p, int size) {
    p.setRenderHint(QPainter::Antialiasing);
    const double scale = double(size) / kSkinHeight * 1.08;
    p.translate((size - kSkinWidth * scale) / 2, -8 * scale);
    p.scale(scale, scale);
    DrawFigure(p);
}

QImage MakeIcon(int size) {
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    DrawIcon(p, size);
    return image;
}

bool WriteScalableIcon(const QString& path) {
    constexpr int kSize = 256;
    QSvgGenerator svg;
    svg.setFileName(path);
    svg.setSize(QSize(kSize, kSize));
    svg.setViewBox(QRect(0, 0, kSize, kSize));
    svg.setTitle(QStringLiteral("Quiben"));
    QPainter p;
    if (!p.begin(&svg))
        return false;
    DrawIcon(p, kSize);
    return p.end();
}

// The icon theme's layout: hicolor/<size>x<size>/apps and hicolor/scalable/apps.
bool WriteThemeIcons(const QString& folder) {
    const QString name = QStringLiteral("org.quiben.Quiben");
    bool ok = true;
    for (int size : {16, 22, 24, 32, 48, 64, 128, 256}) {
        const QString apps = QStringLiteral("%1/hicolor/%2x%2/apps").arg(folder).arg(size);
        ok = QDir().mkpath(apps) && MakeIcon(size).save(apps + "/" + name + ".png", "PNG") && ok;
    }
    const QString scalable = folder + "/hicolor/scalable/apps";
    return QDir().mkpath(scalable) && WriteScalableIcon(scalable + "/" + name + ".svg") && ok;
}

// 'X' black, '.' white, anything else transparent; the fingertip sits at the
// top-left corner, where the cursor's hot spot is.
const char* const kHand[] = {
    " XXXX",
    "X....X",
    "X....X",
    "X....X",
    "X....X",
    "X....X",
    "X....XXXX",
    "X....X...XXXX",
    "X....X...X...XXX",
    "X....X...X...X..X",
    "X....X...X...X..XXX",
    "X....X...X...X..X..X",
    "X..................X",
    "X..................X",
    "X.................X",
    "X.................X",
    " X...............X",
    " X...............X",
    "  X.............X",
    "  X.............X",
    "   X...........X",
    "   XXXXXXXXXXXXX",
    "   X...........X",
    "   X...........X",
    "   XXXXXXXXXXXXX",
};

QImage MakeHandCursor() {
    QImage image(32, 32, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    int y = 0;
    for (const char* row : kHand) {
        for (int x = 0; row[x] != '\0'; ++x) {
            if (row[x] == 'X')
                image.setPixel(x, y, qRgba(0, 0, 0, 255));
            else if (row[x] == '.')
                image.setPixel(x, y, qRgba(255, 255, 255, 255));
        }
        ++y;
    }
    return image;
}

} // namespace

int main(int argc, char** argv) {
    // Drawing needs no display; the build runs this without one.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    if (argc == 3 && QByteArray(argv[1]) == "--icons") {
        const bool ok = WriteThemeIcons(QString::fromLocal8Bit(argv[2]));
        if (!ok)
            std::fprintf(stderr, "could not write the icons\n");
        return ok ? 0 : 1;
    }
    const QString folder = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral(".");
    bool ok = MakeSkin().save(folder + "/zorvik.bmp", "BMP");
    ok = MakeIcon(64).save(folder + "/quiben.png", "PNG") && ok;
    ok = MakeHandCursor().save(folder + "/hand_link.png", "PNG") && ok;
    std::fprintf(stderr, ok ? "pictures written\n" : "could not write the pictures\n");
    return ok ? 0 : 1;
}
