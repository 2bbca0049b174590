// Composing a rectangle of tiles of a map folder: placement, blanks, broken tiles, the
// quarter-size overview and 1:1 renderings of any part.
#include "imaging/Jpeg.h"
#include "print/TileComposition.h"
#include "store/TileStore.h"
#include "support/TestFiles.h"

#include <QFile>
#include <QFileInfo>
#include <sys/stat.h>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using printing::TileComposition;
using namespace testing_support;

namespace {

QColor tileColour(int column, int row)
{
    return QColor(20 + column * 9, 240 - row * 9, (column * 37 + row * 53) % 200 + 20);
}

void writeSolidTile(const QString &folder, int column, int row, QSize size)
{
    QImage image(size, QImage::Format_RGB32);
    image.fill(tileColour(column, row));
    writeFile(store::tilePath(folder, column, row), jpegBytes(image, 95));
}

bool near(QColor a, QColor b, int tolerance = 12)
{
    return std::abs(a.red() - b.red()) <= tolerance && std::abs(a.green() - b.green()) <= tolerance
        && std::abs(a.blue() - b.blue()) <= tolerance;
}

class TileCompositionTest : public ::testing::Test {
protected:
    QTemporaryDir dir;
    QString folder() const { return dir.path() + QStringLiteral("/Carte7"); }
};

TEST_F(TileCompositionTest, TilesSitInTheirCellsAndMissingOnesStayWhite)
{
    const QSize tile(32, 24);
    // Columns A..D, rows A..C, all but column C row B.
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 4; ++c)
            if (!(c == 2 && r == 1))
                writeSolidTile(folder(), c, r, tile);
    int ticks = 0;
    const TileComposition z = TileComposition::compose(folder(), QRect(0, 0, 4, 3), [&](int tiles) { ticks += tiles; });
    EXPECT_EQ(ticks, 12);
    ASSERT_FALSE(z.isNull());
    EXPECT_EQ(z.tileSize(), tile);
    EXPECT_EQ(z.size(), QSize(128, 72));
    EXPECT_EQ(z.overview().size(), QSize(32, 18));

    const QImage full = z.render(QRect(QPoint(0, 0), z.size()));
    const QImage &overview = z.overview();
    for (int r = 0; r < 3; ++r) {
        for (int c = 0; c < 4; ++c) {
            SCOPED_TRACE(store::tileCode(c, r).toStdString());
            const QColor expected = (c == 2 && r == 1) ? QColor(Qt::white) : tileColour(c, r);
            EXPECT_TRUE(near(full.pixel(c * 32 + 16, r * 24 + 12), expected));
            EXPECT_TRUE(near(overview.pixel(c * 8 + 4, r * 6 + 3), expected));
        }
    }
}

TEST_F(TileCompositionTest, RenderingAPartGivesThosePixelsAndWhiteOutsideThePicture)
{
    const QSize tile(32, 24);
    for (int r = 0; r < 2; ++r)
        for (int c = 0; c < 2; ++c)
            writeSolidTile(folder(), c, r, tile);
    const TileComposition z = TileComposition::compose(folder(), QRect(0, 0, 2, 2));
    const QImage whole = z.render(QRect(0, 0, 64, 48));

    const QRect part(20, -10, 30, 40);   // reaches above the picture
    const QImage piece = z.render(part);
    ASSERT_EQ(piece.size(), part.size());
    for (int y = 0; y < part.height(); ++y)
        for (int x = 0; x < part.width(); ++x) {
            const QPoint source = part.topLeft() + QPoint(x, y);
            const QRgb expected = source.y() < 0 ? qRgb(255, 255, 255) : whole.pixel(source);
            ASSERT_EQ(piece.pixel(x, y), expected) << x << "," << y;
        }
    // The pixels equal a full decode of the tile.
    QImage decoded;
    ASSERT_TRUE(jpeg::decodeFile(store::tilePath(folder(), 1, 1), decoded).ok());
    EXPECT_EQ(whole.copy(32, 24, 32, 24), decoded.convertToFormat(QImage::Format_RGB32));
}

