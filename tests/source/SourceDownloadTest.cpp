// Downloads of maps served as Deep Zoom and Zoomify pyramids: trees written by libvips
// (with and without overlap, pictures that are no multiple of the tile size, stored tiles
// made of several server tiles) served by Python's http.server on 127.0.0.1, through the
// download engine; and runs that end early against scripted answers.

#include "iiif/IiifServers.h"
#include "catalogue/AddedMaps.h"
#include "download/DownloadEngine.h"
#include "download/DownloadList.h"
#include "support/EngineRig.h"
#include "net/PacedFetcher.h"
#include "net/TestServer.h"
#include "support/Wait.h"
#include "session/AppContext.h"
#include "session/SettingsStore.h"
#include "source/SourceRunner.h"
#include "store/TileStore.h"
#include "support/TestFiles.h"

#include <QDir>
#include <QPainter>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace testing_support;
using source::RowState;
using source::TileRect;

namespace {

// Writes `picture` as a pyramid with vips dzsave.
bool writePyramid(const QImage &picture, const QString &path, const QString &layout, int tileSide, int overlap,
                  QString *error)
{
    const QString png = path + QStringLiteral(".png");
    if (!picture.save(png))
        return false;
    QStringList arguments{QStringLiteral("dzsave"), png, path, QStringLiteral("--layout"), layout,
                          QStringLiteral("--tile-size"), QString::number(tileSide), QStringLiteral("--suffix"),
                          QStringLiteral(".jpg[Q=95]")};
    if (layout == QStringLiteral("dz"))
        arguments << QStringLiteral("--overlap") << QString::number(overlap);
    QProcess vips;
    vips.start(findProgram(QStringLiteral("vips")), arguments);
    if (vips.waitForFinished(120000) && vips.exitStatus() == QProcess::NormalExit && vips.exitCode() == 0)
        return true;
    *error = QString::fromLocal8Bit(vips.readAllStandardError());
    return false;
}

// The stored tiles of a folder joined in their grid.
QImage joinedSheet(const QString &folder, QSize grid)
{
    QList<QImage> tiles;
    int width = 0, height = 0;
    for (int r = 0; r < grid.height(); ++r)
        for (int c = 0; c < grid.width(); ++c) {
            tiles << QImage(store::tilePath(folder, c, r));
            width += r == 0 ? tiles.last().width() : 0;
            height += c == 0 ? tiles.last().height() : 0;
        }
    QImage sheet(width, height, QImage::Format_RGB32);
    sheet.fill(Qt::black);
    QPainter p(&sheet);
    for (int r = 0, y = 0; r < grid.height(); y += tiles[r * grid.width()].height(), ++r)
        for (int c = 0, x = 0; c < grid.width(); x += tiles[r * grid.width() + c].width(), ++c)
            p.drawImage(x, y, tiles[r * grid.width() + c]);
    return sheet;
}

class SourceDownloadTest : public ::testing::Test {
protected:
    SourceDownloadTest()
    {
        QObject::connect(&engine, &DownloadEngine::tileDone,
                         [this](int row, const QString &, RowState state) { states[row] = state; });
    }

    // Adds a map of one sheet served at `address` and selects it; its map folder.
    QString selectAddedMap(const QString &address, source::Kind kind)
    {
        const int position = rig.addMapAndSelect({{address, QSize(), QSize(), kind}});
        return program.path() + QStringLiteral("/Archives Bnf/Carte%1/F001").arg(position);
    }

    bool runAndWait(const TileRect &rect = {})
    {
        states.clear();
        const EngineRig::Run run = rig.run(rect, 120000);
        if (run.started)
            EXPECT_TRUE(run.ended);
        return run.started;
    }
    int count(RowState state) const { return int(std::count(states.begin(), states.end(), state)); }

    QTemporaryDir program, work;
    ScriptedDesktop desktop;
    EngineRig rig{desktop, program.path()};
    ScriptedConnection &connection = rig.connection;
    AppContext &context = rig.context;
    download::DownloadList &list = rig.list;
    DownloadEngine &engine = rig.engine;
    QMap<int, RowState> states;
};

} // namespace

