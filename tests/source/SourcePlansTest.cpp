// Descriptions of Deep Zoom and Zoomify pyramids read with their bounds, the plan that
// cuts a pyramid into at most 26 x 26 stored tiles, the requests of a stored tile, the
// addresses recognised, and the kind kept in the added-maps file.

#include "catalogue/AddedMaps.h"
#include "source/pyramid/DeepZoom.h"
#include "source/MapReader.h"
#include "source/iiif/IiifAddress.h"
#include "source/SourceAddress.h"
#include "source/SourceKind.h"
#include "source/TileAssembly.h"
#include "source/pyramid/Zoomify.h"
#include "imaging/Jpeg.h"

#include <QImage>
#include <QPainter>
#include <QTransform>
#include <gtest/gtest.h>

using namespace source;

namespace {

QByteArray dzi(const QString &image, const QString &size = QStringLiteral("<Size Width=\"3000\" Height=\"2000\"/>"))
{
    return (QStringLiteral("<?xml version=\"1.0\"?><Image xmlns=\"http://schemas.microsoft.com/deepzoom/2008\" ")
            + image + u'>' + size + QStringLiteral("</Image>"))
        .toUtf8();
}

} // namespace

TEST(DeepZoomTest, ReadsDescriptionsAndRefusesHostileOnesSayingWhy)
{
    const auto good = readDeepZoom(dzi(QStringLiteral("Format=\"jpg\" Overlap=\"1\" TileSize=\"254\"")));
    ASSERT_TRUE(good);
    EXPECT_EQ(good->tileSide, 254);
    EXPECT_EQ(good->overlap, 1);
    EXPECT_EQ(good->format, QStringLiteral("jpg"));
    EXPECT_EQ(good->width, 3000);
    EXPECT_EQ(good->height, 2000);

    const QString ok = QStringLiteral("Format=\"jpg\" Overlap=\"1\" TileSize=\"256\"");
    struct Case {
        QByteArray xml;
        QString why;
    } cases[] = {
        {"", QStringLiteral("XML incorrect")},
        {"not xml at all", QStringLiteral("XML incorrect")},
        {"<Image Format=\"jpg\" TileSize=\"256\" Overlap=\"0\"><Size Width=\"3\"", QStringLiteral("XML incorrect")},
        {"<IMAGE_PROPERTIES WIDTH=\"3\"/>", QStringLiteral("Image absent")},
        {dzi(ok, QString()), QStringLiteral("Size absent")},
        {dzi(QStringLiteral("Format=\"jpg\" Overlap=\"1\"")), QStringLiteral("TileSize absent")},
        {dzi(QStringLiteral("Format=\"jpg\" Overlap=\"1\" TileSize=\"0\"")), QStringLiteral("TileSize : 0")},
        {dzi(QStringLiteral("Format=\"jpg\" Overlap=\"1\" TileSize=\"99999999999999999999\"")),
         QStringLiteral("TileSize")},
        {dzi(QStringLiteral("Format=\"jpg\" Overlap=\"-1\" TileSize=\"256\"")), QStringLiteral("Overlap : -1")},
        {dzi(QStringLiteral("Format=\"jpg\" Overlap=\"200\" TileSize=\"256\"")), QStringLiteral("Overlap : 200")},
        {dzi(QStringLiteral("Format=\"webp\" Overlap=\"1\" TileSize=\"256\"")),
         QStringLiteral("format d'image non pris en charge : webp")},
        {dzi(ok, QStringLiteral("<Size Width=\"0\" Height=\"5\"/>")), QStringLiteral("Width : 0")},
        {dzi(ok, QStringLiteral("<Size Width=\"12abc\" Height=\"5\"/>")), QStringLiteral("Width : 12abc")},
        {dzi(ok, QStringLiteral("<Size Width=\"5\" Height=\"1099511627776\"/>")), QStringLiteral("Height")},
        {dzi(ok, QStringLiteral("<Size Width=\"5\"/>")), QStringLiteral("Height absent")},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.xml.toStdString());
        QString why;
        EXPECT_FALSE(readDeepZoom(c.xml, &why));
        EXPECT_TRUE(why.contains(c.why)) << why.toStdString();
    }
}

