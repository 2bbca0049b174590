#include "session/AppContext.h"
#include "session/SettingsStore.h"
#include "catalogue/CassiniCatalogue.h"
#include "download/DownloadEngine.h"
#include "download/DownloadList.h"
#include "net/TestServer.h"
#include "support/Wait.h"
#include "support/EngineRig.h"
#include "store/TileStore.h"
#include "support/FileSizeLimit.h"
#include "support/TestFiles.h"
#include "support/TileVariants.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTcpServer>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace testing_support;
using source::RowState;
using source::TileRect;
using Reply = TestServer::Reply;

namespace {

QString tileName(int column, int row) { return store::tileFileName(column, row); }

class DownloadEngineTest : public ::testing::Test {
protected:
    DownloadEngineTest()
    {
        server.tile = jpegBytes(16, 12);
        context.setTileServer(server.authority());
        selectCassini(12);
        engine.setHangUpOption([this] { return hangUpOption; });
        engine.setUnattendedDialOption([this] { return unattendedOption; });
        QObject::connect(&engine, &DownloadEngine::tileDone,
                         [this](int row, const QString &name, RowState state) { done << Done{row, name, state}; });
        QObject::connect(&engine, &DownloadEngine::captionChanged, [this](const QString &c) { caption = c; });
    }

    void selectCassini(int sheet) { rig.selectCassini(editions::kColour, sheet); }
    QString sheetFolder(int sheet) const
    {
        return program.filePath(QStringLiteral("Cassini couleurs/Carte%1").arg(sheet));
    }
    // Runs over the rectangle and waits for its end.
    bool runAndWait(const TileRect &rect)
    {
        const EngineRig::Run run = rig.run(rect);
        if (run.started)
            EXPECT_TRUE(run.ended);
        return run.started;
    }
    QStringList leftovers(const QString &folder) const
    {
        return QDir(folder).entryList({"*.part"}, QDir::Files);
    }
    void expectIdle()
    {
        EXPECT_FALSE(engine.active());
        EXPECT_EQ(engine.runningMark(), 0);
        EXPECT_FALSE(context.downloadRunning());
        EXPECT_EQ(list.count(), 0);
        EXPECT_EQ(engine.gaugeValue(), 0);
        EXPECT_TRUE(context.downloadJob().sheet.isEmpty());
        EXPECT_FALSE(engine.client().busy());
    }

    struct Done {
        int row;
        QString name;
        RowState state;
    };

