// Downloads of sheets served by IIIF servers, through the download engine, from real
// servers on 127.0.0.1: static trees written by libvips (Image API 2 and 3) served by
// Python's http.server, plain and over https; iipsrv behind lighttpd; scripted answers
// (404, 429 with Retry-After, connections closed between tiles).

#include "IiifServers.h"
#include "session/AppContext.h"
#include "session/SettingsStore.h"
#include "download/DownloadEngine.h"
#include "download/DownloadList.h"
#include "source/iiif/IiifReader.h"
#include "source/iiif/IiifSource.h"
#include "source/SourceRunner.h"
#include "source/RefusalStreak.h"
#include "source/RetryCountdown.h"
#include "support/EngineRig.h"
#include "net/PacedFetcher.h"
#include "net/TestServer.h"
#include "support/Wait.h"
#include "store/TileStore.h"
#include "imaging/Jpeg.h"
#include "support/TestFiles.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <functional>
#include <QPainter>
#include <QSet>
#include <QTransform>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace testing_support;
using source::RowState;
using source::TileRect;

namespace {

// How the engine's last run cut the picture of an IIIF server; nothing when it read no
// description of one.
std::optional<iiif::TilePlan> iiifPlanOf(DownloadEngine &engine)
{
    const auto *iiif = dynamic_cast<const source::IiifSource *>(engine.sourceRunner().source());
    if (!iiif)
        return std::nullopt;
    return iiif->tilePlan();
}

class IiifDownloadTest : public ::testing::Test {
protected:
    IiifDownloadTest()
    {
        QObject::connect(&engine, &DownloadEngine::tileDone,
                         [this](int row, const QString &, RowState state) { states[row] = state; });
        QObject::connect(&engine, &DownloadEngine::captionChanged, [this](const QString &c) { caption = c; });
    }

    // Adds a map of one sheet served at `base` and selects it.
    void selectAddedMap(const QString &base, QSize size = {})
    {
        rig.addMapAndSelect({{base, size}});
    }
    QString folder() const { return program.path() + QStringLiteral("/Archives Bnf/Carte1925/F001"); }

    bool runAndWait(const TileRect &rect = {}, int milliseconds = 60000)
    {
        states.clear();
        const EngineRig::Run run = rig.run(rect, milliseconds);
        if (run.started)
            EXPECT_TRUE(run.ended);
        return run.started;
    }
    int count(RowState state) const
    {
        int n = 0;
        for (RowState s : states)
            n += s == state;
        return n;
    }
    // The stored tiles joined in their grid.
    QImage joinedSheet(int columns, int rows) const
    {
        QList<QImage> tiles;
        int width = 0, height = 0;
        for (int r = 0; r < rows; ++r)
            for (int c = 0; c < columns; ++c) {
                QImage tile(store::tilePath(folder(), c, r));
                tiles << tile;
                if (r == 0)
                    width += tile.width();
                if (c == 0)
                    height += tile.height();
            }
        QImage sheet(width, height, QImage::Format_RGB32);
        sheet.fill(Qt::black);
        QPainter p(&sheet);
        int y = 0;
        for (int r = 0; r < rows; ++r) {
            int x = 0;
            for (int c = 0; c < columns; ++c) {
                const QImage &tile = tiles[r * columns + c];
                p.drawImage(x, y, tile);
                x += tile.width();
            }
            y += tiles[r * columns].height();
        }
        return sheet;
    }
    QStringList leftovers() const { return QDir(folder()).entryList({"*.part"}, QDir::Files); }