TEST(ZoomifyTest, ReadsDescriptionsAndRefusesHostileOnesSayingWhy)
{
    const auto good = readZoomify(
        "<IMAGE_PROPERTIES WIDTH=\"700\" HEIGHT=\"500\" NUMTILES=\"9\" NUMIMAGES=\"1\" VERSION=\"1.8\" TILESIZE=\"256\" />");
    ASSERT_TRUE(good);
    EXPECT_EQ(good->width, 700);
    EXPECT_EQ(good->height, 500);
    EXPECT_EQ(good->tileSide, 256);
    EXPECT_EQ(good->tileCount, 9);

    struct Case {
        QByteArray xml;
        QString why;
    } cases[] = {
        {"<Image/>", QStringLiteral("IMAGE_PROPERTIES absent")},
        {"<IMAGE_PROPERTIES HEIGHT=\"5\" TILESIZE=\"256\"/>", QStringLiteral("WIDTH absent")},
        {"<IMAGE_PROPERTIES WIDTH=\"-5\" HEIGHT=\"5\" TILESIZE=\"256\"/>", QStringLiteral("WIDTH : -5")},
        {"<IMAGE_PROPERTIES WIDTH=\"5\" HEIGHT=\"5\" TILESIZE=\"8\"/>", QStringLiteral("TILESIZE : 8")},
        {"<IMAGE_PROPERTIES WIDTH=\"5\" HEIGHT=\"5\" TILESIZE=\"256\" NUMTILES=\"x\"/>", QStringLiteral("NUMTILES : x")},
        {"<IMAGE_PROPERTIES WIDTH=\"5\" HEIGHT=\"5\" TILESIZE=\"256\"", QStringLiteral("XML incorrect")},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.xml.toStdString());
        QString why;
        EXPECT_FALSE(readZoomify(c.xml, &why));
        EXPECT_TRUE(why.contains(c.why)) << why.toStdString();
    }
    // A tile count that no way of halving gives is no pyramid of this picture.
    QString why;
    EXPECT_FALSE(ZoomifySource::make({700, 500, 256, 10}, QStringLiteral("http://h/z"), &why));
    EXPECT_TRUE(why.contains(QStringLiteral("NUMTILES"))) << why.toStdString();
}

// Tiers and tile groups: tiles are numbered tier after tier from the smallest, rows outer,
// 256 to a group; the rounding of halved sizes is the one whose count agrees with NUMTILES.
TEST(ZoomifyTest, TiersAndTileGroupsFollowTheTileNumbering)
{
    const auto tiers = zoomifyTiers(5000, 5000, 256, true);
    ASSERT_TRUE(tiers);
    EXPECT_EQ(tiers->sizes, (QList<QSize>{{157, 157}, {313, 313}, {625, 625}, {1250, 1250}, {2500, 2500}, {5000, 5000}}));
    EXPECT_EQ(tiers->tilesBefore, (QList<qint64>{0, 1, 5, 14, 39, 139}));
    EXPECT_EQ(tiers->tileCount, 539);

    const auto source = ZoomifySource::make({5000, 5000, 256, 539}, QStringLiteral("http://h/z"));
    ASSERT_TRUE(source);
    struct Case {
        int tier, column, row;
        qint64 group;
    } cases[] = {{0, 0, 0, 0}, {5, 0, 5, 0}, {5, 16, 5, 0}, {5, 17, 5, 1}, {5, 19, 19, 2}, {4, 9, 9, 0}};
    for (const Case &c : cases)
        EXPECT_EQ(source->tileGroup(c.tier, c.column, c.row), c.group) << c.tier << " " << c.column << " " << c.row;
    EXPECT_EQ(source->pieces({0, 0}).first().url, QStringLiteral("http://h/z/TileGroup0/5-0-0.jpg"));

    // 513 x 513 in tiles of 256: halving up gives 14 tiles over three tiers, down 10 over two.
    const auto up = ZoomifySource::make({513, 513, 256, 14}, QStringLiteral("http://h/z"));
    const auto down = ZoomifySource::make({513, 513, 256, 10}, QStringLiteral("http://h/z"));
    ASSERT_TRUE(up && down);
    EXPECT_EQ(up->levels(), (QList<QSize>{{129, 129}, {257, 257}, {513, 513}}));
    EXPECT_EQ(down->levels(), (QList<QSize>{{256, 256}, {513, 513}}));
    EXPECT_EQ(down->pieces({2, 1}).first().url, QStringLiteral("http://h/z/TileGroup0/1-2-1.jpg"));
}

