// Addresses a user may give, the documents servers send (info.json of the Image API 1.1, 2
// and 3; manifests 2 and 3) and how a picture is cut into at most 26 x 26 tiles.

#include "catalogue/AddedMaps.h"
#include "source/iiif/IiifPlan.h"
#include "source/iiif/IiifSource.h"
#include "source/TileAssembly.h"
#include "source/iiif/IiifAddress.h"
#include "net/PacedFetcher.h"
#include "source/iiif/IiifInfo.h"
#include "source/iiif/IiifSheet.h"

#include "imaging/Jpeg.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using iiif::Address;

namespace {

struct AddressCase {
    const char *given;
    Address::Kind kind;
    const char *url;   // nullptr: refused
};

const AddressCase kAddresses[] = {
    // Gallica arks, with and without the view.
    {"ark:/12148/btv1b53095142n", Address::Kind::Image, "https://gallica.bnf.fr/iiif/ark:/12148/btv1b53095142n/f1"},
    {"ark:/12148/btv1b53095142n/f3", Address::Kind::Image, "https://gallica.bnf.fr/iiif/ark:/12148/btv1b53095142n/f3"},
    {"  ark:/12148/btv1b53095142n/f12  ", Address::Kind::Image,
     "https://gallica.bnf.fr/iiif/ark:/12148/btv1b53095142n/f12"},
    // Pages of the library's site.
    {"https://gallica.bnf.fr/ark:/12148/btv1b8490012z/f1.item.zoom", Address::Kind::Image,
     "https://gallica.bnf.fr/iiif/ark:/12148/btv1b8490012z/f1"},
    {"https://gallica.bnf.fr/ark:/12148/btv1b8490012z/f2.image.r=cassini", Address::Kind::Image,
     "https://gallica.bnf.fr/iiif/ark:/12148/btv1b8490012z/f2"},
    {"http://gallica.bnf.fr/ark:/12148/btv1b8490012z.r=carte?rk=21459", Address::Kind::Image,
     "https://gallica.bnf.fr/iiif/ark:/12148/btv1b8490012z/f1"},
    // Descriptions, bases, image requests.
    {"https://gallica.bnf.fr/iiif/ark:/12148/btv1b8490012z/f1/info.json", Address::Kind::Image,
     "https://gallica.bnf.fr/iiif/ark:/12148/btv1b8490012z/f1"},
    {"http://127.0.0.1:8080/iiif?IIIF=carte.tif/info.json", Address::Kind::Image, "http://127.0.0.1:8080/iiif?IIIF=carte.tif"},
    {"http://127.0.0.1:8080/iiif?IIIF=carte.tif", Address::Kind::Image, "http://127.0.0.1:8080/iiif?IIIF=carte.tif"},
    {"https://images.example.org/iiif/3/map-17/", Address::Kind::Image, "https://images.example.org/iiif/3/map-17"},
    {"https://images.example.org/iiif/map-17/full/max/0/default.jpg", Address::Kind::Image,
     "https://images.example.org/iiif/map-17"},
    {"https://images.example.org/iiif/map-17/0,0,512,512/256,/0/native.jpg", Address::Kind::Image,
     "https://images.example.org/iiif/map-17"},
    // Manifests.
    {"https://gallica.bnf.fr/iiif/ark:/12148/btv1b8490012z/manifest.json", Address::Kind::Manifest,
     "https://gallica.bnf.fr/iiif/ark:/12148/btv1b8490012z/manifest.json"},
    {"https://iiif.example.org/presentation/atlas/manifest", Address::Kind::Manifest,
     "https://iiif.example.org/presentation/atlas/manifest"},
    // Documents named in every way libraries name them: read first, told apart by content.
    {"https://iiif.example.org/iiif/manifest/5b1e6c2a-9f3d-4e1a-8c77-0a1b2c3d4e5f.json", Address::Kind::Manifest,
     "https://iiif.example.org/iiif/manifest/5b1e6c2a-9f3d-4e1a-8c77-0a1b2c3d4e5f.json"},
    {"https://iiif.example.org/manifests/15826830.json", Address::Kind::Manifest,
     "https://iiif.example.org/manifests/15826830.json"},
    {"https://iiif.example.org/atlas/manifest/", Address::Kind::Manifest, "https://iiif.example.org/atlas/manifest/"},
    {"https://iiif.example.org/atlas/manifest-service.json", Address::Kind::Manifest,
     "https://iiif.example.org/atlas/manifest-service.json"},
    {"https://iiif.example.org/iiif/manifest/1", Address::Kind::Manifest, "https://iiif.example.org/iiif/manifest/1"},
    {"https://iiif.example.org/iiif/collection/cartes", Address::Kind::Manifest,
     "https://iiif.example.org/iiif/collection/cartes"},
    // An id with no extension is an image's base until its content says otherwise.
    {"https://iiif.example.org/iiif/b7d41c", Address::Kind::Image, "https://iiif.example.org/iiif/b7d41c"},
    // An image request under a "manifests" folder stays an image.
    {"https://iiif.example.org/manifests/img/full/max/0/default.jpg", Address::Kind::Image,
     "https://iiif.example.org/manifests/img"},
    // Refused.
    {"", Address::Kind::Image, nullptr},
    {"carte de Cassini", Address::Kind::Image, nullptr},
    {"ark:/13030/tf5p30086k", Address::Kind::Image, nullptr},
    {"ark:/12148/", Address::Kind::Image, nullptr},
    {"ark:/12148/btv1b53095142n/f0", Address::Kind::Image, nullptr},
    {"ftp://example.org/iiif/map/info.json", Address::Kind::Image, nullptr},
    {"file:///home/carte/info.json", Address::Kind::Image, nullptr},
    {"http:///iiif/map", Address::Kind::Image, nullptr},
    {"https://images.example.org", Address::Kind::Image, nullptr},
    {"https://images.example.org/info.json", Address::Kind::Image, nullptr},
    {"https://gallica.bnf.fr/ark:/99999/abc/f1.item", Address::Kind::Image, nullptr},
    // No path, or an ark cut short: no base of an image.
    {"http://info.json", Address::Kind::Image, nullptr},
    {"https://info.json", Address::Kind::Image, nullptr},
    {"http://example.org//info.json", Address::Kind::Image, nullptr},
    {"https://images.example.org///", Address::Kind::Image, nullptr},
    {"https://gallica.bnf.fr/ark:", Address::Kind::Image, nullptr},
    {"https://gallica.bnf.fr/ark:/12148", Address::Kind::Image, nullptr},
    {"https://gallica.bnf.fr/iiif/ark:", Address::Kind::Image, nullptr},
    {"https://gallica.bnf.fr/iiif/ark:/12148/btv1b8490012z", Address::Kind::Image, nullptr},
    {"https://gallica.bnf.fr/services/engine", Address::Kind::Image, nullptr},
};

TEST(IiifAddressTest, AcceptedFormsAndRefusals)
{
    for (const AddressCase &c : kAddresses) {
        SCOPED_TRACE(c.given);
        const auto parsed = iiif::parseAddress(QString::fromUtf8(c.given));
        if (!c.url) {
            EXPECT_FALSE(parsed.has_value()) << parsed->url.toStdString();
            continue;
        }
        ASSERT_TRUE(parsed.has_value());
        EXPECT_EQ(parsed->kind, c.kind);
        EXPECT_EQ(parsed->url, QString::fromUtf8(c.url));
    }
    EXPECT_EQ(iiif::refusalText(QStringLiteral("bonjour")), QStringLiteral("Adresse IIIF incorrecte : bonjour"));
    // Requests append to a base that carries a query, as it stands.
    EXPECT_EQ(iiif::parseAddress(QStringLiteral("http://127.0.0.1:1/iiif?IIIF=a.tif"))->infoUrl(),
              QStringLiteral("http://127.0.0.1:1/iiif?IIIF=a.tif/info.json"));
    EXPECT_EQ(iiif::pageAddress(QStringLiteral("https://gallica.bnf.fr/iiif/ark:/12148/btv1b8490012z/f2")),
              QStringLiteral("https://gallica.bnf.fr/ark:/12148/btv1b8490012z/f2.item"));
}

// The three forms of an image's description.
const char kInfo11[] = R"({
  "@context": "http://library.stanford.edu/iiif/image-api/1.1/context.json",
  "@id": "https://gallica.bnf.fr/iiif/ark:/12148/btv1b8490012z/f1",
  "width": 14000, "height": 9800,
  "scale_factors": [8, 1, 2, 4],
  "tile_width": 256, "tile_height": 256,
  "formats": ["jpg", "png"], "qualities": ["native", "grey"],
  "profile": "http://library.stanford.edu/iiif/image-api/1.1/compliance.html#level2"
})";
const char kInfo2[] = R"({
  "@context": "http://iiif.io/api/image/2/context.json",
  "@id": "http://127.0.0.1/iiif?IIIF=a.tif", "protocol": "http://iiif.io/api/image",
  "width": 1000, "height": 700,
  "tiles": [{"width": 256, "height": 256, "scaleFactors": [1, 2, 4]}],
  "profile": ["http://iiif.io/api/image/2/level1.json", {"formats": ["jpg"], "maxWidth": 5000, "maxHeight": 4000}]
})";
const char kInfo3[] = R"({
  "@context": "http://iiif.io/api/image/3/context.json",
  "id": "https://example.org/iiif/map", "type": "ImageService3", "profile": "level0",
  "width": 1000, "height": 700,
  "tiles": [{"width": 512, "scaleFactors": [1, 2]}]
})";
const char kInfo3Extra[] = R"({
  "@context": "http://iiif.io/api/image/3/context.json",
  "id": "https://example.org/iiif/map", "type": "ImageService3", "profile": "level0",
  "width": 1000, "height": 700, "extraFeatures": ["regionByPx", "sizeByWh"], "maxArea": 1000000
})";