    QTemporaryDir program, work;
    ScriptedDesktop desktop;
    EngineRig rig{desktop, program.path()};
    ScriptedConnection &connection = rig.connection;
    AppContext &context = rig.context;
    download::DownloadList &list = rig.list;
    DownloadEngine &engine = rig.engine;
    QMap<int, RowState> states;
    QString caption;
};

// Static trees of a picture that is not a multiple of the tile size: one server tile per
// tile of the sheet, all over one kept-alive connection, joined they give the picture.
TEST_F(IiifDownloadTest, StaticTreesOfBothVersionsInstallWholeOverOneConnection)
{
    REQUIRE_PROGRAM(QStringLiteral("vips"));
    REQUIRE_PROGRAM(QStringLiteral("python3"));
    const QImage picture = makeSmoothPicture(1000, 700);
    for (const QString layout : {QStringLiteral("iiif"), QStringLiteral("iiif3")}) {
        SCOPED_TRACE(layout.toStdString());
        const QString root = work.filePath(layout);
        QDir().mkpath(root);
        QString error;
        ASSERT_TRUE(writeVipsTree(picture, root + QStringLiteral("/map"), layout, 256, &error)) << error.toStdString();
        PythonServer server;
        ASSERT_TRUE(server.start(root, {}, &error)) << error.toStdString();
        QDir(folder()).removeRecursively();
        // A new map in a new file: the file is merged at every save, so the last layout's
        // map would come back at this position.
        QFile::remove(catalogue::AddedMaps::filePath(context.mapsRoot()));
        context.addedMaps() = catalogue::AddedMaps();
        selectAddedMap(server.base() + QStringLiteral("/map"), QSize(1000, 700));

        ASSERT_TRUE(runAndWait());
        EXPECT_EQ(count(RowState::Downloaded), 12);             // 4 x 3 tiles of 256
        // A sheet added without its grid: the cells past the plan's are never asked for, and
        // do not read as failures.
        EXPECT_EQ(count(RowState::OutsidePicture), 676 - 12);
        EXPECT_EQ(count(RowState::Missing), 0);
        // The plan's grid is kept with the sheet, in the file too.
        EXPECT_EQ(context.selectedTileGrid(), QSize(4, 3));
        catalogue::AddedMaps kept;
        kept.load(program.path() + u'/');
        EXPECT_EQ(kept.tileGrid(SheetId::archive(1925, 1)), QSize(4, 3));
        EXPECT_EQ(server.paths().size(), 1 + 12);
        EXPECT_EQ(server.connectionCount(), 1);
        EXPECT_EQ(store::tileCount(folder()), 12);
        EXPECT_LT(meanDifference(joinedSheet(4, 3), picture), 3.0);
        EXPECT_TRUE(leftovers().isEmpty());
        EXPECT_EQ(caption, QStringLiteral("Arrêt carte n° 1925\\F001. Nouvelle sélection = carte n° 1925\\F001"));
        EXPECT_FALSE(engine.active());
        EXPECT_EQ(engine.statusText(), QStringLiteral("Déconnecté"));

        // A second run finds every tile in place.
        ASSERT_TRUE(runAndWait());
        EXPECT_EQ(count(RowState::AlreadyInstalled), 12);
        EXPECT_EQ(server.paths().size(), 1 + 12 + 1);
    }
}

// iipsrv cuts any region: the picture is kept at full size; its base address carries a query.
TEST_F(IiifDownloadTest, IipsrvBehindLighttpdInstallsAtFullSize)
{
    REQUIRE_PROGRAM(QStringLiteral("vips"));
    REQUIRE_PROGRAM(QStringLiteral("lighttpd"));
    REQUIRE_PROGRAM(QStringLiteral("/usr/lib/iipimage-server/iipsrv.fcgi"));
    const QImage picture = makeSmoothPicture(3000, 2000);
    const QString images = work.filePath(QStringLiteral("images"));
    QDir().mkpath(images);
    QString error;
    ASSERT_TRUE(writePyramidalTiff(picture, images + QStringLiteral("/carte.tif"), 256, &error)) << error.toStdString();
    IipServer server;
    ASSERT_TRUE(server.start(images, work.path(), &error)) << error.toStdString();
    selectAddedMap(server.imageBase(QStringLiteral("carte.tif")));

    ASSERT_TRUE(runAndWait());
    const auto plan = iiifPlanOf(engine);
    ASSERT_TRUE(plan);
    EXPECT_TRUE(plan->cutsRegions);
    EXPECT_EQ(plan->scale, 1);
    EXPECT_EQ(plan->cell, QSize(256, 256));   // 3000 / 26 = 116, rounded up to the server's tile
    EXPECT_EQ(count(RowState::Downloaded), 12 * 8);
    EXPECT_EQ(store::tileCount(folder()), 12 * 8);
    EXPECT_LT(meanDifference(joinedSheet(12, 8), picture), 4.0);
}

// A static tree too large for 26 x 26 of its tiles at full size: its half size fits.
TEST_F(IiifDownloadTest, StaticTreeTooLargeAtFullSizeInstallsAtHalfSize)
{
    REQUIRE_PROGRAM(QStringLiteral("vips"));
    REQUIRE_PROGRAM(QStringLiteral("python3"));
    const QImage picture = makeSmoothPicture(26 * 64 + 40, 300);
    const QString root = work.filePath(QStringLiteral("large"));
    QDir().mkpath(root);
    QString error;
    ASSERT_TRUE(writeVipsTree(picture, root + QStringLiteral("/map"), QStringLiteral("iiif"), 64, &error));
    PythonServer server;
    ASSERT_TRUE(server.start(root, {}, &error)) << error.toStdString();
    selectAddedMap(server.base() + QStringLiteral("/map"));

    ASSERT_TRUE(runAndWait());
    const auto plan = iiifPlanOf(engine);
    ASSERT_TRUE(plan);
    EXPECT_EQ(plan->scale, 2);
    EXPECT_EQ(plan->columns, 14);
    EXPECT_EQ(plan->rows, 3);
    EXPECT_EQ(count(RowState::Downloaded), 14 * 3);
    const QImage half = picture.scaled(plan->sheetSize(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    EXPECT_LT(meanDifference(joinedSheet(14, 3), half), 6.0);
}

// Writes `picture` as a JPEG file at `path` under `root`, as a server would answer that request.
void serveFile(const QString &root, const QString &path, const QImage &picture)
{
    const QString file = root + path;
    QDir().mkpath(QFileInfo(file).path());
    ASSERT_TRUE(picture.save(file, "JPEG", 95)) << file.toStdString();
}

// Descriptions as libraries write them, with the answers of their servers, served on
// 127.0.0.1: every sheet installs whole, at the size its reading announced, and joined its
// tiles equal the server's pixels.
TEST_F(IiifDownloadTest, DescriptionsAsLibrariesPublishThemInstallTheServersPixels)
{
    REQUIRE_PROGRAM(QStringLiteral("python3"));
    const QImage picture = makeSmoothPicture(700, 501);
    struct Case {
        const char *name;
        const char *info;     // written at <case>/<infoFolder>/info.json
        const char *infoFolder;
        QSize sheet;          // announced and installed
        QSize grid;
        // Writes the server's answers under the case's folder.
        std::function<void(const QString &folder)> answers;
        QStringList serverArguments;
        const QImage *source;   // the picture the server shows
    };
    // Any region, asked at full size as "full": the same region asked by width alone is
    // answered one row short, as a server that rounds heights down does.
    auto regions = [&](const QString &into) {
        for (int y = 0; y < picture.height(); y += 256)
            for (int x = 0; x < picture.width(); x += 256) {
                const QRect r = QRect(x, y, 256, 256) & picture.rect();
                const QString region = QStringLiteral("/%1,%2,%3,%4/").arg(x).arg(y).arg(r.width()).arg(r.height());
                serveFile(into, region + QStringLiteral("full/0/default.jpg"), picture.copy(r));
                serveFile(into, region + QStringLiteral("%1,/0/default.jpg").arg(r.width()),
                          picture.copy(r).scaled(r.width(), r.height() - 1));
            }
    };
    // Static tiles at half size named by width, the heights rounded down by the server.
    const QImage wide = makeSmoothPicture(26 * 64 + 40, 301);
    auto halfTiles = [&](const QString &into) {
        for (int y = 0; y < wide.height(); y += 128)
            for (int x = 0; x < wide.width(); x += 128) {
                const QRect r = QRect(x, y, 128, 128) & wide.rect();
                const int w = (r.width() + 1) / 2, h = r.height() / 2;
                serveFile(into,
                          QStringLiteral("/%1,%2,%3,%4/%5,/0/default.jpg").arg(x).arg(y).arg(r.width()).arg(r.height()).arg(w),
                          wide.copy(r).scaled(w, h, Qt::IgnoreAspectRatio, Qt::SmoothTransformation));
            }
    };
    const Case cases[] = {
        {"level 2 at full size", R"({"@context": "http://iiif.io/api/image/2/context.json",
            "@id": "http://127.0.0.1/x", "protocol": "http://iiif.io/api/image", "width": 700, "height": 501,
            "tiles": [{"width": 256, "scaleFactors": [1, 2]}], "profile": ["http://iiif.io/api/image/2/level2.json"]})",
         "map", QSize(700, 501), QSize(3, 2), regions, {}, &picture},
        {"level 0 at half size, heights rounded down", R"({"@context": "http://iiif.io/api/image/2/context.json",
            "width": 1704, "height": 301, "tiles": [{"width": 64, "scaleFactors": [1, 2]}],
            "profile": ["http://iiif.io/api/image/2/level0.json"]})",
         "map", QSize(852, 151), QSize(14, 3), halfTiles, {}, &wide},
        {"description moved by a redirect", R"({"@context": "http://iiif.io/api/image/2/context.json",
            "width": 700, "height": 501, "tiles": [{"width": 256, "scaleFactors": [1]}],
            "profile": ["http://iiif.io/api/image/2/level1.json"]})",
         "new", QSize(700, 501), QSize(3, 2), regions,
         // Only the description moved: tiles asked at the old base find nothing.
         {QStringLiteral("--redirect"), QStringLiteral("/old/info.json=/new/info.json")}, &picture},
        {"sizes only, smaller than the width allowed", R"({"@context": "http://iiif.io/api/image/3/context.json",
            "type": "ImageService3", "profile": "level0", "width": 700, "height": 501, "maxWidth": 400,
            "sizes": [{"width": 175, "height": 125}, {"width": 350, "height": 250}]})",
         "map", QSize(350, 250), QSize(1, 1), [&](const QString &into) {
             serveFile(into, QStringLiteral("/full/350,250/0/default.jpg"),
                       picture.scaled(350, 250, Qt::IgnoreAspectRatio, Qt::SmoothTransformation));
         }, {}, &picture},
    };
    int index = 0;
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        const QString root = work.filePath(QStringLiteral("shape%1").arg(++index));
        const QString served = root + u'/' + QString::fromUtf8(c.infoFolder);
        QDir().mkpath(served);
        c.answers(served);
        writeFile(served + QStringLiteral("/info.json"), QByteArray(c.info));
        const bool moved = !c.serverArguments.isEmpty();
        PythonServer server;
        QString error;
        ASSERT_TRUE(server.start(root, c.serverArguments, &error)) << error.toStdString();
        const QString base = server.base() + (moved ? QStringLiteral("/old") : u'/' + QString::fromUtf8(c.infoFolder));

        // Reading the address announces the size that will be installed.
        PacedFetcher fetcher;
        IiifReader reader(fetcher);
        QList<source::SheetSource> sheets;
        QString failure;
        bool ended = false;
        QObject::connect(&reader, &IiifReader::done, [&](const QString &, const QList<source::SheetSource> &s) {
            sheets = s;
            ended = true;
        });
        QObject::connect(&reader, &IiifReader::failed, [&](const QString &text) {
            failure = text;
            ended = true;
        });
        reader.read(*iiif::parseAddress(base));
        ASSERT_TRUE(waitUntil([&] { return ended; }, 60000));
        ASSERT_TRUE(failure.isEmpty()) << failure.toStdString();
        ASSERT_EQ(sheets.size(), 1);
        EXPECT_EQ(sheets[0].size, c.sheet);
        EXPECT_EQ(sheets[0].grid, c.grid);

        // The run asks where the description was found and installs every tile.
        QDir(folder()).removeRecursively();
        context.addedMaps() = {};
        selectAddedMap(base);
        ASSERT_TRUE(runAndWait());
        const auto plan = iiifPlanOf(engine);
        ASSERT_TRUE(plan);
        EXPECT_EQ(plan->sheetSize(), c.sheet);
        EXPECT_EQ(count(RowState::Downloaded), c.grid.width() * c.grid.height()) << caption.toStdString();
        EXPECT_EQ(count(RowState::Missing), 0);
        const QImage joined = joinedSheet(c.grid.width(), c.grid.height());
        ASSERT_EQ(joined.size(), c.sheet);
        EXPECT_LT(meanDifference(joined, c.source->scaled(c.sheet, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)), 5.0);
    }
}