// Joined, the installed tiles give the picture, whatever the pyramid: one server tile per
// stored tile, with an overlap to cut away, or several server tiles per stored tile.
TEST_F(SourceDownloadTest, PyramidsInstallWholeAndSeamless)
{
    REQUIRE_PROGRAM(QStringLiteral("vips"));
    REQUIRE_PROGRAM(QStringLiteral("python3"));
    struct Case {
        QString layout;
        int width, height, tileSide, overlap;
        QSize grid;
        int requests;   // server tiles asked for
    } cases[] = {
        {QStringLiteral("dz"), 700, 500, 256, 0, {3, 2}, 6},
        {QStringLiteral("dz"), 700, 500, 256, 1, {3, 2}, 6},
        {QStringLiteral("dz"), 1800, 300, 64, 2, {15, 5}, 29 * 5},
        {QStringLiteral("zoomify"), 700, 500, 256, 0, {3, 2}, 6},
        {QStringLiteral("zoomify"), 1800, 300, 64, 0, {15, 5}, 29 * 5},
    };
    PythonServer server;
    QString error;
    ASSERT_TRUE(server.start(work.path(), {}, &error)) << error.toStdString();
    int made = 0;
    for (const Case &c : cases) {
        SCOPED_TRACE(testing::Message() << c.layout.toStdString() << " " << c.width << " x " << c.height << " / "
                                        << c.tileSide << " overlap " << c.overlap);
        const QImage picture = makeSmoothPicture(c.width, c.height);
        const QString name = QStringLiteral("carte%1").arg(++made);
        ASSERT_TRUE(writePyramid(picture, work.filePath(name), c.layout, c.tileSide, c.overlap, &error))
            << error.toStdString();
        const bool deepZoom = c.layout == QStringLiteral("dz");
        const QString folder = selectAddedMap(server.base() + u'/' + name + (deepZoom ? QStringLiteral(".dzi") : QString()),
                                              deepZoom ? source::Kind::DeepZoom : source::Kind::Zoomify);
        const int before = int(server.paths().size());

        ASSERT_TRUE(runAndWait());
        const int area = c.grid.width() * c.grid.height();
        EXPECT_EQ(count(RowState::Downloaded), area);
        EXPECT_EQ(count(RowState::OutsidePicture), 676 - area);
        EXPECT_EQ(count(RowState::Missing), 0);
        EXPECT_EQ(context.selectedTileGrid(), c.grid);
        EXPECT_EQ(store::tileCount(folder, c.grid.width(), c.grid.height()), area);
        EXPECT_EQ(int(server.paths().size()) - before, 1 + c.requests);
        EXPECT_LT(meanDifference(joinedSheet(folder, c.grid), picture), 2.5);
        EXPECT_TRUE(QDir(folder).entryList({QStringLiteral("*.part")}, QDir::Files).isEmpty());
        EXPECT_EQ(engine.statusText(), QStringLiteral("Déconnecté"));

        // A second run finds every tile in place and asks only the description.
        ASSERT_TRUE(runAndWait());
        EXPECT_EQ(count(RowState::AlreadyInstalled), area);
        EXPECT_EQ(int(server.paths().size()) - before, 2 + c.requests);
    }
    // Every request came over one kept-alive connection.
    EXPECT_EQ(server.connectionCount(), 1);
}