TEST(IiifInfoTest, ReadsTheThreeVersions)
{
    const auto v1 = iiif::readImageInfo(kInfo11);
    ASSERT_TRUE(v1);
    EXPECT_EQ(v1->version, 1);
    EXPECT_EQ(v1->level, 2);
    EXPECT_EQ(QSize(v1->width, v1->height), QSize(14000, 9800));
    EXPECT_EQ(QSize(v1->tileWidth, v1->tileHeight), QSize(256, 256));
    EXPECT_EQ(v1->scaleFactors, QList<int>({1, 2, 4, 8}));
    EXPECT_TRUE(v1->regionByPx && v1->sizeByW);
    EXPECT_EQ(v1->quality(), QStringLiteral("native"));

    const auto v2 = iiif::readImageInfo(kInfo2);
    ASSERT_TRUE(v2);
    EXPECT_EQ(v2->version, 2);
    EXPECT_EQ(v2->level, 1);
    EXPECT_EQ(v2->maxWidth, 5000);
    EXPECT_EQ(v2->maxHeight, 4000);
    EXPECT_EQ(v2->quality(), QStringLiteral("default"));

    const auto v3 = iiif::readImageInfo(kInfo3);
    ASSERT_TRUE(v3);
    EXPECT_EQ(v3->version, 3);
    EXPECT_EQ(v3->level, 0);
    EXPECT_FALSE(v3->regionByPx);
    EXPECT_EQ(QSize(v3->tileWidth, v3->tileHeight), QSize(512, 512));

    const auto extra = iiif::readImageInfo(kInfo3Extra);
    ASSERT_TRUE(extra);
    EXPECT_EQ(extra->level, 0);
    EXPECT_TRUE(extra->regionByPx && extra->sizeByW);
    EXPECT_EQ(extra->maxArea, 1000000);

    QString why;
    for (const char *bad : {"", "<html>404</html>", "[1,2]", R"({"width": 10})", R"({"width": -5, "height": 3})",
                            R"({"width": 1e12, "height": 3})"}) {
        SCOPED_TRACE(bad);
        EXPECT_FALSE(iiif::readImageInfo(bad, &why));
        EXPECT_FALSE(why.isEmpty());
    }
}

const char kManifest2[] = R"({
  "@context": "http://iiif.io/api/presentation/2/context.json", "@type": "sc:Manifest",
  "@id": "http://127.0.0.1/manifest.json",
  "label": [{"@value": "Atlas de Trudaine", "@language": "fr"}],
  "sequences": [{"canvases": [
    {"@id": "c1", "label": "Planche 1", "width": 1000, "height": 700,
     "images": [{"resource": {"@id": "http://127.0.0.1/a/full/full/0/default.jpg",
       "service": {"@context": "http://iiif.io/api/image/2/context.json", "@id": "http://127.0.0.1/a/",
                   "profile": "http://iiif.io/api/image/2/level0.json"}}}]},
    {"@id": "c2", "label": "Planche 2", "width": 900, "height": 600,
     "images": [{"resource": {"@id": "x", "service": {"@id": "http://127.0.0.1/b"}}}]}
  ]}]
})";
const char kManifest3[] = R"({
  "@context": "http://iiif.io/api/presentation/3/context.json", "type": "Manifest",
  "id": "http://127.0.0.1/m3.json", "label": {"fr": ["Plan de Dunkerque 1751"], "en": ["Dunkirk"]},
  "items": [
    {"id": "c1", "type": "Canvas", "width": 1000, "height": 700, "label": {"none": ["1"]},
     "items": [{"type": "AnnotationPage", "items": [{"type": "Annotation", "motivation": "painting",
       "body": {"id": "http://127.0.0.1/a/full/max/0/default.jpg", "type": "Image",
                "service": [{"id": "http://127.0.0.1/a", "type": "ImageService3", "profile": "level0"}]}}]}]},
    {"id": "c2", "type": "Canvas", "width": 900, "height": 600,
     "items": [{"type": "AnnotationPage", "items": [{"type": "Annotation",
       "body": {"type": "Choice", "items": [{"id": "y", "type": "Image",
                "service": [{"@id": "http://127.0.0.1/b", "@type": "ImageService2"}]}]}}]}]}
  ]
})";