// Documents at every address libraries give them, told apart by their content: manifests
// without ".json", an image description under a manifest's name, an id without extension,
// a collection whose manifest the person picks; a login service listed before the image's,
// and a canvas without an image that keeps its number.
TEST_F(IiifDownloadTest, ReaderKnowsDocumentsByTheirContentWhateverTheirAddress)
{
    REQUIRE_PROGRAM(QStringLiteral("python3"));
    const QString root = work.filePath(QStringLiteral("documents"));
    PythonServer server;
    QString error;
    QDir().mkpath(root);
    ASSERT_TRUE(server.start(root, {}, &error)) << error.toStdString();
    const QString host = server.base();
    auto info = [&](const QString &id, int width) {
        return QStringLiteral(R"({"@context": "http://iiif.io/api/image/2/context.json", "@id": "%1",
            "protocol": "http://iiif.io/api/image", "width": %2, "height": 501,
            "tiles": [{"width": 256, "scaleFactors": [1, 2]}], "profile": ["http://iiif.io/api/image/2/level1.json"]})")
            .arg(id)
            .arg(width)
            .toUtf8();
    };
    writeFile(root + QStringLiteral("/img/info.json"), info(host + QStringLiteral("/img"), 700));
    writeFile(root + QStringLiteral("/img2/info.json"), info(host + QStringLiteral("/img2"), 600));
    const QByteArray manifest2 = QStringLiteral(R"({"@context": "http://iiif.io/api/presentation/2/context.json",
        "@type": "sc:Manifest", "label": "Carte en deux", "sequences": [{"canvases": [
        {"width": 700, "height": 501, "images": [{"resource": {"service": {"@id": "%1/img",
            "profile": "http://iiif.io/api/image/2/level1.json"}}}]}]}]})").arg(host).toUtf8();
    // A login service first, a canvas without image, then an image service typed by version 3.
    const QByteArray manifest3 = QStringLiteral(R"({"@context": "http://iiif.io/api/presentation/3/context.json",
        "type": "Manifest", "label": {"fr": ["Plan en trois vues"]}, "items": [
        {"type": "Canvas", "width": 700, "height": 501, "items": [{"type": "AnnotationPage", "items": [{
            "type": "Annotation", "body": {"type": "Image", "service": [
                {"@id": "%1/login", "profile": "http://iiif.io/api/auth/1/login", "label": "Se connecter"},
                {"id": "%1/img", "type": "ImageService2"}]}}]}]},
        {"type": "Canvas", "width": 10, "height": 10, "items": []},
        {"type": "Canvas", "width": 600, "height": 501, "items": [{"type": "AnnotationPage", "items": [{
            "type": "Annotation", "body": {"type": "Image", "service": [
                {"@id": "%1/auth"}, {"id": "%1/img2", "type": "ImageService3", "profile": "level1"}]}}]}]}]})")
                                    .arg(host)
                                    .toUtf8();
    writeFile(root + QStringLiteral("/iiif/manifest/5b1e6c2a.json"), manifest3);
    writeFile(root + QStringLiteral("/manifests/15826830.json"), manifest2);
    writeFile(root + QStringLiteral("/atlas/manifest/index.html"), manifest2);
    writeFile(root + QStringLiteral("/atlas/manifest-service.json"), info(host + QStringLiteral("/img"), 700));
    writeFile(root + QStringLiteral("/iiif/manifest/1"), manifest3);
    writeFile(root + QStringLiteral("/iiif/b7d41c"), manifest2);
    writeFile(root + QStringLiteral("/collection/top"),
              QStringLiteral(R"({"@context": "http://iiif.io/api/presentation/3/context.json", "type": "Collection",
        "label": {"fr": ["Cartes"]}, "items": [
        {"id": "%1/iiif/manifest/1", "type": "Manifest", "label": {"fr": ["Plan"]}},
        {"id": "%1/manifests/15826830.json", "type": "Manifest", "label": {"fr": ["Carte"]}}]})")
                  .arg(host)
                  .toUtf8());

    const QString img = host + QStringLiteral("/img"), img2 = host + QStringLiteral("/img2");
    struct Case {
        QString path;
        QString title;
        QStringList bases;   // empty: a canvas without image
        QString failure;
    };
    const QStringList three{img, QString(), img2};
    const Case cases[] = {
        {QStringLiteral("/iiif/manifest/5b1e6c2a.json"), QStringLiteral("Plan en trois vues"), three, {}},
        {QStringLiteral("/manifests/15826830.json"), QStringLiteral("Carte en deux"), {img}, {}},
        {QStringLiteral("/atlas/manifest/"), QStringLiteral("Carte en deux"), {img}, {}},
        {QStringLiteral("/atlas/manifest-service.json"), QStringLiteral("Carte IIIF img"), {img}, {}},
        {QStringLiteral("/iiif/manifest/1"), QStringLiteral("Plan en trois vues"), three, {}},
        {QStringLiteral("/iiif/b7d41c"), QStringLiteral("Carte en deux"), {img}, {}},
        {QStringLiteral("/collection/top"), QStringLiteral("Carte en deux"), {img}, {}},
        {QStringLiteral("/iiif/missing"), {}, {}, QStringLiteral("Lecture impossible : HTTP 404")},
    };
    PacedFetcher fetcher;
    IiifReader reader(fetcher);
    QStringList offered;
    QString collectionTitle;
    reader.setChooser([&](const QString &title, const QStringList &entries) {
        collectionTitle = title;
        offered = entries;
        return 1;
    });
    for (const Case &c : cases) {
        SCOPED_TRACE(c.path.toStdString());
        QString title, failure;
        QList<source::SheetSource> sheets;
        bool ended = false;
        auto done = QObject::connect(&reader, &IiifReader::done, [&](const QString &t, const QList<source::SheetSource> &s) {
            title = t;
            sheets = s;
            ended = true;
        });
        auto failed = QObject::connect(&reader, &IiifReader::failed, [&](const QString &text) {
            failure = text;
            ended = true;
        });
        const auto address = iiif::parseAddress(host + c.path);
        ASSERT_TRUE(address);
        reader.read(*address);
        ASSERT_TRUE(waitUntil([&] { return ended; }, 60000));
        QObject::disconnect(done);
        QObject::disconnect(failed);
        EXPECT_EQ(failure, c.failure);
        if (!c.failure.isEmpty())
            continue;
        EXPECT_EQ(title, c.title);
        ASSERT_EQ(sheets.size(), c.bases.size());
        for (qsizetype i = 0; i < sheets.size(); ++i) {
            EXPECT_EQ(sheets[i].address, c.bases[i]);
            if (!c.bases[i].isEmpty())
                EXPECT_EQ(sheets[i].size.height(), 501);
        }
        if (c.bases.size() == 3)
            EXPECT_TRUE(IiifReader::summaryText(sheets).contains(QStringLiteral("vue sans image")));
    }
    EXPECT_EQ(collectionTitle, QStringLiteral("Cartes"));
    EXPECT_EQ(offered, QStringList({QStringLiteral("Plan"), QStringLiteral("Carte")}));
}