// The deepest level whose stored tiles fit 26 x 26 tiles of at most 8192 pixels, each a
// whole number of server tiles where that stays within the limit.
TEST(PyramidPlanTest, TakesTheDeepestLevelThatFitsTheGrid)
{
    struct Case {
        qint64 width, height;
        int tileSide;
        int levelsBelowFull;   // 0: the full size
        QSize cell, grid;
    } cases[] = {
        {3000, 2000, 256, 0, {256, 256}, {12, 8}},
        {700, 500, 256, 0, {256, 256}, {3, 2}},
        {20000, 10000, 254, 0, {1016, 508}, {20, 20}},
        {2000, 1200, 64, 0, {128, 64}, {16, 19}},
        {1, 1, 256, 0, {256, 256}, {1, 1}},
        // Too wide for 26 tiles of 8192 at full size: the next level.
        {300000, 1000, 256, 1, {5888, 256}, {26, 2}},
        // Stored tiles of whole server tiles would pass 8192: any size then.
        {182000, 1000, 3000, 0, {7000, 3000}, {26, 1}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(testing::Message() << c.width << " x " << c.height << " / " << c.tileSide);
        const auto source = DeepZoomSource::make({c.tileSide, 0, QStringLiteral("jpg"), c.width, c.height},
                                                 QStringLiteral("http://h/a/carte.dzi"));
        ASSERT_TRUE(source);
        EXPECT_EQ(source->level(), source->levels().size() - 1 - c.levelsBelowFull);
        EXPECT_EQ(source->cell(), c.cell);
        EXPECT_EQ(source->grid(), c.grid);
        EXPECT_LE(source->grid().width(), 26);
        EXPECT_LE(source->grid().height(), 26);
    }
    // A side of a billion pixels at full size still plans, at a level far down.
    const auto huge = DeepZoomSource::make({256, 1, QStringLiteral("jpg"), qint64(1) << 30, 3},
                                           QStringLiteral("http://h/a/carte.dzi"));
    ASSERT_TRUE(huge);
    EXPECT_LE(huge->cell().width(), 8192);
    EXPECT_EQ(huge->pictureSize().height(), 1);
}

// A stored tile made of several server tiles of a pyramid with an overlap: each piece's
// part leaves out the overlap, and the parts meet edge to edge.
TEST(PyramidPlanTest, PiecesOfAStoredTileLeaveOutTheOverlap)
{
    const auto source = DeepZoomSource::make({64, 2, QStringLiteral("jpg"), 2000, 1200},
                                             QStringLiteral("https://h/a/carte.dzi?x=1"));
    ASSERT_TRUE(source);
    EXPECT_EQ(source->tilesBase(), QStringLiteral("https://h/a/carte_files/"));
    const int level = int(source->level());
    const QList<TilePiece> first = source->pieces({0, 0});
    ASSERT_EQ(first.size(), 2);   // a cell of 128 x 64
    EXPECT_EQ(first[0], (TilePiece{QStringLiteral("https://h/a/carte_files/%1/0_0.jpg").arg(level), QRect(0, 0, 64, 64),
                                   QPoint(0, 0), QSize(66, 66)}));
    EXPECT_EQ(first[1], (TilePiece{QStringLiteral("https://h/a/carte_files/%1/1_0.jpg").arg(level), QRect(2, 0, 64, 64),
                                   QPoint(64, 0), QSize(68, 66)}));
    // The last stored tile: 2000 = 15 * 128 + 80, 1200 = 18 * 64 + 48.
    EXPECT_EQ(source->tileSize({15, 18}), QSize(80, 48));
    const QList<TilePiece> last = source->pieces({15, 18});
    ASSERT_EQ(last.size(), 2);
    EXPECT_EQ(last[1], (TilePiece{QStringLiteral("https://h/a/carte_files/%1/31_18.jpg").arg(level), QRect(2, 2, 16, 48),
                                  QPoint(64, 0), QSize(18, 50)}));
    EXPECT_TRUE(source->pieces({16, 0}).isEmpty());
}

// Answers become the stored tile: parts painted in place; an answer that does not cover
// its part, or is larger than its request allows, or is no picture, makes no tile.
TEST(TileAssemblyTest, PaintsPartsAndRefusesAnswersThatAreNotThePictureAskedFor)
{
    auto jpegOf = [](QSize size, QColor colour) {
        QImage image(size, QImage::Format_RGB32);
        image.fill(colour);
        QByteArray bytes;
        jpeg::encode(image, bytes, 95);
        return bytes;
    };
    const QList<TilePiece> pieces{{QStringLiteral("a"), QRect(0, 0, 32, 32), QPoint(0, 0), QSize(34, 34)},
                                  {QStringLiteral("b"), QRect(2, 0, 16, 32), QPoint(32, 0), QSize(18, 34)}};
    QByteArray out;
    QString why;
    ASSERT_TRUE(assembleTile(QSize(48, 32), pieces, {jpegOf({34, 34}, Qt::red), jpegOf({18, 34}, Qt::blue)}, &out, &why))
        << why.toStdString();
    QImage tile;
    ASSERT_TRUE(jpeg::decode(out, tile).ok());
    EXPECT_EQ(tile.size(), QSize(48, 32));
    EXPECT_GT(qRed(tile.pixel(10, 10)), 200);
    EXPECT_GT(qBlue(tile.pixel(40, 10)), 200);

    // One whole JPEG answer is kept byte for byte.
    const QByteArray whole = jpegOf({48, 32}, Qt::green);
    ASSERT_TRUE(assembleTile(QSize(48, 32), {{QStringLiteral("c"), QRect(0, 0, 48, 32), QPoint(), QSize(48, 32)}},
                             {whole}, &out, &why));
    EXPECT_EQ(out, whole);

    // One part of one answer: cut on the answer's 16-pixel blocks without decoding, encoded
    // again where its corner is off them, or where it is turned; refused where the answer
    // does not cover it.
    QImage quarters(64, 64, QImage::Format_RGB32);
    quarters.fill(Qt::white);
    QPainter(&quarters).fillRect(32, 32, 32, 32, Qt::black);
    QByteArray picture;
    ASSERT_TRUE(jpeg::encode(quarters, picture, 95).ok());
    struct Part {
        QRect crop;
        int rotation;
        TileMaking making;
    } parts[] = {
        {QRect(32, 32, 32, 32), 0, TileMaking::Lossless},
        {QRect(16, 0, 20, 48), 0, TileMaking::Lossless},
        {QRect(24, 24, 32, 32), 0, TileMaking::Reencoded},
        {QRect(32, 32, 32, 16), 90, TileMaking::Reencoded},
    };
    for (const Part &part : parts) {
        const QSize size = part.rotation ? part.crop.size().transposed() : part.crop.size();
        TileMaking making = TileMaking::AsIs;
        ASSERT_TRUE(assembleTile(size, {{QStringLiteral("w"), part.crop, QPoint(), QSize(64, 64)}}, {picture}, &out, &why,
                                 &making, part.rotation));
        EXPECT_EQ(making, part.making);
        QImage tile;
        ASSERT_TRUE(jpeg::decode(out, tile).ok());
        ASSERT_EQ(tile.size(), size);
        const QImage expected = quarters.copy(part.crop).transformed(QTransform().rotate(part.rotation));
        for (int y = 0; y < size.height(); y += 3)
            for (int x = 0; x < size.width(); x += 3)
                EXPECT_NEAR(qGray(tile.pixel(x, y)), qGray(expected.pixel(x, y)), 60) << x << "," << y;
    }
    EXPECT_FALSE(assembleTile(QSize(32, 32), {{QStringLiteral("w"), QRect(48, 48, 32, 32), QPoint(), QSize(64, 64)}},
                              {picture}, &out, &why));

    const QList<QByteArray> bad[] = {
        {jpegOf({30, 34}, Qt::red), jpegOf({18, 34}, Qt::blue)},   // does not cover its part
        {jpegOf({34, 34}, Qt::red), jpegOf({40, 34}, Qt::blue)},   // larger than asked
        {jpegOf({34, 34}, Qt::red), QByteArray("<html>404</html>")},
        {jpegOf({34, 34}, Qt::red), jpegOf({18, 34}, Qt::blue).left(100)},
        {jpegOf({34, 34}, Qt::red)},
    };
    for (const QList<QByteArray> &answers : bad) {
        why.clear();
        EXPECT_FALSE(assembleTile(QSize(48, 32), pieces, answers, &out, &why));
        EXPECT_FALSE(why.isEmpty());
    }
}

TEST(SourceAddressTest, RecognisesDeepZoomAndZoomifyAddresses)
{
    struct Case {
        QString text;
        std::optional<SourceAddress> address;
    } cases[] = {
        {QStringLiteral("https://h/cartes/carte.dzi"), SourceAddress{Kind::DeepZoom, QStringLiteral("https://h/cartes/carte.dzi")}},
        {QStringLiteral("  http://127.0.0.1:8080/x/Carte.DZI  "),
         SourceAddress{Kind::DeepZoom, QStringLiteral("http://127.0.0.1:8080/x/Carte.DZI")}},
        {QStringLiteral("https://h/a/b/ImageProperties.xml"), SourceAddress{Kind::Zoomify, QStringLiteral("https://h/a/b")}},
        {QStringLiteral("https://h/a/b/imageproperties.xml"), SourceAddress{Kind::Zoomify, QStringLiteral("https://h/a/b")}},
        {QStringLiteral("https://h/ImageProperties.xml"), std::nullopt},
        {QStringLiteral("https://h/a/ImageProperties.xml?x=1"), std::nullopt},
        {QStringLiteral("https://h/a/MyImageProperties.xml"), std::nullopt},
        {QStringLiteral("https://h/.dzi"), std::nullopt},
        {QStringLiteral("ftp://h/a/carte.dzi"), std::nullopt},
        {QStringLiteral("file:///tmp/carte.dzi"), std::nullopt},
        {QStringLiteral("https://h/a b/carte.dzi"), std::nullopt},
        {QStringLiteral("https://h/iiif/image/info.json"), std::nullopt},
        {QStringLiteral("ark:/12148/btv1b8493043x"), std::nullopt},
        {QStringLiteral("https://h/a/b/"), std::nullopt},
        {QString(), std::nullopt},
    };
    // The pyramid that a text surely names: the first sure reading, when it is no IIIF one.
    auto pyramidOf = [](const QString &text) -> std::optional<SourceAddress> {
        const QList<Recognised> readings = recogniseAddress(text);
        if (readings.isEmpty() || !readings.first().sure || readings.first().address.kind == Kind::Iiif)
            return std::nullopt;
        return readings.first().address;
    };
    for (const Case &c : cases)
        EXPECT_EQ(pyramidOf(c.text), c.address) << c.text.toStdString();

    EXPECT_EQ(zoomifyFolder(QStringLiteral("https://h/a/b//")), (SourceAddress{Kind::Zoomify, QStringLiteral("https://h/a/b")}));
    EXPECT_EQ((SourceAddress{Kind::Zoomify, QStringLiteral("https://h/a/b")}).descriptionUrl(),
              QStringLiteral("https://h/a/b/ImageProperties.xml"));
    EXPECT_EQ((SourceAddress{Kind::DeepZoom, QStringLiteral("https://h/a.dzi")}).descriptionUrl(),
              QStringLiteral("https://h/a.dzi"));
    EXPECT_EQ((SourceAddress{Kind::Iiif, QStringLiteral("https://h/i")}).descriptionUrl(),
              QStringLiteral("https://h/i/info.json"));
}

// The one address box of a new map: the kind each form is read as, and the refusals.
TEST(SourceAddressTest, MapAddressesOfEveryKind)
{
    enum class Read { Pyramid, Image, Document, Refused };
    const struct {
        const char *text;
        Read read;
    } cases[] = {
        {"https://h/cartes/carte.dzi", Read::Pyramid},
        {"https://h/a/b/ImageProperties.xml", Read::Pyramid},
        {"https://h/iiif/image/info.json", Read::Image},
        {"https://h/iiif/image/full/max/0/default.jpg", Read::Image},
        {"ark:/12148/btv1b8493043x", Read::Image},
        // A bare folder: an image's base, else a Zoomify folder, else a document, by reading.
        {"https://h/a/b/", Read::Image},
        {"https://h/iiif/b7d41c", Read::Image},
        {"https://h/iiif/manifest/5b1e6c2a.json", Read::Document},
        {"https://h/manifests/15826830.json", Read::Document},
        {"https://h/atlas/manifest/", Read::Document},
        {"https://h/atlas/manifest-service.json", Read::Document},
        {"https://h/iiif/manifest/1", Read::Document},
        {"https://h/iiif/collection/top", Read::Document},
        {"carte de Cassini", Read::Refused},
        {"ftp://h/a/carte.dzi", Read::Refused},
        {"https://h/a b/carte.dzi", Read::Refused},
        {"https://h", Read::Refused},
        {"", Read::Refused},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.text);
        const auto address = parseMapAddress(QString::fromUtf8(c.text));
        Read read = Read::Refused;
        if (address && address->kind() != Kind::Iiif)
            read = Read::Pyramid;
        else if (address)
            read = iiif::parseAddress(address->text)->kind == iiif::Address::Kind::Manifest ? Read::Document
                                                                                              : Read::Image;
        EXPECT_EQ(read, c.read);
    }
}