TEST(IiifManifestTest, EveryCanvasImageBecomesASheet)
{
    for (const char *json : {kManifest2, kManifest3}) {
        const auto m = iiif::readManifest(json);
        ASSERT_TRUE(m);
        EXPECT_TRUE(iiif::isManifest(json));
        ASSERT_EQ(m->images.size(), 2);
        EXPECT_EQ(m->images[0].imageBase, QStringLiteral("http://127.0.0.1/a"));
        EXPECT_EQ(m->images[1].imageBase, QStringLiteral("http://127.0.0.1/b"));
        EXPECT_EQ(m->images[0].width, 1000);
    }
    EXPECT_EQ(iiif::readManifest(kManifest2)->label, QStringLiteral("Atlas de Trudaine"));
    EXPECT_EQ(iiif::readManifest(kManifest3)->label, QStringLiteral("Plan de Dunkerque 1751"));
    EXPECT_FALSE(iiif::isManifest(kInfo2));
    EXPECT_FALSE(iiif::readManifest(R"({"@type": "sc:Manifest", "sequences": []})"));
}

struct PlanCase {
    const char *name;
    iiif::ImageInfo info;
    bool cuts;
    int scale;
    QSize cell;
    int columns, rows;
    const char *firstUrl;
    const char *lastUrl;
};

iiif::ImageInfo info(int version, int level, int w, int h, int tile, QList<int> factors = {1, 2, 4, 8})
{
    iiif::ImageInfo i;
    i.version = version;
    i.level = level;
    i.width = w;
    i.height = h;
    i.tileWidth = i.tileHeight = tile;
    i.scaleFactors = factors;
    i.regionByPx = i.sizeByW = level >= 1;
    i.sizeByWh = level >= (version == 3 ? 1 : 2);
    return i;
}

TEST(IiifPlanTest, CutsAtFullSizeOrTakesTheLargestScaleThatFits)
{
    const PlanCase cases[] = {
        // Any region: full size, cells a multiple of the server's 256 pixels.
        {"level 2", info(1, 2, 20000, 15000, 256), true, 1, QSize(1024, 768), 20, 20,
         "B/0,0,1024,768/full/0/native.jpg", "B/19456,14592,544,408/full/0/native.jpg"},
        // A picture smaller than 26 server tiles: one server tile per cell.
        {"level 1 small", info(2, 1, 1000, 700, 256), true, 1, QSize(256, 256), 4, 3,
         "B/0,0,256,256/full/0/default.jpg", "B/768,512,232,188/full/0/default.jpg"},
        // Too large for cells of at most 8192 pixels at full size: half size.
        {"level 2 huge", info(2, 2, 300000, 1000, 256), true, 2, QSize(11776, 512), 26, 2,
         "B/0,0,11776,512/5888,256/0/default.jpg", "B/294400,512,5600,488/2800,244/0/default.jpg"},
        // Both sides at reduced sizes where the server takes them (Image API 3 from level 1);
        // by width alone where it takes only that (Image API 2, level 1).
        {"level 1 v3 huge", info(3, 1, 300000, 1000, 256), true, 2, QSize(11776, 512), 26, 2,
         "B/0,0,11776,512/5888,256/0/default.jpg", "B/294400,512,5600,488/2800,244/0/default.jpg"},
        {"level 1 v2 huge", info(2, 1, 300000, 1000, 256), true, 2, QSize(11776, 512), 26, 2,
         "B/0,0,11776,512/5888,/0/default.jpg", "B/294400,512,5600,488/2800,/0/default.jpg"},
        {"level 1 v3", info(3, 1, 1000, 700, 256), true, 1, QSize(256, 256), 4, 3,
         "B/0,0,256,256/max/0/default.jpg", "B/768,512,232,188/max/0/default.jpg"},
        // Static tiles: the largest resolution whose tiles fit in 26 x 26.
        {"level 0 fits", info(2, 0, 1000, 700, 256, {1, 2}), false, 1, QSize(256, 256), 4, 3,
         "B/0,0,256,256/256,/0/default.jpg", "B/768,512,232,188/232,/0/default.jpg"},
        {"level 0 too large", info(3, 0, 26 * 256 + 1, 300, 256, {1, 2, 4}), false, 2, QSize(512, 512), 14, 1,
         "B/0,0,512,300/256,150/0/default.jpg", "B/6656,0,1,300/1,150/0/default.jpg"},
    };
    for (const PlanCase &c : cases) {
        SCOPED_TRACE(c.name);
        QString why;
        const auto plan = iiif::planTiles(c.info, QStringLiteral("B"), &why);
        ASSERT_TRUE(plan) << why.toStdString();
        EXPECT_EQ(plan->cutsRegions, c.cuts);
        EXPECT_EQ(plan->scale, c.scale);
        EXPECT_EQ(plan->cell, c.cell);
        EXPECT_EQ(plan->columns, c.columns);
        EXPECT_EQ(plan->rows, c.rows);
        EXPECT_LE(plan->columns, 26);
        EXPECT_LE(plan->rows, 26);
        EXPECT_EQ(plan->tileUrl(0, 0), QString::fromUtf8(c.firstUrl));
        EXPECT_EQ(plan->tileUrl(plan->columns - 1, plan->rows - 1), QString::fromUtf8(c.lastUrl));
        // The cells cover the picture exactly, each within the decoder's bound.
        qint64 area = 0;
        for (int r = 0; r < plan->rows; ++r)
            for (int col = 0; col < plan->columns; ++col) {
                const QRect region = plan->region(col, r);
                ASSERT_FALSE(region.isEmpty());
                area += qint64(region.width()) * region.height();
                ASSERT_LE(plan->tileSize(col, r).width(), iiif::maxTileSide());
            }
        EXPECT_EQ(area, qint64(c.info.width) * c.info.height);
    }
    // A static server whose tiles cannot fit in 26 x 26 at any of its scales.
    QString why;
    EXPECT_FALSE(iiif::planTiles(info(2, 0, 100000, 100, 256, {1, 2}), QStringLiteral("B"), &why));
    EXPECT_FALSE(why.isEmpty());
}