// https: the test's own certificate is trusted explicitly; without it the run is refused.
TEST_F(IiifDownloadTest, HttpsWithATrustedCertificateAndARefusedOne)
{
    REQUIRE_PROGRAM(QStringLiteral("vips"));
    REQUIRE_PROGRAM(QStringLiteral("python3"));
    REQUIRE_PROGRAM(QStringLiteral("openssl"));
    QString error, cert, key;
    ASSERT_TRUE(makeCertificate(work.path(), &cert, &key, &error)) << error.toStdString();
    const QString root = work.filePath(QStringLiteral("tls"));
    QDir().mkpath(root);
    ASSERT_TRUE(writeVipsTree(makeSmoothPicture(600, 500), root + QStringLiteral("/map"), QStringLiteral("iiif3"), 256,
                              &error));
    PythonServer server;
    ASSERT_TRUE(server.start(root, {QStringLiteral("--tls"), cert, key}, &error)) << error.toStdString();
    selectAddedMap(server.base(true) + QStringLiteral("/map"));

    ASSERT_TRUE(runAndWait());
    EXPECT_TRUE(engine.statusText().startsWith(QStringLiteral("Certificat du serveur refusé : ")))
        << engine.statusText().toStdString();
    EXPECT_EQ(store::tileCount(folder()), 0);
    EXPECT_TRUE(leftovers().isEmpty());
    EXPECT_FALSE(engine.active());
    EXPECT_FALSE(context.downloadRunning());

    const QList<QSslCertificate> trusted = QSslCertificate::fromPath(cert);
    ASSERT_EQ(trusted.size(), 1);
    engine.pacedFetcher().addTrustedCertificates(trusted);
    ASSERT_TRUE(runAndWait());
    EXPECT_EQ(engine.statusText(), QStringLiteral("Déconnecté")) << engine.statusText().toStdString();
    EXPECT_EQ(count(RowState::Downloaded), 3 * 2);
    EXPECT_EQ(store::tileCount(folder()), 6);
}

// A missing tile is "Inexistante    "; a 429 waits its Retry-After and is asked again; a
// tile still refused after three retries is "Inexistante    ".
TEST_F(IiifDownloadTest, MissingTilesAndBusyAnswers)
{
    REQUIRE_PROGRAM(QStringLiteral("vips"));
    REQUIRE_PROGRAM(QStringLiteral("python3"));
    const QString root = work.filePath(QStringLiteral("busy"));
    QDir().mkpath(root);
    QString error;
    ASSERT_TRUE(writeVipsTree(makeSmoothPicture(1000, 700), root + QStringLiteral("/map"), QStringLiteral("iiif"), 256,
                              &error));
    PythonServer server;
    ASSERT_TRUE(server.start(root,
                             {QStringLiteral("--status"), QStringLiteral("/256,0,256,256/=404"), QStringLiteral("--status"),
                              QStringLiteral("/0,256,256,256/=429:1"), QStringLiteral("--status"),
                              QStringLiteral("/512,256,256,256/=503"), QStringLiteral("--retry-after"),
                              QStringLiteral("0")},
                             &error))
        << error.toStdString();
    selectAddedMap(server.base() + QStringLiteral("/map"));

    ASSERT_TRUE(runAndWait(TileRect{0, 3, 0, 1}));
    EXPECT_EQ(states.value(1), RowState::Missing);      // BA: 404
    EXPECT_EQ(states.value(4), RowState::Downloaded);   // AB: 429 once, then the tile
    EXPECT_EQ(states.value(6), RowState::Missing);      // CB: 503 every time
    EXPECT_EQ(count(RowState::Downloaded), 6);
    EXPECT_EQ(server.paths().filter(QStringLiteral("/0,256,256,256/")).size(), 2);
    EXPECT_EQ(server.paths().filter(QStringLiteral("/512,256,256,256/")).size(), 1 + PacedFetcher::kMaxRetries);
    EXPECT_FALSE(QFile::exists(store::tilePath(folder(), 1, 0)));
    EXPECT_TRUE(leftovers().isEmpty());
}

// Retry-After is waited for: a 429 with "Retry-After: 1" delays the tile by a second.
TEST_F(IiifDownloadTest, RetryAfterOneSecondIsWaited)
{
    REQUIRE_PROGRAM(QStringLiteral("vips"));
    REQUIRE_PROGRAM(QStringLiteral("python3"));
    const QString root = work.filePath(QStringLiteral("later"));
    QDir().mkpath(root);
    QString error;
    ASSERT_TRUE(writeVipsTree(makeSmoothPicture(300, 200), root + QStringLiteral("/map"), QStringLiteral("iiif"), 256,
                              &error));
    PythonServer server;
    ASSERT_TRUE(server.start(root,
                             {QStringLiteral("--status"), QStringLiteral("/0,0,256,200/=429:1"),
                              QStringLiteral("--retry-after"), QStringLiteral("1")},
                             &error));
    selectAddedMap(server.base() + QStringLiteral("/map"));
    int retrySeconds = -1;
    QObject::connect(&engine.pacedFetcher(), &PacedFetcher::retrying, [&](int, int s) { retrySeconds = s; });
    QElapsedTimer clock;
    clock.start();
    ASSERT_TRUE(runAndWait(TileRect{0, 1, 0, 0}));
    EXPECT_EQ(retrySeconds, 1);
    EXPECT_GE(clock.elapsed(), 900);
    EXPECT_EQ(count(RowState::Downloaded), 2);
}

// A server that closes its connection after every answer, without saying so.
TEST_F(IiifDownloadTest, ServerClosingTheKeptAliveConnectionBetweenTiles)
{
    REQUIRE_PROGRAM(QStringLiteral("vips"));
    REQUIRE_PROGRAM(QStringLiteral("python3"));
    const QString root = work.filePath(QStringLiteral("closing"));
    QDir().mkpath(root);
    QString error;
    ASSERT_TRUE(writeVipsTree(makeSmoothPicture(1000, 700), root + QStringLiteral("/map"), QStringLiteral("iiif"), 256,
                              &error));
    PythonServer server;
    ASSERT_TRUE(server.start(root, {QStringLiteral("--close-each")}, &error));
    selectAddedMap(server.base() + QStringLiteral("/map"));
    ASSERT_TRUE(runAndWait());
    EXPECT_EQ(count(RowState::Downloaded), 12);
    EXPECT_EQ(store::tileCount(folder()), 12);
}

// "Requêtes simultanées": several requests at once, never more than asked; the library's
// host keeps one unless asked otherwise.
TEST_F(IiifDownloadTest, SimultaneousRequestsAreBounded)
{
    REQUIRE_PROGRAM(QStringLiteral("vips"));
    REQUIRE_PROGRAM(QStringLiteral("python3"));
    const QString root = work.filePath(QStringLiteral("parallel"));
    QDir().mkpath(root);
    QString error;
    const QImage picture = makeSmoothPicture(1600, 1200);
    ASSERT_TRUE(writeVipsTree(picture, root + QStringLiteral("/map"), QStringLiteral("iiif"), 128, &error));
    PythonServer server;
    ASSERT_TRUE(server.start(root, {}, &error));
    selectAddedMap(server.base() + QStringLiteral("/map"));
    context.setSimultaneousRequests(4, false);
    EXPECT_EQ(context.requestLimitFor(QStringLiteral("gallica.bnf.fr")), 1);
    EXPECT_EQ(context.requestLimitFor(QStringLiteral("127.0.0.1")), 4);

    ASSERT_TRUE(runAndWait());
    EXPECT_EQ(count(RowState::Downloaded), 13 * 10);
    const int connections = server.connectionCount();
    EXPECT_GE(connections, 2);
    EXPECT_LE(connections, 4);
    EXPECT_LT(meanDifference(joinedSheet(13, 10), picture), 3.0);

    context.setSimultaneousRequests(9, true);
    EXPECT_EQ(context.requestLimitFor(QStringLiteral("gallica.bnf.fr")), 8);   // at most 8
}