// Each sheet of the added-maps file keeps its kind after its size and grid; a sheet
// without one is IIIF, and its line is written as before.
TEST(SourceAddressTest, AddedMapsKeepTheKindOfEachSheet)
{
    const QString d = QStringLiteral("https://h/a/carte.dzi"), z = QStringLiteral("https://h/z"),
                  i = QStringLiteral("https://h/iiif/x");
    struct Case {
        QString line;
        QList<source::SheetSource> sheets;
    } cases[] = {
        {QStringLiteral("Archives Bnf\t1925\tt\t%1\t3000 x 2000\tgrille 12 x 8\tdzi").arg(d),
         {{d, QSize(3000, 2000), QSize(12, 8), Kind::DeepZoom}}},
        {QStringLiteral("Archives Bnf\t1925\tt\t%1\t700 x 500\tzoomify").arg(z), {{z, QSize(700, 500), {}, Kind::Zoomify}}},
        {QStringLiteral("Archives Bnf\t1925\tt\t%1\t700 x 500\t%2\t3000 x 2000\tgrille 12 x 8\tdzi").arg(i, d),
         {{i, QSize(700, 500), {}, Kind::Iiif}, {d, QSize(3000, 2000), QSize(12, 8), Kind::DeepZoom}}},
        {QStringLiteral("Archives Bnf\t1925\tt\t%1\t700 x 500\tgrille 3 x 2").arg(i), {{i, QSize(700, 500), QSize(3, 2)}}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.line.toStdString());
        const auto map = catalogue::AddedMaps::fromLine(c.line);
        ASSERT_TRUE(map);
        EXPECT_EQ(map->sheets, c.sheets);
        EXPECT_EQ(catalogue::AddedMaps::line(*map), c.line);
    }
    // "iiif" written by hand reads as IIIF and is written as before; an unknown kind is no line.
    const auto iiifLine = catalogue::AddedMaps::fromLine(QStringLiteral("Archives Bnf\t1925\tt\t%1\t7 x 5\tiiif").arg(i));
    ASSERT_TRUE(iiifLine);
    EXPECT_EQ(iiifLine->sheets.first().kind, Kind::Iiif);
    EXPECT_EQ(catalogue::AddedMaps::line(*iiifLine), QStringLiteral("Archives Bnf\t1925\tt\t%1\t7 x 5").arg(i));
    EXPECT_FALSE(catalogue::AddedMaps::fromLine(QStringLiteral("Archives Bnf\t1925\tt\t%1\t7 x 5\twebp").arg(i)));
}