// Descriptions with numbers at or past every bound: each is read with its values kept in
// range or refused, and a plan made from it covers the picture with cells of a storable size.
TEST(IiifPlanTest, HostileNumbersAreBoundedOrRefused)
{
    struct Case {
        const char *name;
        const char *json;
        bool readable;
        qint64 maxArea;   // as read
    };
    const Case cases[] = {
        {"huge scale factor", R"({"@context": "http://iiif.io/api/image/2/context.json", "width": 16777216,
            "height": 16777216, "tiles": [{"width": 8192, "scaleFactors": [16777216]}],
            "profile": ["http://iiif.io/api/image/2/level0.json"]})", true, 0},
        {"area past 64 bits", R"({"@context": "http://iiif.io/api/image/3/context.json", "width": 5000, "height": 4000,
            "maxArea": 1e300, "profile": "level2"})", true, 0},
        {"negative area", R"({"@context": "http://iiif.io/api/image/3/context.json", "width": 5000, "height": 4000,
            "maxArea": -5, "profile": "level2"})", true, 0},
        {"area in the profile", R"({"@context": "http://iiif.io/api/image/2/context.json", "width": 5000,
            "height": 4000, "profile": ["level2", {"maxArea": 9.3e18, "maxWidth": 1e300}]})", true, 0},
        {"small area", R"({"@context": "http://iiif.io/api/image/3/context.json", "width": 5000, "height": 4000,
            "maxArea": 40000, "profile": "level2"})", true, 40000},
        {"tile of 2^31", R"({"@context": "http://iiif.io/api/image/2/context.json", "width": 3000, "height": 3000,
            "tiles": [{"width": 2147483648, "scaleFactors": [1, 2147483647]}], "profile": ["level0"]})", true, 0},
        {"side past the bound", R"({"@context": "http://iiif.io/api/image/3/context.json", "width": 1e300,
            "height": 100})", false, 0},
        {"side not a number", R"({"@context": "http://iiif.io/api/image/3/context.json", "width": "NaN",
            "height": 100})", false, 0},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        const auto read = iiif::readImageInfo(QByteArray(c.json));
        ASSERT_EQ(read.has_value(), c.readable);
        if (!read)
            continue;
        EXPECT_EQ(read->maxArea, c.maxArea);
        for (int factor : read->scaleFactors)
            EXPECT_GE(factor, 1);
        const auto plan = iiif::planTiles(*read, QStringLiteral("B"));
        if (!plan)
            continue;
        EXPECT_GE(plan->cell.width(), 1);
        EXPECT_GE(plan->cell.height(), 1);
        qint64 area = 0;
        for (int r = 0; r < plan->rows; ++r)
            for (int col = 0; col < plan->columns; ++col) {
                const QRect region = plan->region(col, r);
                ASSERT_FALSE(region.isEmpty());
                area += qint64(region.width()) * region.height();
                const QSize tile = plan->tileSize(col, r);
                ASSERT_GE(tile.width(), 1);
                ASSERT_LE(tile.width(), iiif::maxTileSide());
                ASSERT_LE(tile.height(), iiif::maxTileSide());
                if (read->maxArea > 0)
                    ASSERT_LE(qint64(tile.width()) * tile.height(), read->maxArea);
            }
        EXPECT_EQ(area, qint64(read->width) * read->height);
    }
}

// A picture of a smooth gradient, which JPEG keeps within a few levels.
QImage gradient(QSize size)
{
    QImage picture(size, QImage::Format_RGB32);
    for (int y = 0; y < size.height(); ++y)
        for (int x = 0; x < size.width(); ++x)
            picture.setPixel(x, y, qRgb(x * 255 / size.width(), y * 255 / size.height(), 128));
    return picture;
}

// Where the server computes a side itself, its answer may be one pixel off: accepted only
// there, and stored at the plan's size with every received pixel in its place.
TEST(IiifPlanTest, AnswersOffByTheServersRoundingAreFittedOnlyWhereThePlanAllows)
{
    // Static tiles of Image API 2 at half size: named by width, 256 x 150 asked.
    const auto byWidth = iiif::planTiles(info(2, 0, 26 * 256 + 1, 300, 256, {1, 2, 4}), QStringLiteral("B"));
    // Any region at full size: "full", exact.
    const auto full = iiif::planTiles(info(2, 2, 1000, 700, 256), QStringLiteral("B"));
    ASSERT_TRUE(byWidth && full);
    ASSERT_EQ(byWidth->tileSize(0, 0), QSize(256, 150));
    EXPECT_EQ(byWidth->slack(0, 0), QSize(0, 1));
    EXPECT_EQ(full->slack(0, 0), QSize(0, 0));
    struct Case {
        const char *name;
        const iiif::TilePlan &plan;
        QSize answer;
        bool accepted;
    };
    const Case cases[] = {
        {"one row short", *byWidth, QSize(256, 149), true},
        {"one row more", *byWidth, QSize(256, 151), true},
        {"exact", *byWidth, QSize(256, 150), true},
        {"two rows short", *byWidth, QSize(256, 148), false},
        {"width named and wrong", *byWidth, QSize(255, 150), false},
        {"full size one row short", *full, QSize(256, 255), false},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        const QImage sent = gradient(c.answer);
        QByteArray bytes;
        ASSERT_TRUE(jpeg::encode(sent, bytes, 95).ok());
        EXPECT_EQ(c.plan.accepts(0, 0, c.answer), c.accepted);
        const source::IiifSource tiles(c.plan);
        const QSize expected = c.plan.tileSize(0, 0);
        QByteArray stored;
        QString why;
        ASSERT_EQ(source::assembleTile(expected, tiles.pieces({0, 0}), {bytes}, &stored, &why), c.accepted) << why.toStdString();
        if (!c.accepted)
            continue;
        QImage tile;
        ASSERT_TRUE(jpeg::decode(stored, tile).ok());
        ASSERT_EQ(tile.size(), expected);
        // Every received pixel in its place; a missing row repeats the last one received.
        for (int y = 0; y < expected.height(); y += 7)
            for (int x = 0; x < expected.width(); x += 13) {
                const QRgb want = sent.pixel(x, qMin(y, sent.height() - 1)), got = tile.pixel(x, y);
                ASSERT_NEAR(qRed(got), qRed(want), 8) << x << "," << y;
                ASSERT_NEAR(qGreen(got), qGreen(want), 8) << x << "," << y;
            }
    }
}