// "Arrêter": the requests in flight end, no other starts, the run ends.
TEST_F(IiifDownloadTest, StopEndsAfterTheTileInFlight)
{
    REQUIRE_PROGRAM(QStringLiteral("vips"));
    REQUIRE_PROGRAM(QStringLiteral("python3"));
    const QString root = work.filePath(QStringLiteral("stop"));
    QDir().mkpath(root);
    QString error;
    ASSERT_TRUE(writeVipsTree(makeSmoothPicture(1000, 700), root + QStringLiteral("/map"), QStringLiteral("iiif"), 256,
                              &error));
    PythonServer server;
    ASSERT_TRUE(server.start(root, {}, &error));
    selectAddedMap(server.base() + QStringLiteral("/map"));
    QObject::connect(&engine, &DownloadEngine::tileDone, [&](int row, const QString &, RowState) {
        if (row == 2)
            engine.stop();
    });
    ASSERT_TRUE(runAndWait());
    EXPECT_EQ(count(RowState::Downloaded), 3);
    EXPECT_EQ(server.paths().size(), 1 + 3);
    EXPECT_EQ(store::tileCount(folder()), 3);
    EXPECT_FALSE(engine.active());
}

// Misbehaving answers from a scripted server: a tile cut short is "Inexistante    " and the
// run goes on; bytes that are no picture likewise; a server that stops answering ends the
// run after the time-out, with nothing half written left behind.
TEST_F(IiifDownloadTest, CutShortGarbageAndSilence)
{
    TestServer server;
    server.tile = jpegBytes(64, 64);
    const QByteArray info = R"({"@context": "http://iiif.io/api/image/2/context.json", "width": 256, "height": 64,
        "tiles": [{"width": 64, "scaleFactors": [1]}], "profile": ["http://iiif.io/api/image/2/level0.json"]})";
    server.script = [&](const QByteArray &path) {
        TestServer::Answer a;
        if (path.endsWith("/info.json"))
            a.body = info;
        else if (path.contains("/64,0,64,64/"))
            a.reply = TestServer::Reply::Truncated;
        else if (path.contains("/128,0,64,64/"))
            a.reply = TestServer::Reply::Garbage;
        else if (path.contains("/192,0,64,64/"))
            a.reply = TestServer::Reply::Stall;
        return a;
    };
    selectAddedMap(QStringLiteral("http://") + server.authority() + QStringLiteral("/img"));
    engine.pacedFetcher().setTimeout(500);

    ASSERT_TRUE(runAndWait(TileRect{0, 2, 0, 0}));
    EXPECT_EQ(states.value(0), RowState::Downloaded);
    EXPECT_EQ(states.value(1), RowState::Missing);
    EXPECT_EQ(states.value(2), RowState::Missing);
    EXPECT_EQ(store::tileCount(folder()), 1);

    ASSERT_TRUE(runAndWait(TileRect{3, 3, 0, 0}));
    EXPECT_EQ(engine.statusText(), QStringLiteral("Délai d'attente dépassé"));
    EXPECT_FALSE(engine.active());
    EXPECT_FALSE(context.downloadRunning());
    EXPECT_EQ(store::tileCount(folder()), 1);
    EXPECT_TRUE(leftovers().isEmpty());
}

// Hostile servers: each run ends on its own or at "Arrêter" within the grace time, with
// the refused tiles "Inexistante    ", the others not fetched, the cause in the status field,
// and no temporary file left. The description names 8 tiles of 64 x 64 in one row.
TEST_F(IiifDownloadTest, HostileServersNeitherHangNorInstallWhatThePlanDidNotAskFor)
{
    const QByteArray info = R"({"@context": "http://iiif.io/api/image/2/context.json", "width": 512, "height": 64,
        "tiles": [{"width": 64, "scaleFactors": [1]}], "profile": ["http://iiif.io/api/image/2/level0.json"]})";
    using Answer = TestServer::Answer;
    using Reply = TestServer::Reply;
    TestServer server;
    server.tile = jpegBytes(64, 64);
    server.trickleMs = 50;
    const QByteArray self = "http://" + server.authority().toUtf8() + "/img/info.json";
    enum class Stop { Never, OnFirstBytes, OnRetry };
    struct Case {
        const char *name;
        std::function<Answer(const QByteArray &)> tiles;   // answers to tile requests
        Answer infoAnswer;
        int deadlineMs;
        Stop stop;
        int downloaded, missing;
        QString status;   // empty: the run ended by itself or by "Arrêter"
    };
    auto good = [](const QByteArray &) { return Answer{}; };
    const QByteArray bomb = scanBombJpeg(64, 64, 3000);
    const Case cases[] = {
        {"scans past the budget", [&](const QByteArray &) { return Answer{Reply::Jpeg, bomb}; }, Answer{Reply::Jpeg, info},
         120000, Stop::Never, 0, 8, {}},
        {"a tile of another size",
         [&](const QByteArray &path) {
             return path.contains("/64,0,64,64/") ? Answer{Reply::Jpeg, jpegBytes(8192, 64)} : Answer{};
         },
         Answer{Reply::Jpeg, info}, 120000, Stop::Never, 7, 1, {}},
        {"a trickled description", good, Answer{Reply::Trickle, info}, 600, Stop::Never, 0, 0,
         QStringLiteral("Délai d'attente dépassé")},
        {"a trickled tile and Arrêter", [](const QByteArray &) { return Answer{Reply::Trickle}; },
         Answer{Reply::Jpeg, info}, 120000, Stop::OnFirstBytes, 0, 0, {}},
        {"an endless answer for every tile", [](const QByteArray &) { return Answer{Reply::Endless}; },
         Answer{Reply::Jpeg, info}, 120000, Stop::Never, 0, source::RefusalStreak::kMaxCutInARow,
         source::RefusalStreak::text(source::RefusalStreak::Verdict::TooManyCut)},
        {"a redirect loop", good, Answer{Reply::Redirect, {}, self}, 120000, Stop::Never, 0, 0,
         QStringLiteral("Trop de redirections")},
        {"a long Retry-After and Arrêter", good, Answer{Reply::Busy, {}, {}, {}, "999999999"}, 120000, Stop::OnRetry,
         0, 0, {}},
    };
    selectAddedMap(QStringLiteral("http://") + server.authority() + QStringLiteral("/img"));
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        QDir(folder()).removeRecursively();
        server.script = [&](const QByteArray &path) { return path.endsWith("/info.json") ? c.infoAnswer : c.tiles(path); };
        engine.pacedFetcher().setDeadline(c.deadlineMs);
        QStringList statuses;
        auto statusLink = QObject::connect(&engine, &DownloadEngine::statusTextChanged,
                                           [&](const QString &text) { statuses << text; });
        bool stopped = false;
        auto press = [&] {
            if (!stopped) {
                stopped = true;
                engine.stop();
            }
        };
        auto bytesLink = QObject::connect(&engine.pacedFetcher(), &PacedFetcher::received, [&] {
            if (c.stop == Stop::OnFirstBytes)
                press();
        });
        auto retryLink = QObject::connect(&engine.pacedFetcher(), &PacedFetcher::retrying, [&] {
            if (c.stop == Stop::OnRetry)
                press();
        });
        // Every request of the row ends by its deadline at the latest: a wait past it tells a
        // run that hangs from one slowed down by a loaded machine.
        ASSERT_TRUE(runAndWait(TileRect{0, 25, 0, 0}, c.deadlineMs + 60000));
        QObject::disconnect(statusLink);
        QObject::disconnect(bytesLink);
        QObject::disconnect(retryLink);
        EXPECT_FALSE(engine.active());
        EXPECT_EQ(count(RowState::Downloaded), c.downloaded);
        EXPECT_EQ(count(RowState::Missing), c.missing);
        EXPECT_EQ(store::tileCount(folder()), c.downloaded);
        for (int row = 0; row < 8; ++row)
            if (states.value(row) == RowState::Downloaded)
                EXPECT_EQ(QImage(store::tilePath(folder(), row, 0)).size(), QSize(64, 64));
        if (!c.status.isEmpty())
            EXPECT_EQ(engine.statusText(), c.status);
        if (c.stop == Stop::OnRetry)
            EXPECT_TRUE(statuses.contains(source::RetryCountdown::textFor(PacedFetcher::kMaxRetryAfterSeconds)))
                << statuses.join(u'|').toStdString();
        EXPECT_EQ(stopped, c.stop != Stop::Never);
        EXPECT_TRUE(leftovers().isEmpty()) << leftovers().join(u' ').toStdString();
    }
}