// One factory makes the source of every kind from its description; a description it
// cannot use gives no source and says why.
TEST(SourceAddressTest, FactoryMakesTheSourceOfEachKind)
{
    const QByteArray info = R"({
  "@context": "http://iiif.io/api/image/3/context.json",
  "id": "https://h/iiif/map", "type": "ImageService3", "profile": "level0",
  "width": 1000, "height": 700, "tiles": [{"width": 512, "scaleFactors": [1, 2]}]
})";
    struct Case {
        SourceAddress address;
        QByteArray description;
        QSize grid, tileOrigin;   // tileOrigin: the size of stored tile (0, 0)
        QString firstUrl;
    } cases[] = {
        {{Kind::Iiif, QStringLiteral("https://h/iiif/map")}, info, {2, 2}, {512, 512},
         QStringLiteral("https://h/iiif/map/0,0,512,512/")},
        {{Kind::DeepZoom, QStringLiteral("https://h/c.dzi")}, dzi(QStringLiteral("Format=\"png\" Overlap=\"0\" TileSize=\"512\"")),
         {6, 4}, {512, 512}, QStringLiteral("https://h/c_files/12/0_0.png")},
        {{Kind::Zoomify, QStringLiteral("https://h/z")},
         "<IMAGE_PROPERTIES WIDTH=\"1000\" HEIGHT=\"700\" TILESIZE=\"256\" />", {4, 3}, {256, 256},
         QStringLiteral("https://h/z/TileGroup0/2-0-0.jpg")},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(kindName(c.address.kind).toStdString());
        QString why;
        const auto source = makeSource(c.address, c.description, {}, &why);
        ASSERT_TRUE(source) << why.toStdString();
        EXPECT_EQ(source->kind(), c.address.kind);
        EXPECT_EQ(source->grid(), c.grid);
        EXPECT_EQ(source->tileSize({0, 0}), c.tileOrigin);
        EXPECT_TRUE(source->pieces({0, 0}).first().url.startsWith(c.firstUrl)) << source->pieces({0, 0}).first().url.toStdString();
        EXPECT_TRUE(source->pieces({c.grid.width(), 0}).isEmpty());

        EXPECT_FALSE(makeSource(c.address, "{}<>", {}, &why));
        EXPECT_FALSE(why.isEmpty());
    }
}