// A server of static pictures without tiles: the largest listed size that fits its limits
// (and the program's) is asked whole, cut into tiles, and is the size the sheet is said to have.
TEST(IiifPlanTest, SizesOnlyTakeTheLargestListedSizeThatFits)
{
    struct Case {
        const char *name;
        const char *json;
        const char *url;   // nullptr: refused
        QSize sheet;
        QSize slack;
    };
    const Case cases[] = {
        {"maxWidth, version 3", R"({"@context": "http://iiif.io/api/image/3/context.json", "type": "ImageService3",
            "profile": "level0", "width": 4000, "height": 2800, "maxWidth": 1200,
            "sizes": [{"width": 2000, "height": 1400}, {"width": 500, "height": 350}, {"width": 1000, "height": 700}]})",
         "B/full/1000,700/0/default.jpg", QSize(1000, 700), QSize(0, 0)},
        {"maxArea, version 2", R"({"@context": "http://iiif.io/api/image/2/context.json", "width": 4000, "height": 2800,
            "profile": ["http://iiif.io/api/image/2/level0.json", {"maxArea": 800000}],
            "sizes": [{"width": 1000, "height": 700}, {"width": 2000, "height": 1400}]})",
         "B/full/1000,/0/default.jpg", QSize(1000, 700), QSize(0, 1)},
        {"full size fits", R"({"@context": "http://iiif.io/api/image/2/context.json", "width": 4000, "height": 2800,
            "profile": ["http://iiif.io/api/image/2/level0.json"], "sizes": [{"width": 1000, "height": 700}]})",
         "B/full/full/0/default.jpg", QSize(4000, 2800), QSize(0, 0)},
        {"larger than one tile", R"({"@context": "http://iiif.io/api/image/3/context.json", "profile": "level0",
            "width": 40000, "height": 28000, "sizes": [{"width": 10000, "height": 7000}, {"width": 5000, "height": 3500}]})",
         "B/full/5000,3500/0/default.jpg", QSize(5000, 3500), QSize(0, 0)},
        {"nothing fits", R"({"@context": "http://iiif.io/api/image/3/context.json", "profile": "level0",
            "width": 4000, "height": 2800, "maxWidth": 100, "sizes": [{"width": 1000, "height": 700}]})",
         nullptr, QSize(), QSize()},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        const auto read = iiif::readImageInfo(QByteArray(c.json));
        ASSERT_TRUE(read);
        QString why;
        const auto plan = iiif::planTiles(*read, QStringLiteral("B"), &why);
        if (!c.url) {
            EXPECT_FALSE(plan);
            EXPECT_FALSE(why.isEmpty());
            continue;
        }
        ASSERT_TRUE(plan) << why.toStdString();
        // One picture asked once, cut into the sheet's tiles: every tile names it, and the
        // tiles of the first row and column span it.
        EXPECT_EQ(plan->sheetSize(), c.sheet);
        EXPECT_EQ(plan->answerSize(0, 0), c.sheet);
        EXPECT_EQ(plan->slack(0, 0), c.slack);
        int width = 0, height = 0;
        for (int column = 0; column < plan->columns; ++column) {
            EXPECT_EQ(plan->tileUrl(column, 0), QString::fromUtf8(c.url));
            width += plan->tileSize(column, 0).width();
        }
        for (int row = 0; row < plan->rows; ++row)
            height += plan->tileSize(0, row).height();
        EXPECT_EQ(QSize(width, height), c.sheet);
        EXPECT_EQ(plan->tileUrl(plan->columns - 1, plan->rows - 1), QString::fromUtf8(c.url));
    }
}

// Tiles are asked where the description was found: after a redirect, at its final address,
// or at the description's own id when it lies on that server.
TEST(IiifPlanTest, TilesAreAskedWhereTheDescriptionWasFound)
{
    struct Case {
        const char *name;
        const char *infoUrl;
        const char *id;
        const char *base;
    };
    const char *requested = "http://127.0.0.1:8080/iiif/old";
    const Case cases[] = {
        {"not moved", "http://127.0.0.1:8080/iiif/old/info.json", "http://elsewhere.example.org/x", requested},
        {"not moved, id on the server", "http://127.0.0.1:8080/iiif/old/info.json", "http://127.0.0.1:8080/iiif/y",
         requested},
        {"moved, id names the new base", "http://127.0.0.1:8080/iiif/new/info.json", "http://127.0.0.1:8080/iiif/new/",
         "http://127.0.0.1:8080/iiif/new"},
        {"moved, id on another server", "http://127.0.0.1:8080/iiif/new/info.json", "https://example.org/iiif/new",
         "http://127.0.0.1:8080/iiif/new"},
        {"moved, id on another port", "http://127.0.0.1:8080/iiif/new/info.json", "http://127.0.0.1:9/iiif/new",
         "http://127.0.0.1:8080/iiif/new"},
        {"moved to an odd address, id on the server", "http://127.0.0.1:8080/cache?k=1", "http://127.0.0.1:8080/iiif/new",
         "http://127.0.0.1:8080/iiif/new"},
        {"moved to an odd address, no id", "http://127.0.0.1:8080/cache?k=1", "", requested},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        iiif::ImageInfo image;
        image.id = QString::fromUtf8(c.id);
        EXPECT_EQ(iiif::tileBase(QString::fromUtf8(requested), QString::fromUtf8(c.infoUrl), image),
                  QString::fromUtf8(c.base));
    }
}