// Adding a map from a manifest of 250 canvases: only the first descriptions are read, every
// canvas becomes a sheet, and the sheets make maps of at most 100 with a short summary.
// A reading that the server drags out ends at the deadline, or when the person cancels it.
TEST_F(IiifDownloadTest, ReaderOfALargeManifestAndOfServersThatMakeItWait)
{
    using Answer = TestServer::Answer;
    TestServer server;
    const QString base = QStringLiteral("http://") + server.authority();
    QStringList canvases;
    for (int i = 0; i < 250; ++i)
        canvases << QStringLiteral(R"({"width": 900, "height": %2, "images": [{"resource": {"service": {"@id": "%1/img%3"}}}]})")
                        .arg(base).arg(600 + i).arg(i);
    const QByteArray manifest = QStringLiteral(R"({"@type": "sc:Manifest", "label": "Atlas", "sequences": [{"canvases": [%1]}]})")
                                    .arg(canvases.join(u','))
                                    .toUtf8();
    const QByteArray info = R"({"@context": "http://iiif.io/api/image/2/context.json", "width": 900, "height": 600,
        "profile": ["http://iiif.io/api/image/2/level2.json"]})";
    Answer infoAnswer{TestServer::Reply::Jpeg, info};
    server.script = [&](const QByteArray &path) {
        return path.endsWith("manifest.json") ? Answer{TestServer::Reply::Jpeg, manifest} : infoAnswer;
    };
    PacedFetcher fetcher;
    IiifReader reader(fetcher);
    QString title, failure;
    QStringList progress;
    QList<source::SheetSource> sheets;
    bool ended = false;
    QObject::connect(&reader, &IiifReader::done, [&](const QString &t, const QList<source::SheetSource> &s) {
        title = t;
        sheets = s;
        ended = true;
    });
    QObject::connect(&reader, &IiifReader::failed, [&](const QString &text) {
        failure = text;
        ended = true;
    });
    QObject::connect(&reader, &IiifReader::stopped, [&] { ended = true; });
    QObject::connect(&reader, &IiifReader::progress, [&](const QString &text) { progress << text; });
    auto read = [&](const QString &address) {
        ended = false;
        failure.clear();
        progress.clear();
        server.paths.clear();
        reader.read(*iiif::parseAddress(address));
    };

    read(base + QStringLiteral("/atlas/manifest.json"));
    ASSERT_TRUE(waitUntil([&] { return ended; }, 60000));
    EXPECT_TRUE(failure.isEmpty()) << failure.toStdString();
    ASSERT_EQ(sheets.size(), 250);
    EXPECT_EQ(server.paths.size(), 1 + IiifReader::kDescribedSheets);
    EXPECT_EQ(sheets[0].size, QSize(900, 600));
    EXPECT_TRUE(sheets[0].grid.isValid());
    EXPECT_EQ(sheets[249].address, base + QStringLiteral("/img249"));
    EXPECT_EQ(sheets[249].size, QSize(900, 849));
    EXPECT_FALSE(sheets[249].grid.isValid());
    EXPECT_FALSE(progress.isEmpty());
    const auto maps = IiifReader::mapsOf(title, sheets);
    ASSERT_EQ(maps.size(), 3);
    EXPECT_EQ(maps[0].title, QStringLiteral("Atlas (1/3)"));
    EXPECT_EQ(maps[2].title, QStringLiteral("Atlas (3/3)"));
    EXPECT_EQ(maps[0].sheets.size(), 100);
    EXPECT_EQ(maps[2].sheets.size(), 50);
    EXPECT_EQ(maps[2].sheets.first().address, base + QStringLiteral("/img200"));
    const QStringList lines = IiifReader::summaryText(sheets).split(u'\n');
    EXPECT_LE(lines.size(), IiifReader::kDescribedSheets / 5 + 2);
    for (const QString &line : lines)
        EXPECT_LE(line.size(), 100);
    EXPECT_EQ(IiifReader::mapsOf(title, sheets.mid(0, 100)).size(), 1);

    // A description sent a byte at a time: the reading gives up at the deadline.
    fetcher.setDeadline(600);
    server.trickleMs = 50;
    infoAnswer = Answer{TestServer::Reply::Trickle, info};
    read(base + QStringLiteral("/slow"));
    ASSERT_TRUE(waitUntil([&] { return ended; }, 60000));
    EXPECT_EQ(failure, QStringLiteral("Délai d'attente dépassé"));

    // A busy server asking for a long wait: the count-down shows, and cancelling ends it.
    fetcher.setDeadline(PacedFetcher::kDefaultDeadlineMs);
    infoAnswer = Answer{TestServer::Reply::Busy, {}, {}, {}, "999999999"};
    read(base + QStringLiteral("/busy"));
    ASSERT_TRUE(waitUntil([&] { return progress.contains(source::RetryCountdown::textFor(60)); }, 60000));
    EXPECT_FALSE(ended);
    reader.stop();
    EXPECT_TRUE(ended);
    EXPECT_TRUE(failure.isEmpty());
    EXPECT_FALSE(reader.busy());
    EXPECT_EQ(fetcher.pending(), 0);

    // A redirect loop says so.
    infoAnswer = Answer{TestServer::Reply::Redirect, {}, (base + QStringLiteral("/loop/info.json")).toUtf8()};
    read(base + QStringLiteral("/loop"));
    ASSERT_TRUE(waitUntil([&] { return ended; }, 60000));
    EXPECT_EQ(failure, QStringLiteral("Trop de redirections"));
}

