// A sheet folder made by the test, read as one virtual picture: what is measured, drawn,
// kept and deleted.
#include "render/Mosaic.h"
#include "imaging/Jpeg.h"
#include "store/TileStore.h"
#include "support/TestFiles.h"

#include <QBuffer>
#include <QFile>
#include <QFileInfo>
#include <sys/stat.h>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <map>
#include <mutex>

using namespace testing_support;
using render::Mosaic;

namespace {

const QColor kRed(220, 30, 30), kGreen(30, 200, 30), kBlue(30, 30, 220);

// JPEG bytes whose header claims another width.
QByteArray withClaimedWidth(QByteArray bytes, int width)
{
    for (qsizetype i = 0; i + 9 < bytes.size(); ++i) {
        if (uchar(bytes[i]) == 0xFF && uchar(bytes[i + 1]) == 0xC0) {
            bytes[i + 7] = char(width >> 8);
            bytes[i + 8] = char(width & 0xFF);
            return bytes;
        }
    }
    throw std::runtime_error("no frame header");
}

bool near(QRgb pixel, QColor colour, int tolerance = 40)
{
    return qAbs(qRed(pixel) - colour.red()) <= tolerance && qAbs(qGreen(pixel) - colour.green()) <= tolerance
           && qAbs(qBlue(pixel) - colour.blue()) <= tolerance;
}

struct SheetFolder {
    QTemporaryDir dir;
    QString folder = dir.path() + QStringLiteral("/Cassini couleurs/Carte5");
    QString tile(int walkIndex) const { return folder + u'/' + store::walkFileName(walkIndex); }
    bool exists(int walkIndex) const { return QFileInfo::exists(tile(walkIndex)); }

    SheetFolder()
    {
        writeFile(tile(0), jpegBytes(makePicture(32, 24, kRed)));          // AA
        writeFile(tile(1), jpegBytes(makePicture(32, 24, kGreen)));        // BA
        writeFile(tile(27), QByteArray());                                 // BB: empty
        writeFile(tile(28), QByteArray("this is no picture at all"));      // CB: garbage
        writeFile(tile(52), jpegBytes(makePicture(40, 30, kBlue)));        // AC: last readable
        writeFile(tile(600), withClaimedWidth(jpegBytes(makePicture(32, 24)), 9000));  // too wide
        writeFile(tile(675), jpegBytes(makePicture(32, 24)).left(100));    // ZZ: cut before its data
    }
};

} // namespace

TEST(Mosaic, MeasuringKeepsReadableTilesAndDeletesTheOthers)
{
    SheetFolder sheet;
    // A real picture of another kind under a tile's name (CA): kept aside, not deleted.
    QByteArray png;
    {
        QBuffer buffer(&png);
        buffer.open(QIODevice::WriteOnly);
        ASSERT_TRUE(makePicture(32, 24, kGreen).save(&buffer, "PNG"));
    }
    writeFile(sheet.tile(2), png);
    Mosaic mosaic(sheet.folder);
    const Mosaic::Scan scan = mosaic.measure();

    EXPECT_TRUE(scan.unopenable.isEmpty());
    EXPECT_EQ(scan.renamed, QStringList{sheet.tile(2) + QStringLiteral(".png")});
    EXPECT_FALSE(sheet.exists(2));
    QFile kept(sheet.tile(2) + QStringLiteral(".png"));
    ASSERT_TRUE(kept.open(QIODevice::ReadOnly));
    EXPECT_EQ(kept.readAll(), png);
    EXPECT_EQ(scan.deleted.size(), 4);
    for (int i : {27, 28, 600, 675})
        EXPECT_FALSE(sheet.exists(i)) << i;
    for (int i : {0, 1, 52})
        EXPECT_TRUE(sheet.exists(i)) << i;

    EXPECT_EQ(mosaic.presentCount(), 3);
    EXPECT_TRUE(mosaic.tile(0, 0).present);
    EXPECT_EQ(mosaic.tile(1, 0).size, QSize(32, 24));
    EXPECT_FALSE(mosaic.tile(2, 0).present);   // never there
    // The cell size is that of the last readable tile in walking order, not the first.
    EXPECT_EQ(mosaic.cellSize(), QSize(40, 30));
    EXPECT_TRUE(mosaic.tilesFound());
    EXPECT_EQ(mosaic.firstTileSize(QRect(0, 0, 26, 26)), QSize(32, 24));
    EXPECT_EQ(mosaic.firstTileSize(QRect(0, 2, 26, 1)), QSize(40, 30));
}