// Documents told apart by their content, collections listed, image services chosen by their
// type or profile, and canvases without an image kept in their place.
TEST(IiifManifestTest, DocumentsAreKnownByTheirContent)
{
    const char kCollection2[] = R"({"@context": "http://iiif.io/api/presentation/2/context.json",
        "@id": "http://127.0.0.1/c.json", "@type": "sc:Collection", "label": "Cartes de France",
        "manifests": [{"@id": "http://127.0.0.1/m1.json", "@type": "sc:Manifest", "label": "Carte 1"}],
        "collections": [{"@id": "http://127.0.0.1/sub.json", "@type": "sc:Collection", "label": "Atlas"}]})";
    const char kCollection3[] = R"({"@context": "http://iiif.io/api/presentation/3/context.json",
        "id": "http://127.0.0.1/c3", "type": "Collection", "label": {"fr": ["Plans"]},
        "items": [{"id": "http://127.0.0.1/m/1", "type": "Manifest", "label": {"fr": ["Plan de Lille"]}},
                  {"id": "http://127.0.0.1/m/2", "type": "Manifest"}, {"id": "x", "type": "Canvas"}]})";
    const struct {
        const char *name;
        const char *json;
        iiif::DocumentKind kind;
    } kinds[] = {
        {"manifest 2", kManifest2, iiif::DocumentKind::Manifest},
        {"manifest 3", kManifest3, iiif::DocumentKind::Manifest},
        {"collection 2", kCollection2, iiif::DocumentKind::Collection},
        {"collection 3", kCollection3, iiif::DocumentKind::Collection},
        {"image 1.1", kInfo11, iiif::DocumentKind::Image},
        {"image 2", kInfo2, iiif::DocumentKind::Image},
        {"image 3", kInfo3, iiif::DocumentKind::Image},
        {"image 2 by its protocol", R"({"protocol": "http://iiif.io/api/image", "width": 5, "height": 5})",
         iiif::DocumentKind::Image},
        {"login service", R"({"@context": "http://iiif.io/api/auth/1/context.json",
            "profile": "http://iiif.io/api/auth/1/login"})", iiif::DocumentKind::Unknown},
        {"web page", "<html>Notice</html>", iiif::DocumentKind::Unknown},
    };
    for (const auto &k : kinds) {
        SCOPED_TRACE(k.name);
        EXPECT_EQ(iiif::documentKind(k.json), k.kind);
    }

    const auto c2 = iiif::readCollection(kCollection2);
    ASSERT_TRUE(c2);
    EXPECT_EQ(c2->label, QStringLiteral("Cartes de France"));
    ASSERT_EQ(c2->entries.size(), 2);
    EXPECT_EQ(c2->entries[0].address, QStringLiteral("http://127.0.0.1/m1.json"));
    EXPECT_FALSE(c2->entries[0].collection);
    EXPECT_TRUE(c2->entries[1].collection);
    const auto c3 = iiif::readCollection(kCollection3);
    ASSERT_TRUE(c3);
    ASSERT_EQ(c3->entries.size(), 2);
    EXPECT_EQ(c3->entries[0].label, QStringLiteral("Plan de Lille"));
    EXPECT_EQ(c3->entries[1].address, QStringLiteral("http://127.0.0.1/m/2"));
    QString why;
    EXPECT_FALSE(iiif::readCollection(R"({"type": "Collection", "items": []})", &why));
    EXPECT_FALSE(why.isEmpty());

    // A login service listed before the image's (untyped, or typed by its profile), and a
    // canvas without an image between two that have one.
    const char kServices[] = R"({"@type": "sc:Manifest", "label": "Services", "sequences": [{"canvases": [
        {"width": 10, "height": 10, "images": [{"resource": {"service": [
            {"@id": "http://127.0.0.1/login", "profile": "http://iiif.io/api/auth/1/login"},
            {"@id": "http://127.0.0.1/a", "profile": "http://iiif.io/api/image/2/level1.json"}]}}]},
        {"width": 10, "height": 10, "images": []},
        {"width": 10, "height": 10, "images": [{"resource": {"service": [
            {"@id": "http://127.0.0.1/auth", "label": "Connexion"},
            {"@context": "http://iiif.io/api/image/2/context.json", "@id": "http://127.0.0.1/b"}]}}]}]}]})";
    const auto m = iiif::readManifest(kServices);
    ASSERT_TRUE(m);
    ASSERT_EQ(m->images.size(), 3);
    EXPECT_EQ(m->images[0].imageBase, QStringLiteral("http://127.0.0.1/a"));
    EXPECT_TRUE(m->images[1].imageBase.isEmpty());
    EXPECT_FALSE(m->images[1].why.isEmpty());
    EXPECT_EQ(m->images[2].imageBase, QStringLiteral("http://127.0.0.1/b"));
}

TEST(IiifFetcherTest, RetryAfterIsBounded)
{
    EXPECT_EQ(PacedFetcher::retryDelaySeconds("1", 1), 1);
    EXPECT_EQ(PacedFetcher::retryDelaySeconds(" 30 ", 2), 30);
    EXPECT_EQ(PacedFetcher::retryDelaySeconds("3600", 1), 60);
    EXPECT_EQ(PacedFetcher::retryDelaySeconds("", 1), 5);
    EXPECT_EQ(PacedFetcher::retryDelaySeconds("bientôt", 2), 10);
    EXPECT_EQ(PacedFetcher::retryDelaySeconds("", 3), 20);
    const QByteArray soon = QDateTime::currentDateTimeUtc().addSecs(20).toString(Qt::RFC2822Date).toLatin1();
    EXPECT_NEAR(PacedFetcher::retryDelaySeconds(soon, 1), 20, 2);
    const QByteArray past = QDateTime::currentDateTimeUtc().addSecs(-20).toString(Qt::RFC2822Date).toLatin1();
    EXPECT_EQ(PacedFetcher::retryDelaySeconds(past, 1), 0);
}

TEST(AddedMapsTest, FileRoundTripAndSheetsByFolderSuffix)
{
    QTemporaryDir root;
    catalogue::AddedMaps maps;
    const int first = maps.addArchiveMap(QStringLiteral("Atlas\tde Trudaine"),
                                         {{QStringLiteral("http://h/a"), QSize(1000, 700)},
                                          {QStringLiteral("http://h/b"), QSize(900, 600)}});
    const int second = maps.addArchiveMap(QStringLiteral("Plan"), {{QStringLiteral("http://h/c"), QSize(10, 20)}});
    EXPECT_EQ(first, 1925);
    EXPECT_EQ(second, 1926);
    maps.setSheet(SheetId::cassini(editions::kColour, 57),
                  {QStringLiteral("https://gallica.bnf.fr/iiif/ark:/12148/x/f1"), QSize(14000, 9800)});
    ASSERT_TRUE(maps.save(root.path()));

    catalogue::AddedMaps again;
    again.load(root.path());
    EXPECT_EQ(again.maps(), maps.maps());
    EXPECT_EQ(again.addedTitles(), QStringList({QStringLiteral("Atlas de Trudaine"), QStringLiteral("Plan")}));
    EXPECT_EQ(again.sheet(SheetId::archive(1925, 2))->address,
              QStringLiteral("http://h/b"));
    EXPECT_FALSE(again.sheet(SheetId::archive(1925, 3)));
    EXPECT_EQ(again.sheet(SheetId::cassini(editions::kColour, 57))->size,
              QSize(14000, 9800));
    EXPECT_FALSE(again.sheet(SheetId::cassini(editions::kBlackAndWhite, 57)));

    // Lines that cannot be read are left out; the added maps keep a list without gaps.
    for (const QString &bad : {QStringLiteral("Archives Bnf\t1927"), QStringLiteral("Ailleurs\t3\tt\thttp://h\t1 x 1"),
                               QStringLiteral("Archives Bnf\tx\tt\thttp://h\t1 x 1"),
                               QStringLiteral("Archives Bnf\t1930\tt\thttp://h\tgrand")})
        EXPECT_FALSE(catalogue::AddedMaps::fromLine(bad)) << bad.toStdString();
}

