// Writes the sheets the view benchmark reads: 676 tiles of 512 x 384 pixels (sheet 1) and
// 676 tiles of 256 x 256 pixels (sheet 2) of the colour edition under a maps root, each a
// JPEG of quality 85 with map-like detail (paper grain, contour lines, roads, rivers,
// hatched woods, lettering), so that decoding costs what a scanned map costs.
//
//   orvantis-bench-tiles <maps root>
//   orvantis-bench-tiles <maps root> <sheet> <tile width> <tile height>   (one sheet only)

#include "imaging/Jpeg.h"
#include "store/TileStore.h"

#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QPainter>
#include <QPainterPath>
#include <QRandomGenerator>
#include <cstdio>
#include <cstdlib>

namespace {

QImage mapTile(int width, int height, quint32 seed)
{
    QRandomGenerator random(seed);
    QImage image(width, height, QImage::Format_RGB32);
    // Paper with grain.
    for (int y = 0; y < height; ++y) {
        auto *line = reinterpret_cast<QRgb *>(image.scanLine(y));
        for (int x = 0; x < width; ++x) {
            const int grain = int(random.bounded(24)) - 12;
            line[x] = qRgb(236 + grain / 2, 226 + grain / 2, 196 + grain);
        }
    }
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    const auto point = [&] { return QPointF(random.bounded(width), random.bounded(height)); };
    // Contour lines.
    p.setPen(QPen(QColor(150, 110, 70), 1));
    for (int i = 0; i < 14; ++i) {
        QPainterPath path(point());
        for (int k = 0; k < 4; ++k)
            path.cubicTo(point(), point(), point());
        p.drawPath(path);
    }
    // Woods: hatched patches.
    for (int i = 0; i < 4; ++i) {
        p.setPen(Qt::NoPen);
        p.setBrush(QBrush(QColor(90, 130, 70), Qt::BDiagPattern));
        p.drawEllipse(point(), 20 + random.bounded(60), 15 + random.bounded(40));
    }
    // A river and roads.
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QColor(60, 90, 170), 3));
    QPainterPath river(QPointF(0, random.bounded(height)));
    river.cubicTo(point(), point(), QPointF(width, random.bounded(height)));
    p.drawPath(river);
    p.setPen(QPen(QColor(40, 30, 20), 2));
    for (int i = 0; i < 5; ++i)
        p.drawLine(point(), point());
    // Villages and their names.
    QFont font(QStringLiteral("Liberation Serif"));
    font.setPixelSize(11);
    font.setItalic(true);
    p.setFont(font);
    for (int i = 0; i < 8; ++i) {
        const QPointF at = point();
        p.setBrush(QColor(170, 40, 40));
        p.setPen(Qt::NoPen);
        p.drawRect(QRectF(at, QSizeF(5, 4)));
        p.setPen(QColor(30, 25, 20));
        p.drawText(at + QPointF(7, 4), QStringLiteral("S.t Martin %1").arg(random.bounded(100)));
    }
    return image;
}

bool writeSheet(const QString &root, const QString &sheet, QSize size, quint32 seed)
{
    const QString folder = store::mapFolder(root, SheetId::cassini(editions::kColour, sheet.toInt()));
    QDir().mkpath(folder);
    for (int i = 0; i < store::kTileCount; ++i) {
        QByteArray bytes;
        if (!jpeg::encode(mapTile(size.width(), size.height(), seed + quint32(i)), bytes, 85).ok())
            return false;
        QFile file(folder + u'/' + store::walkFileName(i));
        if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
            return false;
    }
    return true;
}

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    if (argc != 2 && argc != 5) {
        std::fprintf(stderr, "usage: orvantis-bench-tiles <maps root> [<sheet> <tile width> <tile height>]\n");
        return 2;
    }
    const QString root = QString::fromLocal8Bit(argv[1]);
    // One sheet of tiles of the given size (the export benchmark's larger mosaic).
    if (argc == 5)
        return writeSheet(root, QString::fromLocal8Bit(argv[2]), {std::atoi(argv[3]), std::atoi(argv[4])}, 9000) ? 0 : 1;
    if (!writeSheet(root, QStringLiteral("1"), {512, 384}, 1000) || !writeSheet(root, QStringLiteral("2"), {256, 256}, 5000)) {
        std::fprintf(stderr, "cannot write the fixture under %s\n", argv[1]);
        return 1;
    }
    return 0;
}