    QTemporaryDir program;
    ScriptedDesktop desktop;
    EngineRig rig{desktop, program.path()};
    ScriptedConnection &connection = rig.connection;
    AppContext &context = rig.context;
    download::DownloadList &list = rig.list;
    DownloadEngine &engine = rig.engine;
    TestServer server;
    QList<Done> done;
    QString caption;
    bool hangUpOption = true;
    bool unattendedOption = true;
};

// A maps root named "back\slash" (one folder) receives the tiles, and the installed check
// counts them there.
TEST_F(DownloadEngineTest, AMapsRootWithABackslashStaysOneFolder)
{
    const QString root = program.path() + QStringLiteral("/back\\slash");
    ASSERT_TRUE(QDir(program.path()).mkdir(QStringLiteral("back\\slash")));
    context.setMapsRoot(root);
    ASSERT_TRUE(runAndWait(TileRect{0, 1, 0, 0}));
    const QString folder = root + QStringLiteral("/Cassini couleurs/Carte12");
    EXPECT_EQ(QDir(folder).entryList(QDir::Files), (QStringList{tileName(0, 0), tileName(1, 0)}));
    EXPECT_FALSE(QFileInfo::exists(program.path() + QStringLiteral("/back")));
    context.refreshSelectionStatus();
    EXPECT_EQ(context.selection().installationState, CassiniWithTiles);
}

TEST_F(DownloadEngineTest, FullSheetInWalkingOrderThenASecondRunFetchesNothing)
{
    ASSERT_TRUE(runAndWait(TileRect{}));
    ASSERT_EQ(server.paths.size(), store::kTileCount);
    const QString document = cassini::documentNumber(12, 0);
    for (int i = 0; i < store::kTileCount; ++i) {
        ASSERT_EQ(server.paths[i], ("/Fonds_ImagesZoom/077/077" + document + "/0000001/" + store::walkFileName(i)).toLatin1());
        ASSERT_EQ(done[i].row, i);
        ASSERT_EQ(done[i].name, store::walkFileName(i));
        ASSERT_EQ(done[i].state, RowState::Downloaded);
    }
    EXPECT_EQ(store::tileCount(sheetFolder(12)), store::kTileCount);
    EXPECT_EQ(readFile(sheetFolder(12) + "/MAXI_ZZ.jpg"), server.tile);
    EXPECT_TRUE(leftovers(sheetFolder(12)).isEmpty());
    EXPECT_EQ(caption, "Arrêt carte n° 12. Nouvelle sélection = carte n° 12");
    EXPECT_EQ(engine.statusText(), "Déconnecté");
    expectIdle();

    done.clear();
    ASSERT_TRUE(runAndWait(TileRect{}));
    EXPECT_EQ(server.paths.size(), store::kTileCount);   // no new request
    ASSERT_EQ(done.size(), store::kTileCount);
    for (const Done &d : done)
        ASSERT_EQ(d.state, RowState::AlreadyInstalled);
    expectIdle();
}

TEST_F(DownloadEngineTest, TilesMissingOnTheServerLeaveNoFileAndTheRunGoesOn)
{
    server.script = [](const QByteArray &path) {
        // Column letter is the first of the two code letters: ".../MAXI_ZB.jpg".
        return TestServer::Answer{path.at(path.size() - 6) == 'Z' ? Reply::NotFound : Reply::Jpeg};
    };
    // What the first row shows while its tile arrives, then once it is done.
    QStringList firstRow;
    QObject::connect(&list, &QAbstractItemModel::dataChanged, [&](const QModelIndex &from) {
        if (from.row() == 0)
            firstRow << list.text(0) + (list.checked(0) ? "+" : "");
    });
    ASSERT_TRUE(runAndWait(TileRect{23, 25, 0, 1}));   // X..Z by A..B
    ASSERT_GE(firstRow.size(), 2);
    EXPECT_EQ(firstRow.first(), "Téléchargement ");
    EXPECT_EQ(firstRow.last(), "Téléchargée    +");
    QStringList states;
    for (const Done &d : done)
        states << d.name + '=' + download::stateText(d.state);
    EXPECT_EQ(states, (QStringList{"MAXI_XA.jpg=Téléchargée    ", "MAXI_YA.jpg=Téléchargée    ",
                                   "MAXI_ZA.jpg=Inexistante    ", "MAXI_XB.jpg=Téléchargée    ",
                                   "MAXI_YB.jpg=Téléchargée    ", "MAXI_ZB.jpg=Inexistante    "}));
    EXPECT_FALSE(QFile::exists(sheetFolder(12) + "/MAXI_ZA.jpg"));
    EXPECT_FALSE(QFile::exists(sheetFolder(12) + "/MAXI_ZB.jpg"));
    EXPECT_TRUE(leftovers(sheetFolder(12)).isEmpty());
    expectIdle();
}

// Tiles AA, BA (the faulty one), CA (already installed), DA.
TEST_F(DownloadEngineTest, EachServerFaultLeavesTheDiskAndTheControlsSound)
{
    engine.client().setTimeout(300);
    struct Case {
        Reply reply;
        // State of BA, or nothing when the fault ends the run.
        std::optional<RowState> state;
        QString status;   // status field at the end
    };
    const Case cases[] = {
        {Reply::NotFound, RowState::Missing, "Déconnecté"},
        {Reply::ServerError, RowState::Missing, "Déconnecté"},
        {Reply::NoStatus, RowState::Missing, "Déconnecté"},
        {Reply::Truncated, RowState::Missing, "Déconnecté"},
        {Reply::Garbage, RowState::Missing, "Déconnecté"},
        {Reply::Reset, RowState::Missing, "Déconnecté"},
        {Reply::Redirect, RowState::Downloaded, "Déconnecté"},
        {Reply::Endless, RowState::Missing, "Déconnecté"},   // a body without end stops at the limit
        {Reply::Stall, std::nullopt, "Délai d'attente dépassé"},
        {Reply::LongHeader, std::nullopt, "Réponse du serveur incorrecte"},
        {Reply::ManyHeaders, std::nullopt, "Réponse du serveur incorrecte"},
    };
    const QString folder = sheetFolder(12);
    const QByteArray installed = jpegBytes(16, 12, Qt::green);
    for (const Case &c : cases) {
        SCOPED_TRACE(int(c.reply));
        QDir(folder).removeRecursively();
        writeFile(folder + "/MAXI_CA.jpg", installed);
        done.clear();
        server.paths.clear();
        server.script = [&](const QByteArray &path) {
            if (path.endsWith("MAXI_BA.jpg") && !path.startsWith("/elsewhere"))
                return TestServer::Answer{c.reply, {}, "/elsewhere/MAXI_BA.jpg", "k=v"};
            return TestServer::Answer{Reply::Jpeg};
        };
        ASSERT_TRUE(runAndWait(TileRect{0, 3, 0, 0}));
        EXPECT_EQ(engine.statusText(), c.status);
        EXPECT_EQ(readFile(folder + "/MAXI_AA.jpg"), server.tile);
        EXPECT_EQ(readFile(folder + "/MAXI_CA.jpg"), installed);
        EXPECT_TRUE(leftovers(folder).isEmpty());
        if (c.state) {
            ASSERT_EQ(done.size(), 4);
            EXPECT_EQ(done[1].state, *c.state);
            EXPECT_EQ(QFile::exists(folder + "/MAXI_BA.jpg"), *c.state == RowState::Downloaded);
            EXPECT_EQ(done[2].state, RowState::AlreadyInstalled);
            EXPECT_EQ(done[3].state, RowState::Downloaded);
        } else {
            ASSERT_EQ(done.size(), 1);   // only AA got a result
            EXPECT_FALSE(QFile::exists(folder + "/MAXI_BA.jpg"));
            EXPECT_FALSE(server.paths.last().endsWith("MAXI_DA.jpg"));
        }
        expectIdle();
    }
}

TEST_F(DownloadEngineTest, UnreachableServerEndsTheRunWithTheCauseInTheStatusField)
{
    quint16 closedPort = 0;
    {
        QTcpServer probe;
        ASSERT_TRUE(probe.listen(QHostAddress::LocalHost, 0));
        closedPort = probe.serverPort();
    }
    const std::pair<QString, QString> cases[] = {
        {QStringLiteral("127.0.0.1:%1").arg(closedPort), "Connexion impossible à la BNF"},
        // A name the program accepts but no resolver can: a label over 63 characters is
        // refused before any query, so the case holds without a network.
        {QString(64, u'a') + ".example", "Serveur Indisponible"},
    };
    for (const auto &[address, status] : cases) {
        SCOPED_TRACE(address.toStdString());
        context.setTileServer(address);
        ASSERT_TRUE(runAndWait(TileRect{0, 2, 0, 0}));
        EXPECT_EQ(engine.statusText(), status);
        EXPECT_EQ(store::tileCount(sheetFolder(12)), 0);
        EXPECT_TRUE(leftovers(sheetFolder(12)).isEmpty());
        expectIdle();
    }
}

TEST_F(DownloadEngineTest, MapFolderThatCannotBeCreatedEndsTheRun)
{
    writeFile(program.filePath("blocker"), "a file where the maps root should be");
    context.setMapsRoot(program.filePath("blocker") + u'/');
    ASSERT_TRUE(runAndWait(TileRect{0, 2, 0, 0}));
    EXPECT_EQ(engine.statusText(), "Erreur d'écriture de l'image");
    EXPECT_EQ(server.paths.size(), 1);
    EXPECT_TRUE(done.isEmpty());
    expectIdle();
}

TEST_F(DownloadEngineTest, QuittingDuringATileLeavesNoTemporaryFile)
{
    server.script = [](const QByteArray &) { return TestServer::Answer{Reply::HalfThenStall}; };
    {
        download::DownloadList ownList;
        DownloadEngine quitting(context, ownList);
        ownList.build(TileRect{0, 0, 0, 0});
        ASSERT_TRUE(quitting.start(TileRect{0, 0, 0, 0}));
        ASSERT_TRUE(waitUntil([&] { return !leftovers(sheetFolder(12)).isEmpty(); }));
    }
    EXPECT_TRUE(leftovers(sheetFolder(12)).isEmpty());
    EXPECT_EQ(store::tileCount(sheetFolder(12)), 0);
}

// The next request starts from the event loop once the result handler has returned.
TEST_F(DownloadEngineTest, NextRequestNeverStartsInsideAResultHandler)
{
    int results = 0, startedInside = 0;
    QObject::connect(&engine.client(), &HttpClient::success, [&] {
        ++results;
        if (engine.client().busy())
            ++startedInside;
    });
    QObject::connect(&engine.client(), &HttpClient::failure, [&] {
        ++results;
        if (engine.client().busy())
            ++startedInside;
    });
    server.script = [](const QByteArray &path) {
        return TestServer::Answer{path.endsWith("B.jpg") ? Reply::NotFound : Reply::Jpeg};
    };
    ASSERT_TRUE(runAndWait(TileRect{0, 4, 0, 1}));
    EXPECT_EQ(results, 10);
    EXPECT_EQ(startedInside, 0);
}

// The check of a tile runs on the worker while the next tile is already asked for; the rows
// still get their states in walking order.
TEST_F(DownloadEngineTest, TheNextTileIsAskedForWhileTheLastIsChecked)
{
    QStringList events;
    QObject::connect(&engine, &DownloadEngine::requestStarted,
                     [&](const QString &url) { events << "ask " + url.right(11); });
    QObject::connect(&engine, &DownloadEngine::tileDone, [&](int, const QString &name) { events << "done " + name; });
    ASSERT_TRUE(runAndWait(TileRect{0, 2, 0, 0}));
    // The first tile is checked while the second is asked for; later the order of a check and
    // the next request is the machine's.
    EXPECT_EQ(events.mid(0, 3), (QStringList{"ask MAXI_AA.jpg", "ask MAXI_BA.jpg", "done MAXI_AA.jpg"}));
    EXPECT_EQ(events.filter("done "), (QStringList{"done MAXI_AA.jpg", "done MAXI_BA.jpg", "done MAXI_CA.jpg"}));
    EXPECT_EQ(events.filter("ask "), (QStringList{"ask MAXI_AA.jpg", "ask MAXI_BA.jpg", "ask MAXI_CA.jpg"}));
    EXPECT_EQ(store::tileCount(sheetFolder(12)), 3);
    expectIdle();
}

TEST_F(DownloadEngineTest, OnlyTilesThatDecodeWholeWithinBoundsAreInstalled)
{
    const QString folder = sheetFolder(12);
    for (const TileVariant &v : tileVariants()) {
        SCOPED_TRACE(v.name);
        QDir(folder).removeRecursively();
        done.clear();
        const QByteArray bytes = tileBytes(v.kind);
        server.script = [&](const QByteArray &) { return TestServer::Answer{Reply::Jpeg, bytes}; };
        ASSERT_TRUE(runAndWait(TileRect{0, 1, 0, 0}));
        ASSERT_EQ(done.size(), 2);
        EXPECT_EQ(done[0].state, v.valid ? RowState::Downloaded : RowState::Missing);
        EXPECT_EQ(readFile(folder + "/MAXI_AA.jpg"), v.valid ? bytes : QByteArray());
        EXPECT_EQ(QFile::exists(folder + "/MAXI_AA.jpg"), v.valid);
        EXPECT_TRUE(leftovers(folder).isEmpty());
        expectIdle();
    }
}

TEST_F(DownloadEngineTest, ATricklingServerEndsTheRunAtTheTileDeadline)
{
    // One byte every 2 s: the idle time-out never comes, the deadline of the tile does.
    server.script = [](const QByteArray &path) {
        return TestServer::Answer{path.endsWith("MAXI_BA.jpg") ? Reply::Trickle : Reply::Jpeg};
    };
    engine.client().setDeadline(1500);
    ASSERT_TRUE(runAndWait(TileRect{0, 2, 0, 0}));
    EXPECT_EQ(engine.statusText(), "Délai d'attente dépassé");
    ASSERT_EQ(done.size(), 1);
    EXPECT_FALSE(QFile::exists(sheetFolder(12) + "/MAXI_BA.jpg"));
    EXPECT_TRUE(leftovers(sheetFolder(12)).isEmpty());
    expectIdle();
}

TEST_F(DownloadEngineTest, StopDuringAStalledTileEndsTheRunWithinASecond)
{
    server.script = [](const QByteArray &) { return TestServer::Answer{Reply::HalfThenStall}; };
    // The states the first row takes, to the end of the run.
    QList<RowState> firstRow;
    QObject::connect(&list, &QAbstractItemModel::dataChanged, [&](const QModelIndex &from) {
        if (from.row() == 0 && list.count() > 0)
            firstRow << list.state(0);
    });
    bool ended = false;
    QObject::connect(&engine, &DownloadEngine::finished, [&] { ended = true; });
    list.build(TileRect{0, 2, 0, 0});
    ASSERT_TRUE(engine.start(TileRect{0, 2, 0, 0}));
    ASSERT_TRUE(waitUntil([&] { return engine.client().bodyBytes() > 0; }));
    ASSERT_FALSE(leftovers(sheetFolder(12)).isEmpty());   // half the tile is on its way
    engine.stop();
    QElapsedTimer clock;
    clock.start();
    // Far sooner than the stalled tile's time-out (30 s) would end it.
    EXPECT_TRUE(waitUntil([&] { return ended; }, 10000)) << clock.elapsed() << " ms";
    EXPECT_TRUE(done.isEmpty());
    ASSERT_FALSE(firstRow.isEmpty());
    EXPECT_EQ(firstRow.last(), RowState::Waiting);
    EXPECT_EQ(server.paths.size(), 1);
    EXPECT_TRUE(QDir(sheetFolder(12)).entryList(QDir::Files).isEmpty());
    expectIdle();
}

TEST_F(DownloadEngineTest, FullDiskEndsTheRunWithAWriteErrorAndLeavesNoShortTile)
{
    // AA fits on the disk, BA does not: the run stops there with the write error.
    const QByteArray large = jpegBytes(noisePicture(400, 400), 95);
    constexpr qint64 kLimit = 64 * 1024;
    ASSERT_GT(large.size(), 2 * kLimit);
    server.script = [&](const QByteArray &path) {
        return TestServer::Answer{Reply::Jpeg, path.endsWith("MAXI_BA.jpg") ? large : QByteArray()};
    };
    const QString folder = sheetFolder(12);
    const QByteArray installed = jpegBytes(16, 12, Qt::green);
    writeFile(folder + "/MAXI_CA.jpg", installed);
    {
        FileSizeLimit disk(kLimit);
        ASSERT_TRUE(disk.active());
        ASSERT_TRUE(runAndWait(TileRect{0, 3, 0, 0}));
    }
    EXPECT_EQ(engine.statusText(), "Erreur d'écriture de l'image");
    ASSERT_EQ(done.size(), 1);
    EXPECT_EQ(done[0].state, RowState::Downloaded);
    EXPECT_EQ(readFile(folder + "/MAXI_AA.jpg"), server.tile);
    EXPECT_FALSE(QFile::exists(folder + "/MAXI_BA.jpg"));
    EXPECT_EQ(readFile(folder + "/MAXI_CA.jpg"), installed);
    EXPECT_TRUE(leftovers(folder).isEmpty());
    EXPECT_EQ(server.paths.size(), 2);
    expectIdle();
}

TEST_F(DownloadEngineTest, AServerSettingTheProgramRefusesIsSaidAndNoOtherServerIsAsked)
{
    for (const QString &setting : {QStringLiteral("bad..host"), QStringLiteral("127.0.0.1:99999"),
                                   QStringLiteral("host name")}) {
        SCOPED_TRACE(setting.toStdString());
        desktop.calls.clear();
        context.setTileServer(setting);
        EXPECT_EQ(context.tileServer(), setting);
        EXPECT_FALSE(runAndWait(TileRect{0, 2, 0, 0}));
        const QString text = QStringLiteral("Adresse de serveur incorrecte : ") + setting;
        ASSERT_NE(desktop.last("error"), nullptr);
        EXPECT_EQ(desktop.last("error")->text, text);
        EXPECT_EQ(engine.statusText(), text);
        EXPECT_FALSE(engine.active());
        EXPECT_EQ(engine.runningMark(), 0);
        EXPECT_FALSE(context.downloadRunning());
        EXPECT_TRUE(caption.isEmpty());   // nothing looked like a run
    }
    EXPECT_TRUE(server.requests.isEmpty());
}

TEST_F(DownloadEngineTest, StopDuringTheTenthTileEndsAfterIt)
{
    server.script = [this](const QByteArray &path) {
        if (path.endsWith("MAXI_JA.jpg"))
            engine.stop();   // "Arrêter" while tile 10 is in flight
        return TestServer::Answer{Reply::Jpeg};
    };
    ASSERT_TRUE(runAndWait(TileRect{}));
    ASSERT_EQ(server.paths.size(), 10);
    EXPECT_TRUE(server.paths.last().endsWith("MAXI_JA.jpg"));
    ASSERT_EQ(done.size(), 10);
    EXPECT_EQ(done.last().state, RowState::Downloaded);
    EXPECT_EQ(store::tileCount(sheetFolder(12)), 10);
    EXPECT_EQ(caption, "Arrêt carte n° 12. Nouvelle sélection = carte n° 12");
    expectIdle();
}

TEST_F(DownloadEngineTest, ArchiveSheetGoesToItsSubfolderFromItsPath)
{
    context.select(SheetId::archive(12, 7));
    context.lookUpDocumentNumber();
    ASSERT_TRUE(runAndWait(TileRect{0, 1, 0, 0}));
    ASSERT_EQ(server.paths.size(), 2);
    EXPECT_EQ(server.paths[0], "/Fonds_ImagesZoom/077/07710012/0000007/MAXI_AA.jpg");
    EXPECT_TRUE(server.paths[1].endsWith("/0000007/MAXI_BA.jpg"));
    EXPECT_EQ(store::tileCount(program.filePath("Archives Bnf/Carte12/F007")), 2);
    EXPECT_EQ(caption, "Arrêt carte n° 12\\F007. Nouvelle sélection = carte n° 12\\F007");
}

TEST_F(DownloadEngineTest, ConnectionOptionsDecideDialAndHangUp)
{
    struct Case {
        bool unattended, hangUp;
        QString status;
    };
    const Case cases[] = {{true, true, "Déconnecté"}, {false, false, "Connecté"}};
    for (const Case &c : cases) {
        unattendedOption = c.unattended;
        hangUpOption = c.hangUp;
        connection.dials.clear();
        connection.hangUps = 0;
        QDir(sheetFolder(12)).removeRecursively();
        ASSERT_TRUE(runAndWait(TileRect{0, 0, 0, 0}));
        EXPECT_EQ(connection.dials, QList<bool>{c.unattended});
        EXPECT_EQ(connection.hangUps, c.hangUp ? 1 : 0);
        EXPECT_EQ(engine.statusText(), c.status);
    }
    EXPECT_EQ(connection.askedHosts.last(), "127.0.0.1");
}

TEST_F(DownloadEngineTest, NoConnectionStartsNoRun)
{
    connection.connectedAnswer = false;
    list.build(TileRect{});
    EXPECT_FALSE(engine.start(TileRect{}));
    EXPECT_EQ(engine.statusText(), "Problème de connexion internet");
    EXPECT_EQ(list.count(), store::kTileCount);
    EXPECT_EQ(engine.runningMark(), 0);
    EXPECT_FALSE(context.downloadRunning());
    EXPECT_TRUE(server.paths.isEmpty());
}

// A server no one here wrote: Python's own, serving a generated tile tree.
TEST_F(DownloadEngineTest, DownloadsFromPythonsHttpServer)
{
    const QString python = QStandardPaths::findExecutable("python3");
    if (python.isEmpty())
        GTEST_SKIP() << "python3 is not installed: the download from its http.server is not tested";
    QTemporaryDir site;
    const QString document = cassini::documentNumber(12, 0);
    const QString tiles = site.filePath("Fonds_ImagesZoom/077/077" + document + "/0000001/");
    QMap<QString, QByteArray> served;
    for (const QString name : {"MAXI_AA.jpg", "MAXI_BA.jpg", "MAXI_AB.jpg"}) {
        served[name] = jpegBytes(24, 18, QColor(served.size() * 80, 20, 20));
        writeFile(tiles + name, served[name]);
    }
    QProcess peer;
    peer.setProcessChannelMode(QProcess::MergedChannels);
    peer.start(python, {"-u", "-m", "http.server", "0", "--bind", "127.0.0.1", "--directory", site.path()});
    ASSERT_TRUE(peer.waitForStarted(10000));
    QByteArray out;
    const QRegularExpression portPattern("port (\\d+)");
    ASSERT_TRUE(waitUntil([&] {
        out += peer.readAll();
        return portPattern.match(QString::fromLatin1(out)).hasMatch();
    })) << out.toStdString();
    context.setTileServer("127.0.0.1:" + portPattern.match(QString::fromLatin1(out)).captured(1));

    ASSERT_TRUE(runAndWait(TileRect{0, 1, 0, 1}));   // AA BA AB BB; BB is not served
    ASSERT_EQ(done.size(), 4);
    EXPECT_EQ(done[3].state, RowState::Missing);
    for (auto it = served.cbegin(); it != served.cend(); ++it)
        EXPECT_EQ(readFile(sheetFolder(12) + '/' + it.key()), it.value()) << it.key().toStdString();
    EXPECT_FALSE(QFile::exists(sheetFolder(12) + "/MAXI_BB.jpg"));
    peer.kill();
    peer.waitForFinished(10000);
}

// Two programs fetch one sheet at once from one server, each into the same maps root: both
// finish without an error, every tile of the sheet is whole, no temporary file is left.
TEST_F(DownloadEngineTest, TwoProgramsOnOneSheetBothFinishWithoutAFalseError)
{
    QTemporaryDir configA, configB;
    QProcess first, second;
    first.start(QStringLiteral(SHEET_FETCHER), {server.authority(), program.path(), configA.path()});
    second.start(QStringLiteral(SHEET_FETCHER), {server.authority(), program.path(), configB.path()});
    ASSERT_TRUE(first.waitForStarted(10000));
    ASSERT_TRUE(second.waitForStarted(10000));
    ASSERT_TRUE(waitUntil(
        [&] { return first.state() == QProcess::NotRunning && second.state() == QProcess::NotRunning; }, 120000));
    for (QProcess *p : {&first, &second}) {
        EXPECT_EQ(p->exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(p->exitCode(), 0) << p->readAllStandardOutput().toStdString() << p->readAllStandardError().toStdString();
    }
    // Each tile was asked for at least once, and at most once by each program.
    EXPECT_GE(server.paths.size(), store::kTileCount);
    EXPECT_LE(server.paths.size(), 2 * store::kTileCount);
    for (int row = 0; row < store::kGridSide; ++row)
        for (int column = 0; column < store::kGridSide; ++column)
            ASSERT_EQ(QImage(sheetFolder(12) + u'/' + tileName(column, row)).size(), QSize(16, 12));
    EXPECT_TRUE(leftovers(sheetFolder(12)).isEmpty()) << leftovers(sheetFolder(12)).join(u' ').toStdString();
}

} // namespace