TEST(Mosaic, FoldersWithoutReadableTilesFindNothing)
{
    QTemporaryDir dir;
    const QString empty = dir.path() + QStringLiteral("/empty");
    const QString onlyBroken = dir.path() + QStringLiteral("/broken");
    writeFile(onlyBroken + u'/' + store::walkFileName(0), QByteArray("garbage"));
    for (const QString &folder : {dir.path() + QStringLiteral("/missing"), empty, onlyBroken}) {
        Mosaic mosaic(folder);
        mosaic.measure();
        EXPECT_FALSE(mosaic.tilesFound()) << folder.toStdString();
        EXPECT_EQ(mosaic.cellSize(), QSize());
    }
    EXPECT_FALSE(QFileInfo::exists(onlyBroken + u'/' + store::walkFileName(0)));
}

TEST(Mosaic, DetailRenderingPlacesTilesAtTheirOwnSize)
{
    SheetFolder sheet;
    Mosaic mosaic(sheet.folder);
    mosaic.measure();
    Mosaic::Placement detail;
    detail.origin = QPoint(1, 1);
    detail.pitch = mosaic.cellSize();

    QImage panel(26 * 40 + 2, 26 * 30 + 2, QImage::Format_RGB32);
    panel.fill(Qt::black);
    EXPECT_EQ(mosaic.render(panel, QPoint(0, 0), detail), 3);
    EXPECT_TRUE(near(panel.pixel(1 + 16, 1 + 12), kRed));
    EXPECT_TRUE(near(panel.pixel(1 + 40 + 16, 1 + 12), kGreen));
    EXPECT_TRUE(near(panel.pixel(1 + 20, 1 + 60 + 15), kBlue));
    EXPECT_EQ(panel.pixel(1 + 36, 1 + 5), qRgb(0, 0, 0));      // beside a smaller tile: black
    EXPECT_EQ(panel.pixel(1 + 80 + 20, 1 + 15), qRgb(0, 0, 0));  // a missing tile: black
    EXPECT_EQ(panel.pixel(0, 0), qRgb(0, 0, 0));                  // the border

    // A window onto the same picture gives the same pixels and decodes only what it touches.
    Mosaic fresh(sheet.folder);
    fresh.measure();
    QImage window(60, 20, QImage::Format_RGB32);
    window.fill(Qt::black);
    fresh.render(window, QPoint(10, 5), detail);
    EXPECT_EQ(fresh.cachedCount(), 2);   // AA and BA, not AC
    for (QPoint p : {QPoint(0, 0), QPoint(7, 7), QPoint(40, 10), QPoint(59, 19)})
        EXPECT_EQ(window.pixel(p), panel.pixel(p + QPoint(10, 5))) << p.x() << "," << p.y();

    // Rendering again reuses the decoded tiles; trimming drops the far ones.
    fresh.render(panel, QPoint(0, 0), detail);
    EXPECT_EQ(fresh.cachedCount(), 3);
    fresh.retainNear(QRect(0, 0, 1, 1), 0);
    EXPECT_EQ(fresh.cachedCount(), 1);
    fresh.retainNear(QRect(20, 20, 1, 1), 1);
    EXPECT_EQ(fresh.cachedCount(), 0);
}