// Adding a map: a manifest of two canvases (versions 2 and 3) gives two sheets, its label
// the title; an image's description alone gives one sheet.
TEST_F(IiifDownloadTest, ReaderOfManifestsAndDescriptions)
{
    REQUIRE_PROGRAM(QStringLiteral("vips"));
    REQUIRE_PROGRAM(QStringLiteral("python3"));
    const QString root = work.filePath(QStringLiteral("manifests"));
    QDir().mkpath(root);
    QString error;
    ASSERT_TRUE(writeVipsTree(makeSmoothPicture(700, 500), root + QStringLiteral("/a"), QStringLiteral("iiif"), 256, &error));
    ASSERT_TRUE(writeVipsTree(makeSmoothPicture(640, 480), root + QStringLiteral("/b"), QStringLiteral("iiif3"), 256, &error));
    PythonServer server;
    ASSERT_TRUE(server.start(root, {}, &error));
    const QString a = server.base() + QStringLiteral("/a"), b = server.base() + QStringLiteral("/b");
    writeFile(root + QStringLiteral("/m2.json"),
              QStringLiteral(R"({"@context": "http://iiif.io/api/presentation/2/context.json", "@type": "sc:Manifest",
  "label": "Atlas en deux planches", "sequences": [{"canvases": [
   {"width": 700, "height": 500, "images": [{"resource": {"service": {"@id": "%1"}}}]},
   {"width": 640, "height": 480, "images": [{"resource": {"service": {"@id": "%2"}}}]}]}]})")
                  .arg(a, b)
                  .toUtf8());
    writeFile(root + QStringLiteral("/m3.json"),
              QStringLiteral(R"({"@context": "http://iiif.io/api/presentation/3/context.json", "type": "Manifest",
  "label": {"fr": ["Plan en deux feuilles"]}, "items": [
   {"type": "Canvas", "items": [{"type": "AnnotationPage", "items": [{"type": "Annotation",
     "body": {"type": "Image", "service": [{"id": "%1", "type": "ImageService2"}]}}]}]},
   {"type": "Canvas", "items": [{"type": "AnnotationPage", "items": [{"type": "Annotation",
     "body": {"type": "Image", "service": [{"id": "%2", "type": "ImageService3"}]}}]}]}]})")
                  .arg(a, b)
                  .toUtf8());

    PacedFetcher fetcher;
    IiifReader reader(fetcher);
    QString title, failure;
    QList<source::SheetSource> sheets;
    bool finished = false;
    QObject::connect(&reader, &IiifReader::done, [&](const QString &t, const QList<source::SheetSource> &s) {
        title = t;
        sheets = s;
        finished = true;
    });
    QObject::connect(&reader, &IiifReader::failed, [&](const QString &text) {
        failure = text;
        finished = true;
    });
    auto readAddress = [&](const QString &text) {
        finished = false;
        title.clear();
        failure.clear();
        sheets.clear();
        const auto address = iiif::parseAddress(text);
        EXPECT_TRUE(address) << text.toStdString();
        if (!address)
            return;
        reader.read(*address);
        EXPECT_TRUE(waitUntil([&] { return finished; }, 60000));
    };
    // Each sheet comes with the grid its plan fills: 3 x 2 tiles of 256.
    const QList<source::SheetSource> both{{a, QSize(700, 500), QSize(3, 2)}, {b, QSize(640, 480), QSize(3, 2)}};
    readAddress(server.base() + QStringLiteral("/manifest.json"));   // not served
    EXPECT_TRUE(failure.startsWith(QStringLiteral("Lecture impossible : "))) << failure.toStdString();

    QFile::copy(root + QStringLiteral("/m2.json"), root + QStringLiteral("/manifest.json"));
    readAddress(server.base() + QStringLiteral("/manifest.json"));
    EXPECT_EQ(title, QStringLiteral("Atlas en deux planches"));
    EXPECT_EQ(sheets, both);

    QDir().mkpath(root + QStringLiteral("/v3"));
    QFile::copy(root + QStringLiteral("/m3.json"), root + QStringLiteral("/v3/manifest.json"));
    readAddress(server.base() + QStringLiteral("/v3/manifest.json"));
    EXPECT_EQ(title, QStringLiteral("Plan en deux feuilles"));
    EXPECT_EQ(sheets, both);

    readAddress(b + QStringLiteral("/info.json"));
    EXPECT_EQ(sheets, QList<source::SheetSource>({{b, QSize(640, 480), QSize(3, 2)}}));
    EXPECT_EQ(title, QStringLiteral("Carte IIIF b"));

    // A view of a library document: its title comes from the document's manifest, and
    // without a readable one the map still comes.
    const QString document = root + QStringLiteral("/iiif/ark:/12148/btv1b0000001x");
    QDir().mkpath(document);
    QDir().rename(root + QStringLiteral("/b"), document + QStringLiteral("/f2"));
    const QString viewBase = server.base() + QStringLiteral("/iiif/ark:/12148/btv1b0000001x/f2");
    readAddress(viewBase);
    EXPECT_EQ(title, QStringLiteral("Gallica btv1b0000001x vue 2"));
    EXPECT_EQ(sheets, QList<source::SheetSource>({{viewBase, QSize(640, 480), QSize(3, 2)}}));
    QFile::copy(root + QStringLiteral("/m3.json"), document + QStringLiteral("/manifest.json"));
    readAddress(viewBase + QStringLiteral("/info.json"));
    EXPECT_EQ(title, QStringLiteral("Plan en deux feuilles"));
    EXPECT_EQ(sheets, QList<source::SheetSource>({{viewBase, QSize(640, 480), QSize(3, 2)}}));
}

} // namespace

namespace {

// The stored tiles of the sheet in `folder`, decoded by the program's decoder and joined.
QImage decodedSheet(const QString &folder, int columns, int rows)
{
    QList<QImage> tiles;
    int width = 0, height = 0;
    for (int r = 0; r < rows; ++r)
        for (int c = 0; c < columns; ++c) {
            QImage tile;
            if (!jpeg::decodeFile(store::tilePath(folder, c, r), tile).ok())
                return {};
            tiles << tile;
            width += r == 0 ? tile.width() : 0;
            height += c == 0 ? tile.height() : 0;
        }
    QImage sheet(width, height, QImage::Format_RGB32);
    sheet.fill(Qt::black);
    QPainter p(&sheet);
    for (int r = 0, y = 0; r < rows; y += tiles[r * columns].height(), ++r)
        for (int c = 0, x = 0; c < columns; x += tiles[r * columns + c].width(), ++c)
            p.drawImage(x, y, tiles[r * columns + c]);
    return sheet;
}

// Pixels of `a` and `b` that differ, leaving out those within `margin` of the lines
// `cuts` (columns, rows) where a colour sampled at half resolution is interpolated from
// either side in the whole picture and from one side in a tile.
int differingPixels(const QImage &a, const QImage &b, const QList<int> &columnCuts, const QList<int> &rowCuts,
                    int margin)
{
    int differing = 0;
    auto nearCut = [&](int v, const QList<int> &cuts) {
        return std::any_of(cuts.begin(), cuts.end(), [&](int cut) { return v >= cut - margin && v < cut + margin; });
    };
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x)
            if (!nearCut(x, columnCuts) && !nearCut(y, rowCuts) && a.pixel(x, y) != b.pixel(x, y))
                ++differing;
    return differing;
}

} // namespace