// How each kind reads a typed address, and in which order the kinds are then tried: the
// sure readings first, a bare folder by IIIF and then as a Zoomify pyramid.
TEST(SourceAddressTest, KindsReadATypedAddressSurelyOrPerhaps)
{
    using R = Recognised;
    const auto sure = [](Kind kind, const char *url) { return R{{kind, QString::fromUtf8(url)}, true}; };
    const auto perhaps = [](Kind kind, const char *url) { return R{{kind, QString::fromUtf8(url)}, false}; };
    const struct {
        const char *text;
        QList<Recognised> readings;
    } cases[] = {
        {"https://h/cartes/carte.dzi", {sure(Kind::DeepZoom, "https://h/cartes/carte.dzi"),
                                        perhaps(Kind::Iiif, "https://h/cartes/carte.dzi")}},
        {"https://h/a/b/ImageProperties.xml", {sure(Kind::Zoomify, "https://h/a/b"),
                                               perhaps(Kind::Iiif, "https://h/a/b/ImageProperties.xml")}},
        {"https://h/a/b/", {perhaps(Kind::Iiif, "https://h/a/b"), perhaps(Kind::Zoomify, "https://h/a/b")}},
        {"https://h/iiif/image/info.json", {sure(Kind::Iiif, "https://h/iiif/image")}},
        {"https://h/iiif/image/full/max/0/default.jpg", {sure(Kind::Iiif, "https://h/iiif/image")}},
        {"https://h/iiif/manifest/1", {sure(Kind::Iiif, "https://h/iiif/manifest/1"),
                                       perhaps(Kind::Zoomify, "https://h/iiif/manifest/1")}},
        {"https://h/iip?IIIF=carte.tif", {perhaps(Kind::Iiif, "https://h/iip?IIIF=carte.tif")}},
        {"ark:/12148/btv1b8493043x", {sure(Kind::Iiif, "https://gallica.bnf.fr/iiif/ark:/12148/btv1b8493043x/f1")}},
        {"carte de Cassini", {}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.text);
        const QList<Recognised> readings = recogniseAddress(QString::fromUtf8(c.text));
        ASSERT_EQ(readings.size(), c.readings.size());
        for (qsizetype i = 0; i < readings.size(); ++i) {
            EXPECT_EQ(readings[i].address.kind, c.readings[i].address.kind) << i;
            EXPECT_EQ(readings[i].address.url, c.readings[i].address.url) << i;
            EXPECT_EQ(readings[i].sure, c.readings[i].sure) << i;
        }
    }
    EXPECT_EQ(addableKinds(KindListing::Labels), QStringLiteral("IIIF, Deep Zoom, Zoomify"));
    EXPECT_EQ(addableKinds(KindListing::AddressForms), QStringLiteral("IIIF, .dzi, Zoomify"));
}