// An IIIF server of whole pictures only (no region, no tiles, a list of sizes): the largest
// listed size within the limits is asked once and cut into the sheet's tiles; none that fits
// is refused with the reason; a picture the server does not give leaves every tile failed,
// and the status says so with the first failure and the count.
TEST_F(SourceDownloadTest, IiifWholePicturesAreAskedOnceAndCut)
{
    REQUIRE_PROGRAM(QStringLiteral("python3"));
    struct Case {
        QString name;
        int version;
        QString limits;          // extra members of the description
        QList<QSize> sizes;      // listed; the first is the one served
        QSize grid;              // 0 x 0: nothing installed
        QString asks;            // the size asked for the whole picture
        QString status;
        int pictureRequests;
    } cases[] = {
        // The full size (2000 x 1200) is always offered; limits leave it out but where said.
        {QStringLiteral("v2"), 2, QStringLiteral(", \"maxWidth\": 1000"), {{1000, 600}, {250, 150}, {500, 300}}, {2, 2},
         QStringLiteral("1000,"), QStringLiteral("Déconnecté"), 1},
        {QStringLiteral("v3-max-width"), 3, QStringLiteral(", \"maxWidth\": 600"), {{500, 300}, {1000, 600}}, {1, 1},
         QStringLiteral("500,300"), QStringLiteral("Déconnecté"), 1},
        {QStringLiteral("v2-max-area"), 2, QStringLiteral(", \"maxArea\": 200000"), {{500, 300}, {1000, 600}},
         {1, 1}, QStringLiteral("500,"), QStringLiteral("Déconnecté"), 1},
        {QStringLiteral("too-large"), 3, QStringLiteral(", \"maxWidth\": 100"), {{1000, 600}}, {0, 0}, {},
         QStringLiteral("Description IIIF illisible : aucune des tailles de l'image ne tient en 100 x 100 pixels"), 0},
        {QStringLiteral("absent"), 2, {}, {{1000, 600}}, {0, 0}, QStringLiteral("full"),
         QStringLiteral("Aucune image installée : 4 en échec, la première AA : "), 1},
    };
    PythonServer server;
    QString error;
    ASSERT_TRUE(server.start(work.path(), {QStringLiteral("--status"), QStringLiteral("absent/full/=404")}, &error))
        << error.toStdString();
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name.toStdString());
        QStringList listed;
        for (const QSize &size : c.sizes)
            listed << QStringLiteral("{\"width\": %1, \"height\": %2}").arg(size.width()).arg(size.height());
        const QSize served = c.sizes.first();
        const QString apiContext = QStringLiteral("http://iiif.io/api/image/%1/context.json").arg(c.version);
        const QString info =
            QStringLiteral("{\"@context\": \"%1\", \"width\": 2000, \"height\": 1200, \"profile\": %2, \"sizes\": [%3]%4}")
                .arg(apiContext,
                     c.version == 3 ? QStringLiteral("\"level0\"")
                                    : QStringLiteral("[\"http://iiif.io/api/image/2/level0.json\"]"),
                     listed.join(QStringLiteral(", ")), c.limits);
        writeFile(work.filePath(c.name + QStringLiteral("/info.json")), info.toUtf8());
        const QImage picture = makeSmoothPicture(served.width(), served.height());
        writeFile(work.filePath(c.name + QStringLiteral("/full/%1/0/default.jpg").arg(c.asks)), jpegBytes(picture, 95));
        const QString folder = selectAddedMap(server.base() + u'/' + c.name, source::Kind::Iiif);
        const int before = int(server.paths().size());

        ASSERT_TRUE(runAndWait(TileRect{0, 1, 0, 1}));
        const QStringList asked = server.paths().mid(before);
        EXPECT_EQ(asked.filter(QStringLiteral("/full/")).size(), c.pictureRequests) << asked.join(u' ').toStdString();
        if (c.pictureRequests > 0)
            EXPECT_TRUE(asked.last().endsWith(QStringLiteral("/%1/full/%2/0/default.jpg").arg(c.name, c.asks)))
                << asked.last().toStdString();
        EXPECT_TRUE(engine.statusText().startsWith(c.status)) << engine.statusText().toStdString();
        EXPECT_FALSE(engine.active());
        const int area = c.grid.width() * c.grid.height();
        EXPECT_EQ(count(RowState::Downloaded), area);
        EXPECT_EQ(store::tileCount(folder), area);
        if (area > 0) {
            EXPECT_EQ(context.selectedTileGrid(), c.grid);
            EXPECT_LT(meanDifference(joinedSheet(folder, c.grid), picture), 2.5);
        }
        EXPECT_TRUE(QDir(folder).entryList({QStringLiteral("*.part")}, QDir::Files).isEmpty());
    }
}

// Tiles an IIIF server refuses, every one: the run says why, with the first failure and the
// count, instead of ending as if all went well.
TEST_F(SourceDownloadTest, IiifRunWhoseEveryTileFailedSaysWhy)
{
    TestServer server;
    const QByteArray info = R"({"@context": "http://iiif.io/api/image/2/context.json", "width": 128, "height": 128,
        "tiles": [{"width": 64, "scaleFactors": [1]}], "profile": ["http://iiif.io/api/image/2/level0.json"]})";
    server.script = [&](const QByteArray &path) {
        return path.endsWith("/info.json") ? TestServer::Answer{TestServer::Reply::Jpeg, info}
                                           : TestServer::Answer{TestServer::Reply::NotFound};
    };
    const QString folder = selectAddedMap(QStringLiteral("http://%1/img").arg(server.authority()), source::Kind::Iiif);
    ASSERT_TRUE(runAndWait(TileRect{0, 2, 0, 1}));
    EXPECT_EQ(count(RowState::Missing), 4);
    EXPECT_EQ(count(RowState::OutsidePicture), 2);
    EXPECT_TRUE(engine.statusText().startsWith(QStringLiteral("Aucune image installée : 4 en échec, la première AA : ")))
        << engine.statusText().toStdString();
    EXPECT_EQ(store::tileCount(folder), 0);
}