TEST(Mosaic, StretchedAndShrunkRenderings)
{
    SheetFolder sheet;
    Mosaic mosaic(sheet.folder);
    mosaic.measure();

    // The preview: each tile stretched to its cell, nothing kept.
    Mosaic::Placement preview;
    preview.origin = QPoint(1, 1);
    preview.pitch = QSize(22, 17);
    preview.stretch = true;
    preview.keepDecoded = false;
    QImage small(26 * 22 + 2, 26 * 17 + 2, QImage::Format_RGB32);
    small.fill(Qt::black);
    EXPECT_EQ(mosaic.render(small, QPoint(0, 0), preview), 3);
    EXPECT_EQ(mosaic.cachedCount(), 0);
    EXPECT_TRUE(near(small.pixel(1 + 11, 1 + 8), kRed));
    EXPECT_TRUE(near(small.pixel(1 + 22 + 11, 1 + 8), kGreen));
    EXPECT_TRUE(near(small.pixel(1 + 11, 1 + 34 + 8), kBlue));
    EXPECT_FALSE(near(small.pixel(1 + 21, 1 + 8), QColor(0, 0, 0), 10));   // stretched over the whole cell

    // A print zone at a quarter of the size on white: columns A..B, rows A..C.
    Mosaic::Placement quarter;
    quarter.cells = QRect(0, 0, 2, 3);
    quarter.pitch = QSize(8, 6);
    quarter.shrink = 4;
    QImage zone(16, 18, QImage::Format_RGB32);
    zone.fill(Qt::white);
    EXPECT_EQ(mosaic.render(zone, QPoint(0, 0), quarter), 3);
    EXPECT_TRUE(near(zone.pixel(4, 3), kRed, 60));
    EXPECT_TRUE(near(zone.pixel(12, 3), kGreen, 60));
    EXPECT_EQ(zone.pixel(12, 9), qRgb(255, 255, 255));   // BB was empty: stays white
}

TEST(Mosaic, TileWhosePictureCannotBeDecodedIsDeletedWhereDrawn)
{
    SheetFolder sheet;
    writeFile(sheet.tile(2), withoutQuantTables(jpegBytes(makePicture(32, 24))));   // CA
    Mosaic mosaic(sheet.folder);
    mosaic.measure();
    ASSERT_TRUE(mosaic.tile(2, 0).present);   // its header reads

    Mosaic::Placement detail;
    detail.origin = QPoint(1, 1);
    detail.pitch = mosaic.cellSize();
    QImage panel(26 * 40 + 2, 26 * 30 + 2, QImage::Format_RGB32);
    panel.fill(Qt::black);
    EXPECT_EQ(mosaic.render(panel, QPoint(0, 0), detail), 3);
    EXPECT_EQ(panel.pixel(1 + 80 + 16, 1 + 12), qRgb(0, 0, 0));
    EXPECT_FALSE(sheet.exists(2));
    EXPECT_FALSE(mosaic.tile(2, 0).present);
    EXPECT_EQ(mosaic.takeDeletedWhileRendering(), QStringList{sheet.tile(2)});
    EXPECT_TRUE(mosaic.tileImage(2, 0).isNull());
}

TEST(Mosaic, SeenPartsAreDecodedFirstAndWholeTilesOnceMoreIsNeeded)
{
    QTemporaryDir dir;
    const QString folder = dir.path() + QStringLiteral("/Carte9");
    const QString path = folder + u'/' + store::walkFileName(0);
    writeFile(path, jpegBytes(makePicture(200, 160, kGreen)));
    QImage whole;
    ASSERT_TRUE(jpeg::decodeFile(path, whole).ok());

    Mosaic mosaic(folder);
    mosaic.measure();
    const QRect corner(150, 120, 10, 10);
    const QImage part = mosaic.tileImage(0, 0, 1, corner);
    ASSERT_EQ(part.size(), whole.size());
    for (QPoint p : {corner.topLeft(), corner.center(), corner.bottomRight()})
        EXPECT_EQ(part.pixel(p), whole.pixel(p));
    EXPECT_EQ(part.pixel(1, 1), qRgb(0, 0, 0));   // far from what was seen: not decoded
    EXPECT_EQ(mosaic.tileImage(0, 0, 1, corner).constBits(), part.constBits());   // kept

    // More of it is needed: the whole tile, decoded once more and kept whole.
    const QImage full = mosaic.tileImage(0, 0, 1, QRect(0, 0, 10, 10));
    EXPECT_EQ(full, whole);
    EXPECT_EQ(mosaic.cachedImage(0, 0), whole);

    // Preloading the visible part of a placement decodes just the tiles it touches.
    Mosaic other(folder);
    other.measure();
    Mosaic::Placement detail;
    detail.origin = QPoint(1, 1);
    detail.pitch = QSize(200, 160);
    other.preloadVisible(detail, QRect(300, 300, 50, 50));
    EXPECT_EQ(other.cachedCount(), 0);
    other.preloadVisible(detail, QRect(150, 100, 100, 100));
    EXPECT_EQ(other.cachedCount(), 1);
    EXPECT_EQ(other.cachedImage(0, 0).pixel(160, 120), whole.pixel(160, 120));
}