TEST_F(TileCompositionTest, UndecodableAndOversizedTilesAreDeletedAndLeftBlank)
{
    const QSize tile(32, 24);
    writeSolidTile(folder(), 0, 0, tile);
    writeSolidTile(folder(), 1, 1, tile);
    writeFile(store::tilePath(folder(), 1, 0), QByteArray("this is no picture"));
    // A real JPEG whose header claims more than 8192 pixels across.
    QImage wide(8200, 8, QImage::Format_RGB32);
    wide.fill(Qt::black);
    writeFile(store::tilePath(folder(), 0, 1), jpegBytes(wide));

    const TileComposition z = TileComposition::compose(folder(), QRect(0, 0, 2, 2));
    EXPECT_FALSE(QFile::exists(store::tilePath(folder(), 1, 0)));
    EXPECT_FALSE(QFile::exists(store::tilePath(folder(), 0, 1)));
    EXPECT_TRUE(QFile::exists(store::tilePath(folder(), 0, 0)));
    const QImage full = z.render(QRect(0, 0, 64, 48));
    EXPECT_TRUE(near(full.pixel(48, 12), Qt::white));
    EXPECT_TRUE(near(full.pixel(16, 36), Qt::white));
    EXPECT_TRUE(near(full.pixel(48, 36), tileColour(1, 1)));
}

TEST_F(TileCompositionTest, FirstTileThatLoadsSetsTheTileSize)
{
    // AA missing, BA broken: the first tile to load is AB, and its size counts.
    writeFile(store::tilePath(folder(), 1, 0), QByteArray("broken"));
    writeSolidTile(folder(), 0, 1, QSize(40, 20));
    writeSolidTile(folder(), 1, 1, QSize(40, 20));
    const TileComposition z = TileComposition::compose(folder(), QRect(0, 0, 2, 2));
    EXPECT_EQ(z.tileSize(), QSize(40, 20));
    EXPECT_EQ(z.size(), QSize(80, 40));

    const TileComposition none = TileComposition::compose(dir.path() + QStringLiteral("/Nothing"), QRect(0, 0, 2, 2));
    EXPECT_TRUE(none.isNull());
    EXPECT_TRUE(none.overview().isNull());
}

TEST_F(TileCompositionTest, ATileWhoseHeaderReadsButPictureDoesNotIsDeletedAndTheNextSetsTheSize)
{
    // AA: a 64 x 48 header over damaged picture data. The grid is that of BA, the first
    // tile whose picture loads, and AA goes as damaged.
    writeFile(store::tilePath(folder(), 0, 0), withoutQuantTables(jpegBytes(makePicture(64, 48))));
    writeSolidTile(folder(), 1, 0, QSize(40, 20));
    writeSolidTile(folder(), 0, 1, QSize(40, 20));
    const TileComposition z = TileComposition::compose(folder(), QRect(0, 0, 2, 2));
    EXPECT_EQ(z.tileSize(), QSize(40, 20));
    EXPECT_EQ(z.size(), QSize(80, 40));
    EXPECT_FALSE(QFile::exists(store::tilePath(folder(), 0, 0)));
    const QImage full = z.render(QRect(0, 0, 80, 40));
    EXPECT_TRUE(near(full.pixel(20, 10), Qt::white));
    EXPECT_TRUE(near(full.pixel(60, 10), tileColour(1, 0)));
    EXPECT_TRUE(near(z.overview().pixel(15, 2), tileColour(1, 0)));
    EXPECT_TRUE(near(full.pixel(20, 30), tileColour(0, 1)));
}

TEST_F(TileCompositionTest, OnlyTheZonesTilesAreReadAndNoneOutsideItIsDeleted)
{
    const QSize tile(32, 24);
    writeSolidTile(folder(), 0, 0, tile);
    writeSolidTile(folder(), 1, 0, tile);
    // Broken tiles beside the zone (C) and below it (row B) stay where they are.
    const QByteArray garbage("this is no picture");
    writeFile(store::tilePath(folder(), 2, 0), garbage);
    writeFile(store::tilePath(folder(), 0, 1), garbage);
    // A tile of the zone's size beside it does not count for the zone.
    writeSolidTile(folder(), 3, 0, QSize(50, 50));
    const TileComposition z = TileComposition::compose(folder(), QRect(0, 0, 2, 1));
    EXPECT_EQ(z.size(), QSize(64, 24));
    EXPECT_EQ(readFile(store::tilePath(folder(), 2, 0)), garbage);
    EXPECT_EQ(readFile(store::tilePath(folder(), 0, 1)), garbage);
}