// A run that cannot install anything ends with a text that says why.
TEST(SourceRunnerTest, RunsThatEndEarlySayWhy)
{
    const QByteArray dzi = "<Image Format=\"jpg\" Overlap=\"0\" TileSize=\"256\"><Size Width=\"600\" Height=\"300\"/></Image>";
    using Reply = TestServer::Reply;
    struct Case {
        const char *name;
        std::function<TestServer::Answer(const QByteArray &path)> script;
        source::RunOutcome outcome;
        QString text;
    } cases[] = {
        {"description missing", [](const QByteArray &) { return TestServer::Answer{Reply::NotFound}; },
         source::RunOutcome::DescriptionMissing, QStringLiteral("Description de la carte introuvable : ")},
        {"description hostile",
         [](const QByteArray &) {
             return TestServer::Answer{
                 Reply::Jpeg, "<Image Format=\"jpg\" Overlap=\"0\" TileSize=\"-3\"><Size Width=\"6\" Height=\"3\"/></Image>"};
         },
         source::RunOutcome::DescriptionUnreadable,
         QStringLiteral("Description de la carte illisible : valeur incorrecte de TileSize : -3")},
        {"every tile missing",
         [dzi](const QByteArray &path) {
             return path.endsWith(".dzi") ? TestServer::Answer{Reply::Jpeg, dzi} : TestServer::Answer{Reply::NotFound};
         },
         source::RunOutcome::NothingInstalled, QStringLiteral("Aucune image installée : 6 en échec, la première AA : HTTP 404")},
        {"every tile no picture",
         [dzi](const QByteArray &path) {
             return TestServer::Answer{Reply::Jpeg, path.endsWith(".dzi") ? dzi : QByteArray("<html></html>")};
         },
         source::RunOutcome::NothingInstalled,
         QStringLiteral("Aucune image installée : 6 en échec, la première AA : la réponse n'est pas une image")},
        {"server silent",
         [dzi](const QByteArray &path) {
             return path.endsWith(".dzi") ? TestServer::Answer{Reply::Jpeg, dzi} : TestServer::Answer{Reply::Stall};
         },
         source::RunOutcome::TimedOut, QStringLiteral("Délai d'attente dépassé")},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        TestServer server;
        server.script = c.script;
        QTemporaryDir folder;
        PacedFetcher fetcher;
        source::SourceRunner runner(fetcher);
        runner.setDeadline(500);
        std::optional<source::RunOutcome> outcome;
        QString text;
        QObject::connect(&runner, &source::SourceRunner::ended, [&](source::RunOutcome o, const QString &t) {
            outcome = o;
            text = t;
        });
        QMap<int, RowState> rows;
        QObject::connect(&runner, &source::SourceRunner::rowDone,
                         [&](int row, const QString &, RowState state, const QString &) { rows[row] = state; });
        runner.start({source::Kind::DeepZoom, QStringLiteral("http://%1/carte.dzi").arg(server.authority())},
                     TileRect{0, 3, 0, 1}, folder.path(), {});
        ASSERT_TRUE(waitUntil([&] { return outcome.has_value(); }, 60000));
        EXPECT_EQ(*outcome, c.outcome);
        EXPECT_TRUE(text.startsWith(c.text)) << text.toStdString();
        EXPECT_FALSE(runner.active());
        EXPECT_EQ(store::tileCount(folder.path()), 0);
        EXPECT_TRUE(QDir(folder.path()).entryList(QDir::Files).isEmpty());
        if (c.outcome == source::RunOutcome::NothingInstalled) {
            // 3 x 2 tiles of 256 within the 4 x 2 asked: two cells lie outside the picture.
            EXPECT_EQ(std::count(rows.begin(), rows.end(), RowState::Missing), 6);
            EXPECT_EQ(std::count(rows.begin(), rows.end(), RowState::OutsidePicture), 2);
        }
    }
}