// Each sheet keeps the grid of its plan as a third field; lines written before it was kept
// read as before and their sheets count as 26 x 26.
TEST(AddedMapsTest, GridOfEachSheetRoundTripsAndOlderLinesMeanTheWholeGrid)
{
    const QString a = QStringLiteral("http://h/a"), b = QStringLiteral("https://h/iiif?IIIF=b.tif");
    struct Case {
        QString line;
        QList<source::SheetSource> sheets;
        QList<QSize> grids;   // what each sheet counts
    } cases[] = {
        {QStringLiteral("Archives Bnf\t1925\tt\t%1\t3000 x 2000").arg(a), {{a, QSize(3000, 2000), {}}}, {{26, 26}}},
        {QStringLiteral("Archives Bnf\t1925\tt\t%1\t3000 x 2000\tgrille 12 x 8").arg(a),
         {{a, QSize(3000, 2000), QSize(12, 8)}}, {{12, 8}}},
        {QStringLiteral("Archives Bnf\t1925\tt\t%1\t3000 x 2000\tgrille 12 x 8\t%2\t700 x 500").arg(a, b),
         {{a, QSize(3000, 2000), QSize(12, 8)}, {b, QSize(700, 500), {}}}, {{12, 8}, {26, 26}}},
        {QStringLiteral("Archives Bnf\t1925\tt\t%1\t3000 x 2000\t%2\t700 x 500\tgrille 3 x 2").arg(a, b),
         {{a, QSize(3000, 2000), {}}, {b, QSize(700, 500), QSize(3, 2)}}, {{26, 26}, {3, 2}}},
        {QStringLiteral("Cassini couleurs\t57\tt\t%1\t14000 x 9800\tgrille 26 x 19").arg(a),
         {{a, QSize(14000, 9800), QSize(26, 19)}}, {{26, 19}}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.line.toStdString());
        const auto map = catalogue::AddedMaps::fromLine(c.line);
        ASSERT_TRUE(map);
        EXPECT_EQ(map->sheets, c.sheets);
        for (int i = 0; i < c.grids.size(); ++i)
            EXPECT_EQ(map->sheets[i].tileGrid(), c.grids[i]);
        EXPECT_EQ(catalogue::AddedMaps::line(*map), c.line);
    }
    for (const QString &bad : {QStringLiteral("Archives Bnf\t1925\tt\t%1\t1 x 1\tgrille 0 x 8"),
                               QStringLiteral("Archives Bnf\t1925\tt\t%1\t1 x 1\tgrille 27 x 8"),
                               QStringLiteral("Archives Bnf\t1925\tt\t%1\t1 x 1\tgrille 12"),
                               QStringLiteral("Archives Bnf\t1925\tt\t%1\t1 x 1\tgrille 12 x 8\tgrille 12 x 8")})
        EXPECT_FALSE(catalogue::AddedMaps::fromLine(bad.arg(a))) << bad.toStdString();

    // The grid made by a download is kept for the sheet it belongs to, and in the file.
    QTemporaryDir root;
    catalogue::AddedMaps maps;
    maps.addArchiveMap(QStringLiteral("Atlas"), {{a, QSize(3000, 2000), {}}, {b, QSize(700, 500), {}}});
    EXPECT_TRUE(maps.setTileGrid(SheetId::archive(1925, 2), QSize(3, 2)));
    EXPECT_FALSE(maps.setTileGrid(SheetId::archive(1925, 2), QSize(3, 2)));   // unchanged
    EXPECT_FALSE(maps.setTileGrid(SheetId::archive(1925, 3), QSize(3, 2)));   // no such sheet
    EXPECT_FALSE(maps.setTileGrid(SheetId::archive(1925, 1), QSize(27, 2)));
    ASSERT_TRUE(maps.save(root.path()));
    catalogue::AddedMaps again;
    again.load(root.path());
    EXPECT_EQ(again.tileGrid(SheetId::archive(1925, 1)), QSize(26, 26));
    EXPECT_EQ(again.tileGrid(SheetId::archive(1925, 2)), QSize(3, 2));
    EXPECT_EQ(again.tileGrid(SheetId::archive(12, 1)), QSize(26, 26));
}

} // namespace

// Canvases as the Presentation API also writes them: a plain picture without image service
// (versions 2 and 3), and a SpecificResource holding the image in its source with a
// selector (a region, a rotation), in both versions. Each becomes a sheet address that
// keeps what the canvas shows.
TEST(IiifManifestTest, PlainPicturesAndSelectedPartsBecomeSheets)
{
    const QString v3 = QStringLiteral(R"({"@context": "http://iiif.io/api/presentation/3/context.json",
        "type": "Manifest", "label": {"fr": ["Essai"]}, "items": [{"type": "Canvas", "width": 640, "height": 450,
        "items": [{"type": "AnnotationPage", "items": [{"type": "Annotation", "motivation": "painting",
        "body": %1}]}]}]})");
    const QString v2 = QStringLiteral(R"({"@context": "http://iiif.io/api/presentation/2/context.json",
        "@type": "sc:Manifest", "label": "Essai", "sequences": [{"canvases": [{"@type": "sc:Canvas",
        "width": 640, "height": 450, "images": [{"@type": "oa:Annotation", "motivation": "sc:painting",
        "resource": %1}]}]}]})");
    const QString service3 = QStringLiteral(R"({"id": "http://127.0.0.1/svc", "type": "ImageService3", "profile": "level1"})");
    struct Case {
        const char *name;
        const QString *shape;
        QString body;
        QString address;   // empty: no image
    };
    const Case cases[] = {
        {"plain picture, version 3", &v3,
         R"({"id": "http://127.0.0.1/p/plan.jpg", "type": "Image", "format": "image/jpeg", "width": 640, "height": 450})",
         QStringLiteral("http://127.0.0.1/p/plan.jpg#image")},
        {"plain picture, version 2", &v2,
         R"({"@id": "http://127.0.0.1/p/page1-full.png", "@type": "dctypes:Image", "format": "image/png"})",
         QStringLiteral("http://127.0.0.1/p/page1-full.png#image")},
        {"image service as ever", &v3,
         QStringLiteral(R"({"id": "http://127.0.0.1/svc/full/max/0/default.jpg", "type": "Image", "service": [%1]})").arg(service3),
         QStringLiteral("http://127.0.0.1/svc")},
        {"rotation by an Image API selector", &v3,
         QStringLiteral(R"({"type": "SpecificResource", "source": {"id": "http://127.0.0.1/svc/full/max/0/default.jpg",
            "type": "Image", "service": [%1]}, "selector": {"type": "iiif:ImageApiSelector", "rotation": "90"}})")
             .arg(service3),
         QStringLiteral("http://127.0.0.1/svc#rotation=90")},
        {"region by an Image API selector", &v3,
         QStringLiteral(R"({"type": "SpecificResource", "source": {"id": "http://127.0.0.1/svc/full/max/0/default.jpg",
            "type": "Image", "service": [%1]}, "selector": {"type": "ImageApiSelector", "region": "xywh=0,0,1000,1000"}})")
             .arg(service3),
         QStringLiteral("http://127.0.0.1/svc#xywh=0,0,1000,1000")},
        {"region of a plain picture by a fragment", &v3,
         R"({"type": "SpecificResource", "source": {"id": "http://127.0.0.1/p/plan.jpg", "type": "Image"},
            "selector": {"type": "FragmentSelector", "value": "xywh=10,20,300,400"}})",
         QStringLiteral("http://127.0.0.1/p/plan.jpg#image&xywh=10,20,300,400")},
        {"version 2 specific resource, region and rotation", &v2,
         R"({"@type": "oa:SpecificResource", "full": {"@id": "http://127.0.0.1/svc/full/full/0/default.jpg",
            "service": {"@id": "http://127.0.0.1/svc", "profile": "http://iiif.io/api/image/2/level2.json"}},
            "selector": {"@type": "iiif:ImageApiSelector", "region": "5,6,70,80", "rotation": "180"}})",
         QStringLiteral("http://127.0.0.1/svc#xywh=5,6,70,80&rotation=180")},
        {"a sound is no picture", &v3, R"({"id": "http://127.0.0.1/p/voix.mp3", "type": "Sound", "format": "audio/mpeg"})",
         QString()},
        {"a picture on no web address", &v3, R"({"id": "urn:picture:1", "type": "Image"})", QString()},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        QString why;
        const auto manifest = iiif::readManifest(c.shape->arg(c.body).toUtf8(), &why);
        if (c.address.isEmpty()) {
            EXPECT_FALSE(manifest);
            EXPECT_EQ(why, QStringLiteral("manifeste sans image IIIF"));
            continue;
        }
        ASSERT_TRUE(manifest) << why.toStdString();
        ASSERT_EQ(manifest->images.size(), 1);
        EXPECT_EQ(manifest->images[0].imageBase, c.address);
        EXPECT_EQ(QSize(manifest->images[0].width, manifest->images[0].height), QSize(640, 450));
        // The address keeps all of it through the added-maps file's own reading.
        const iiif::SheetAddress read = iiif::SheetAddress::parse(c.address);
        EXPECT_EQ(read.text(), c.address);
        EXPECT_FALSE(read.url.contains(u'#'));
    }
}