TEST_F(TileCompositionTest, ATileThatCannotBeOpenedIsLeftBlankAndTheRestStillComposes)
{
    // A pipe under a tile's name: it exists, is no file, and must neither block the
    // composition nor stop it before the tiles after it.
    const QSize tile(32, 24);
    writeSolidTile(folder(), 0, 0, tile);
    writeSolidTile(folder(), 0, 1, tile);
    writeSolidTile(folder(), 1, 1, tile);
    const QString pipe = store::tilePath(folder(), 1, 0);
    ASSERT_EQ(::mkfifo(QFile::encodeName(pipe).constData(), 0600), 0);
    const TileComposition z = TileComposition::compose(folder(), QRect(0, 0, 2, 2));
    ASSERT_EQ(z.size(), QSize(64, 48));
    const QImage full = z.render(QRect(0, 0, 64, 48));
    EXPECT_TRUE(near(full.pixel(48, 12), Qt::white));
    EXPECT_TRUE(near(full.pixel(48, 36), tileColour(1, 1)));
    EXPECT_TRUE(near(z.overview().pixel(12, 9), tileColour(1, 1)));
    EXPECT_TRUE(QFileInfo::exists(pipe));
}

TEST_F(TileCompositionTest, PartsRenderedOneAfterAnotherMatchTheWholePicture)
{
    // The pages of a poster: neighbouring parts share tiles kept from the part before.
    const QSize tile(30, 20);
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 5; ++c)
            writeFile(store::tilePath(folder(), c, r), jpegBytes(makePicture(tile.width(), tile.height(),
                                                                             tileColour(c, r)), 95));
    const TileComposition z = TileComposition::compose(folder(), QRect(0, 0, 5, 4));
    const QImage whole = z.render(QRect(QPoint(0, 0), z.size()));
    for (const QRect part : {QRect(0, 0, 45, 35), QRect(45, 0, 45, 35), QRect(90, 0, 45, 35),
                             QRect(0, 35, 45, 35), QRect(100, 50, 60, 40)}) {
        const QImage piece = z.render(part);
        for (int y = 0; y < part.height(); ++y)
            for (int x = 0; x < part.width(); ++x) {
                const QPoint at = part.topLeft() + QPoint(x, y);
                const QRgb expected = whole.rect().contains(at) ? whole.pixel(at) : qRgb(255, 255, 255);
                ASSERT_EQ(piece.pixel(x, y), expected) << x << "," << y;
            }
    }
}

TEST_F(TileCompositionTest, OverviewsDrawnIntoOneCanvasLandAtTheirPlaceAndNowhereElse)
{
    // Two tiles of 32 x 24 on the quarter grid, one of 30 x 22 off it (drawn scaled).
    writeSolidTile(folder(), 0, 0, QSize(32, 24));
    writeSolidTile(folder(), 1, 0, QSize(30, 22));
    writeSolidTile(folder(), 0, 1, QSize(32, 24));
    TileComposition z = TileComposition::measure(folder(), QRect(0, 0, 2, 2));
    ASSERT_EQ(z.size(), QSize(64, 48));
    EXPECT_TRUE(z.overview().isNull());
    QImage canvas(40, 30, QImage::Format_RGB32);
    canvas.fill(Qt::black);
    int tiles = 0;
    z.drawOverview([&](int n) { tiles += n; }, &canvas, QPoint(20, 10));
    EXPECT_EQ(tiles, 4);
    EXPECT_TRUE(z.overview().isNull());
    EXPECT_TRUE(near(canvas.pixel(24, 13), tileColour(0, 0)));
    EXPECT_TRUE(near(canvas.pixel(31, 13), tileColour(1, 0)));
    EXPECT_TRUE(near(canvas.pixel(24, 19), tileColour(0, 1)));
    EXPECT_EQ(canvas.pixel(31, 19), qRgb(0, 0, 0));   // BB: no tile, the canvas as it was
    for (const QPoint outside : {QPoint(19, 15), QPoint(36, 15), QPoint(25, 9), QPoint(25, 22)})
        EXPECT_EQ(canvas.pixel(outside), qRgb(0, 0, 0)) << outside.x() << "," << outside.y();
    // On a white canvas, the same overview as composed alone.
    canvas.fill(Qt::white);
    z.drawOverview({}, &canvas, QPoint(20, 10));
    const TileComposition alone = TileComposition::compose(folder(), QRect(0, 0, 2, 2));
    EXPECT_EQ(canvas.copy(20, 10, 16, 12), alone.overview());
}