// A server of whole pictures only, and canvases whose picture has no image service: the
// picture is asked once and cut into the sheet's tiles. Where the cut lies on the JPEG's
// blocks the tiles keep the server's compressed blocks, so they decode to the server's very
// pixels, and the status says "découpe sans perte"; a part off the blocks (a canvas's
// region at x = 5) or turned is encoded again, installs all the same, and the status says
// so.
TEST_F(IiifDownloadTest, WholePicturesAreCutWithoutLossOnTheirBlocks)
{
    REQUIRE_PROGRAM(QStringLiteral("python3"));
    const QString root = work.filePath(QStringLiteral("whole"));
    const QImage colour = makeSmoothPicture(1100, 700);
    QImage grey = colour.convertToFormat(QImage::Format_Grayscale8);
    auto save = [&](const QString &path, const QImage &picture) {
        QDir().mkpath(QFileInfo(root + path).path());
        EXPECT_TRUE(picture.save(root + path, "JPEG", 90));
        QFile file(root + path);
        EXPECT_TRUE(file.open(QIODevice::ReadOnly));
        return file.readAll();
    };
    const QByteArray greyBytes = save(QStringLiteral("/grey/full/max/0/default.jpg"), grey);
    const QByteArray colourBytes = save(QStringLiteral("/colour/full/max/0/default.jpg"), colour);
    const QByteArray plainBytes = save(QStringLiteral("/pictures/plan.jpg"), colour);
    jpeg::Header header;
    ASSERT_TRUE(jpeg::readHeader(colourBytes, header).ok());
    ASSERT_EQ(header.block, QSize(16, 16));   // colours at half resolution
    ASSERT_TRUE(jpeg::readHeader(greyBytes, header).ok());
    ASSERT_EQ(header.block, QSize(8, 8));
    const QByteArray info = R"({"@context": "http://iiif.io/api/image/3/context.json", "type": "ImageService3",
        "profile": "level0", "width": 1100, "height": 700, "sizes": [{"width": 550, "height": 350}]})";
    writeFile(root + QStringLiteral("/grey/info.json"), info);
    writeFile(root + QStringLiteral("/colour/info.json"), info);
    PythonServer server;
    QString error;
    ASSERT_TRUE(server.start(root, {}, &error)) << error.toStdString();
    const QString host = server.base();
    // Recipes of the Presentation API: a plain picture (no service), a region of the whole
    // picture's service by a fragment selector, and the plain picture turned a quarter.
    const QString canvas = QStringLiteral(R"({"type": "Canvas", "width": 1100, "height": 700, "items": [{
        "type": "AnnotationPage", "items": [{"type": "Annotation", "motivation": "painting", "body": %1}]}]})");
    const QString plain = QStringLiteral(R"({"id": "%1/pictures/plan.jpg", "type": "Image", "format": "image/jpeg",
        "width": 1100, "height": 700})").arg(host);
    const QStringList canvases{
        canvas.arg(plain),
        canvas.arg(QStringLiteral(R"({"type": "SpecificResource", "source": {"id": "%1/colour/full/max/0/default.jpg",
            "type": "Image", "service": [{"id": "%1/colour", "type": "ImageService3", "profile": "level0"}]},
            "selector": {"type": "FragmentSelector", "value": "xywh=5,0,600,700"}})").arg(host)),
        canvas.arg(QStringLiteral(R"({"type": "SpecificResource", "source": %1,
            "selector": {"type": "ImageApiSelector", "rotation": "90"}})").arg(plain)),
    };
    writeFile(root + QStringLiteral("/manifest.json"),
              QStringLiteral(R"({"@context": "http://iiif.io/api/presentation/3/context.json", "type": "Manifest",
                  "label": {"fr": ["Plan entier"]}, "items": [%1]})").arg(canvases.join(u',')).toUtf8());

    // Reading the manifest asks nothing of the plain pictures.
    PacedFetcher fetcher;
    IiifReader reader(fetcher);
    QList<source::SheetSource> sheets;
    QString failure;
    bool read = false;
    QObject::connect(&reader, &IiifReader::done, [&](const QString &, const QList<source::SheetSource> &s) {
        sheets = s;
        read = true;
    });
    QObject::connect(&reader, &IiifReader::failed, [&](const QString &text) {
        failure = text;
        read = true;
    });
    reader.read(*iiif::parseAddress(host + QStringLiteral("/manifest.json")));
    ASSERT_TRUE(waitUntil([&] { return read; }, 20000));
    ASSERT_TRUE(failure.isEmpty()) << failure.toStdString();
    ASSERT_EQ(sheets.size(), 3);
    EXPECT_EQ(sheets[0].size, QSize(1100, 700));
    EXPECT_EQ(sheets[1].size, QSize(600, 700));
    EXPECT_EQ(sheets[2].size, QSize(700, 1100));
    EXPECT_FALSE(server.paths().join(u' ').contains(QStringLiteral("plan.jpg")));

    QImage greyPixels, colourPixels;
    ASSERT_TRUE(jpeg::decode(greyBytes, greyPixels).ok());
    ASSERT_TRUE(jpeg::decode(colourBytes, colourPixels).ok());
    QStringList statuses;
    QObject::connect(&engine, &DownloadEngine::statusTextChanged, [&](const QString &text) { statuses << text; });
    struct Case {
        const char *name;
        source::SheetSource sheet;
        QSize grid;
        const char *clause;
        QImage expected;
        bool exact;   // the server's pixels, but at the cuts of colours sampled at half resolution
    };
    const Case cases[] = {
        {"grey whole picture", {host + QStringLiteral("/grey"), QSize(1100, 700)}, {3, 2}, "découpe sans perte",
         greyPixels, true},
        {"colour whole picture", {host + QStringLiteral("/colour"), QSize(1100, 700)}, {3, 2}, "découpe sans perte",
         colourPixels, true},
        {"plain picture of a canvas", sheets[0], {3, 2}, "découpe sans perte", colourPixels, true},
        {"region off the blocks", sheets[1], {2, 2}, "découpe avec réencodage", colourPixels.copy(5, 0, 600, 700), false},
        {"plain picture turned", sheets[2], {2, 3}, "découpe avec réencodage",
         colourPixels.transformed(QTransform().rotate(90)), false},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        QDir(folder()).removeRecursively();
        context.addedMaps() = {};
        selectAddedMap(c.sheet.address, c.sheet.size);
        statuses.clear();
        const int asked = int(server.paths().size());
        ASSERT_TRUE(runAndWait());
        EXPECT_EQ(count(RowState::Downloaded), c.grid.width() * c.grid.height()) << engine.statusText().toStdString();
        EXPECT_TRUE(statuses.contains(QStringLiteral("Connecté au serveur IIIF, ") + QString::fromUtf8(c.clause)))
            << statuses.join(u'|').toStdString();
        // The picture was asked once, whatever the number of tiles cut from it.
        const QStringList paths = server.paths().mid(asked);
        EXPECT_EQ(paths.filter(QStringLiteral(".jpg")).size(), 1) << paths.join(u' ').toStdString();
        const QImage joined = decodedSheet(folder(), c.grid.width(), c.grid.height());
        ASSERT_EQ(joined.size(), c.expected.size());
        if (c.exact) {
            const QImage expected = c.expected.convertToFormat(QImage::Format_RGB32);
            const QList<int> columnCuts{512, 1024}, rowCuts{512};
            // Grey has no sampled colours: every pixel is the server's. Colour: all but the
            // pixels next to a cut.
            const int margin = c.sheet.address.endsWith(QStringLiteral("/grey")) ? 0 : 1;
            EXPECT_EQ(differingPixels(joined, expected, columnCuts, rowCuts, margin), 0);
        } else {
            EXPECT_LT(meanDifference(joined, c.expected), 3.0);
        }
    }
}

// A manifest of some nine thousand canvases, past 16 MB as a national archive's is, is read:
// every canvas a sheet, the first ones described, in maps of at most a hundred sheets.
TEST_F(IiifDownloadTest, ManifestsPastSixteenMegabytesAreRead)
{
    using Answer = TestServer::Answer;
    TestServer server;
    const QString base = QStringLiteral("http://") + server.authority();
    constexpr int kCanvases = 9000;
    // Each canvas with the metadata libraries give, some 2 KB of it.
    const QString note = QString(1800, u'x');
    QByteArray manifest = R"({"@type": "sc:Manifest", "label": "Registres", "sequences": [{"canvases": [)";
    for (int i = 0; i < kCanvases; ++i) {
        if (i)
            manifest += ',';
        manifest += QStringLiteral(R"({"@id": "%1/canvas/%2", "label": "f. %2", "width": 900, "height": 600,
            "metadata": [{"label": "note", "value": "%3"}],
            "images": [{"resource": {"service": {"@id": "%1/img%2"}}}]})")
                        .arg(base).arg(i).arg(note)
                        .toUtf8();
    }
    manifest += "]}]}";
    ASSERT_GT(manifest.size(), 16 * 1024 * 1024);
    ASSERT_LT(manifest.size(), IiifReader::kMaxManifestBytes);
    const QByteArray info = R"({"@context": "http://iiif.io/api/image/2/context.json", "width": 900, "height": 600,
        "profile": ["http://iiif.io/api/image/2/level2.json"]})";
    server.script = [&](const QByteArray &path) {
        return Answer{TestServer::Reply::Jpeg, path.endsWith("manifest.json") ? manifest : info};
    };
    PacedFetcher fetcher;
    IiifReader reader(fetcher);
    QString title, failure;
    QList<source::SheetSource> sheets;
    bool ended = false;
    QObject::connect(&reader, &IiifReader::done, [&](const QString &t, const QList<source::SheetSource> &s) {
        title = t;
        sheets = s;
        ended = true;
    });
    QObject::connect(&reader, &IiifReader::failed, [&](const QString &text) {
        failure = text;
        ended = true;
    });
    reader.read(*iiif::parseAddress(base + QStringLiteral("/registres/manifest.json")));
    ASSERT_TRUE(waitUntil([&] { return ended; }, 120000));
    EXPECT_TRUE(failure.isEmpty()) << failure.toStdString();
    EXPECT_EQ(title, QStringLiteral("Registres"));
    ASSERT_EQ(sheets.size(), kCanvases);
    EXPECT_EQ(sheets[0].size, QSize(900, 600));
    EXPECT_TRUE(sheets[0].grid.isValid());
    EXPECT_EQ(sheets[kCanvases - 1].address, base + QStringLiteral("/img8999"));
    EXPECT_EQ(sheets[kCanvases - 1].size, QSize(900, 600));
    EXPECT_EQ(IiifReader::mapsOf(title, sheets).size(), kCanvases / IiifReader::kMaxSheetsPerMap);
}