TEST(Mosaic, TileThatCannotBeOpenedStopsTheMeasureAndStays)
{
    SheetFolder sheet;
    // A pipe under a tile's name: it exists, is no file, and must not block the reading.
    const QString pipe = sheet.tile(30);
    ASSERT_EQ(::mkfifo(QFile::encodeName(pipe).constData(), 0600), 0);
    Mosaic mosaic(sheet.folder);
    const Mosaic::Scan scan = mosaic.measure();
    EXPECT_EQ(scan.unopenable, sheet.tile(30));
    EXPECT_TRUE(QFileInfo::exists(pipe));
    EXPECT_FALSE(sheet.exists(27));   // the empty tile before it was already dealt with
    EXPECT_TRUE(sheet.exists(675));   // the measure stopped before this one
}

TEST(Mosaic, MeasuringPartOfTheSheetLeavesTheRestAlone)
{
    SheetFolder sheet;
    Mosaic mosaic(sheet.folder);
    // Row B only: its empty and garbage tiles go, the broken ones of other rows stay.
    const Mosaic::Scan scan = mosaic.measure(QRect(0, 1, 26, 1));
    EXPECT_EQ(scan.deleted, QStringList({sheet.tile(27), sheet.tile(28)}));
    EXPECT_TRUE(sheet.exists(600));
    EXPECT_TRUE(sheet.exists(675));
    EXPECT_EQ(mosaic.presentCount(), 0);
    EXPECT_FALSE(mosaic.tile(0, 0).present);   // readable, but outside what was measured
}

TEST(Mosaic, DecodedCellsAreHandedOverOnceEachAndProgressCountsThem)
{
    // A rectangle of 6 x 3 cells: 15 tiles, one of them damaged past its header, and
    // three empty cells.
    QTemporaryDir dir;
    const QString folder = dir.path() + QStringLiteral("/Carte9");
    for (int row = 0; row < 3; ++row)
        for (int column = 0; column < 6; ++column)
            if (column != 5)
                writeFile(store::tilePath(folder, column, row),
                          jpegBytes(makePicture(64, 48, QColor(40 * column, 80 * row, 100))));
    writeFile(store::tilePath(folder, 2, 1), withoutQuantTables(jpegBytes(makePicture(64, 48))));
    Mosaic mosaic(folder);
    mosaic.measure();
    ASSERT_EQ(mosaic.presentCount(), 15);
    const QImage cached = mosaic.tileImage(0, 0, 4);   // one from the cache, on this thread

    std::mutex lock;
    std::map<std::pair<int, int>, QImage> handed;
    int progressed = 0;
    mosaic.decodeCells(
        QRect(0, 0, 6, 3), 4,
        [&](int column, int row, const QImage &picture) {
            const std::lock_guard<std::mutex> hold(lock);
            EXPECT_TRUE(handed.emplace(std::make_pair(column, row), picture).second) << column << "," << row;
        },
        [&](int tiles) { progressed += tiles; });
    EXPECT_EQ(progressed, 15);
    EXPECT_EQ(handed.size(), 14u);
    EXPECT_EQ(handed.count({2, 1}), 0u);
    EXPECT_EQ(handed.at({0, 0}), cached);
    for (const auto &[cell, picture] : handed) {
        EXPECT_EQ(picture.size(), QSize(16, 12));
        EXPECT_TRUE(near(picture.pixel(8, 6), QColor(40 * cell.first, 80 * cell.second, 100), 16));
    }
    EXPECT_FALSE(QFileInfo::exists(store::tilePath(folder, 2, 1)));
    EXPECT_EQ(mosaic.takeDeletedWhileRendering(), QStringList{store::tilePath(folder, 2, 1)});
    EXPECT_EQ(mosaic.cachedCount(), 1);   // nothing more kept
}