// A canvas made for the overview, its pixels not set: the composition writes every pixel of
// its place (white where no tile is, and around a smaller tile) and nothing outside it.
TEST_F(TileCompositionTest, OverviewOnANewCanvasIsWhiteWhereNoTileIs)
{
    writeSolidTile(folder(), 0, 0, QSize(32, 24));
    writeSolidTile(folder(), 1, 0, QSize(16, 12));   // smaller, on the quarter grid
    writeSolidTile(folder(), 0, 1, QSize(30, 22));   // smaller, off it
    for (const QSize tile : {QSize(32, 24), QSize(30, 22)}) {
        SCOPED_TRACE(tile.width());
        if (tile.width() == 30)   // a sheet whose cells fall between pixels: painted, not copied
            writeSolidTile(folder(), 0, 0, tile);
        TileComposition z = TileComposition::measure(folder(), QRect(0, 0, 2, 2));
        QImage canvas(60, 40, QImage::Format_RGB32);
        canvas.fill(Qt::black);
        z.drawOverview({}, &canvas, QPoint(20, 10), true);
        const QRect place(QPoint(20, 10), z.size() / 4);
        const TileComposition alone = TileComposition::compose(folder(), QRect(0, 0, 2, 2));
        EXPECT_EQ(canvas.copy(place), alone.overview());
        EXPECT_EQ(canvas.pixel(place.right(), place.bottom()), qRgb(255, 255, 255));   // BB: no tile
        for (int y = 0; y < canvas.height(); ++y)
            for (int x = 0; x < canvas.width(); ++x)
                if (!place.contains(x, y))
                    ASSERT_EQ(canvas.pixel(x, y), qRgb(0, 0, 0)) << x << "," << y;
    }
}

} // namespace

// A map cut into tiles from its top-left corner ends with a narrower column and a lower
// row: the picture ends with them, without a white band, whichever part of the grid is
// composed (a zone that stops before them keeps whole cells).
TEST_F(TileCompositionTest, NarrowerLastColumnAndRowEndThePicture)
{
    for (int r = 0; r < 2; ++r)
        for (int c = 0; c < 3; ++c)
            writeSolidTile(folder(), c, r, QSize(c == 2 ? 50 : 100, r == 1 ? 70 : 100));
    const struct {
        QRect cells;
        QSize size;
    } cases[] = {
        {QRect(0, 0, 3, 2), {250, 170}},
        {QRect(1, 0, 2, 2), {150, 170}},
        {QRect(0, 0, 2, 2), {200, 170}},
        {QRect(0, 0, 3, 1), {250, 100}},
        {QRect(0, 0, 2, 1), {200, 100}},
    };
    for (const auto &k : cases) {
        SCOPED_TRACE(testing::Message() << k.cells.left() << ".." << k.cells.right() << " x " << k.cells.top() << ".."
                                        << k.cells.bottom());
        const TileComposition z = TileComposition::compose(folder(), k.cells);
        ASSERT_EQ(z.size(), k.size);
        const QImage full = z.render(QRect(QPoint(0, 0), z.size()));
        const int lastColumn = k.cells.right(), lastRow = k.cells.bottom();
        EXPECT_TRUE(near(full.pixel(full.width() - 2, full.height() - 2), tileColour(lastColumn, lastRow)));
        EXPECT_TRUE(near(full.pixel(full.width() - 2, 2), tileColour(lastColumn, k.cells.top())));
        EXPECT_TRUE(near(full.pixel(2, full.height() - 2), tileColour(k.cells.left(), lastRow)));
        EXPECT_EQ(z.overview().size(), QSize(k.size.width() / 4, k.size.height() / 4));
    }
}