// The plan of a selected part: the sheet is the region turned, cut on a grid of its own;
// each tile is made of the answers that cover its part before the turn, whatever the server
// (regions asked, static tiles, one whole picture).
TEST(IiifPlanTest, SelectedPartsAreCutFromTheAnswersThatCoverThem)
{
    iiif::ImageInfo level2 = info(2, 2, 1000, 800, 256, {1, 2, 4});
    iiif::ImageInfo level0 = info(2, 0, 1000, 800, 256, {1, 2, 4});
    iiif::ImageInfo whole;
    whole.width = 1000;
    whole.height = 800;
    whole.sizes << QSize(500, 400);
    struct Case {
        const char *name;
        const iiif::ImageInfo *info;
        iiif::Selector selector;
        QSize sheet;
        // The first tile's pieces: address and part of the answer, placed at.
        QList<source::TilePiece> first;
    };
    const Case cases[] = {
        {"regions, turned a quarter", &level2, {QRect(100, 50, 600, 400), 90}, QSize(400, 600),
         {{QStringLiteral("B/100,194,256,256/full/0/default.jpg"), QRect(0, 0, 256, 256), QPoint(), QSize(256, 256), QSize(0, 0)}}},
        {"regions, upside down", &level2, {QRect(), 180}, QSize(1000, 800),
         {{QStringLiteral("B/744,544,256,256/full/0/default.jpg"), QRect(0, 0, 256, 256), QPoint(), QSize(256, 256), QSize(0, 0)}}},
        {"static tiles, off their grid", &level0, {QRect(200, 100, 300, 300), 0}, QSize(300, 300),
         {{QStringLiteral("B/0,0,256,256/256,/0/default.jpg"), QRect(200, 100, 56, 156), QPoint(0, 0), QSize(256, 256), QSize(0, 0)},
          {QStringLiteral("B/256,0,256,256/256,/0/default.jpg"), QRect(0, 100, 200, 156), QPoint(56, 0), QSize(256, 256), QSize(0, 0)},
          {QStringLiteral("B/0,256,256,256/256,/0/default.jpg"), QRect(200, 0, 56, 100), QPoint(0, 156), QSize(256, 256), QSize(0, 0)},
          {QStringLiteral("B/256,256,256,256/256,/0/default.jpg"), QRect(0, 0, 200, 100), QPoint(56, 156), QSize(256, 256), QSize(0, 0)}}},
        {"one whole picture, a region turned back", &whole, {QRect(16, 32, 512, 256), 270}, QSize(256, 512),
         {{QStringLiteral("B/full/full/0/default.jpg"), QRect(16, 32, 512, 256), QPoint(), QSize(1000, 800), QSize(0, 0)}}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        QString why;
        const auto plan = iiif::planTiles(*c.info, QStringLiteral("B"), &why, c.selector);
        ASSERT_TRUE(plan) << why.toStdString();
        EXPECT_EQ(plan->sheetSize(), c.sheet);
        source::IiifSource source(*plan);
        EXPECT_EQ(source.rotation(), c.selector.rotation);
        // The tiles of the first row and column span the sheet; each tile's part before the
        // turn has the tile's size, turned.
        int width = 0, height = 0;
        for (int column = 0; column < plan->columns; ++column)
            width += plan->tileSize(column, 0).width();
        for (int row = 0; row < plan->rows; ++row)
            height += plan->tileSize(0, row).height();
        EXPECT_EQ(QSize(width, height), c.sheet);
        for (int row = 0; row < plan->rows; ++row)
            for (int column = 0; column < plan->columns; ++column) {
                const QSize part = plan->unturned(column, row).size();
                EXPECT_EQ(c.selector.rotation % 180 ? part.transposed() : part, plan->tileSize(column, row));
            }
        const QList<source::TilePiece> pieces = source.pieces({0, 0});
        EXPECT_EQ(pieces, c.first);
    }
    // Parts outside the picture, and turns that are no quarter, are refused with a reason.
    for (const iiif::Selector &refused : {iiif::Selector{QRect(2000, 0, 10, 10), 0}, iiif::Selector{QRect(), 45}}) {
        QString why;
        EXPECT_FALSE(iiif::planTiles(level2, QStringLiteral("B"), &why, refused));
        EXPECT_FALSE(why.isEmpty());
    }
}
