// Download benchmark: 676 tiles of 512 x 384 pixels (JPEG quality 85) served by
// orvantis-tileserver on 127.0.0.1, fetched by the download engine, then by curl over the
// same 676 URLs one after the other in one process. Prints both times and their ratio.
//
// Then the IIIF source: a static IIIF tree of 676 tiles of 512 x 384 served by Python's
// http.server (HTTP/1.1, kept alive) behind a proxy that delays every byte by 25 ms each
// way, as a remote server would: the engine at 1 request at a time beside curl fetching the
// same URLs one after the other in one process (which reuses its connection), the engine
// at 8 at once beside curl --parallel --parallel-max 8, and the classic engine through the
// same kind of proxy beside curl fetching its URLs with a connection each.
//
// usage: orvantis-bench-download TILESERVER [ROUNDS [IIIF_ROUNDS]]

#include "session/AppContext.h"
#include "session/SettingsStore.h"
#include "catalogue/CassiniCatalogue.h"
#include "download/DownloadEngine.h"
#include "download/DownloadList.h"
#include "source/classic/ClassicLayout.h"
#include "imaging/Jpeg.h"
#include "support/ScriptedDesktop.h"
#include "store/TileStore.h"
#include "support/EngineRig.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QPainter>
#include <QProcess>
#include <QStandardPaths>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <functional>
#include <cstdio>

namespace {

// A run of the engine that takes longer than this is reported as failed.
constexpr int kRunLimitMs = 600000;

QImage fixturePicture(int i)
{
    QImage image(512, 384, QImage::Format_RGB32);
    QPainter p(&image);
    QLinearGradient g(0, 0, 512, 384);
    g.setColorAt(0, QColor(240, 230, 200));
    g.setColorAt(1, QColor(170 + i % 60, 160, 130));
    p.fillRect(image.rect(), g);
    p.setPen(QColor(60, 40, 30));
    for (int k = 0; k < 40; ++k)
        p.drawLine((k * 37 + i) % 512, 0, (k * 53 + i * 7) % 512, 383);
    p.fillRect(QRect(i % 26 * 19, i / 26 * 14, 40, 30), QColor(150, 30 + i % 200, 30));
    return image;
}

bool writeFixture(const QString &folder)
{
    QDir().mkpath(folder);
    for (int i = 0; i < store::kTileCount; ++i) {
        QByteArray bytes;
        if (!jpeg::encode(fixturePicture(i), bytes, 85).ok())
            return false;
        QFile f(folder + u'/' + store::walkFileName(i));
        if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size())
            return false;
    }
    return true;
}

quint16 freePort()
{
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    return probe.serverPort();
}

bool waitForServer(quint16 port)
{
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < 10000) {
        QTcpSocket s;
        s.connectToHost(QHostAddress::LocalHost, port);
        if (s.waitForConnected(200))
            return true;
        QEventLoop loop;
        QTimer::singleShot(20, &loop, &QEventLoop::quit);
        loop.exec();
    }
    return false;
}

double runEngine(const QString &server, const QString &mapsRoot, int &tiles)
{
    testing_support::ScriptedDesktop desktop;
    desktop.echoErrors = true;
    testing_support::EngineRig rig(desktop, mapsRoot);
    rig.context.setTileServer(server);
    rig.selectCassini(editions::kColour, 1);
    rig.engine.setHangUpOption([] { return false; });
    QElapsedTimer timer;
    timer.start();
    if (!rig.run(source::TileRect{}, kRunLimitMs).ended)
        return -1;
    const double seconds = timer.nsecsElapsed() / 1e9;
    tiles = store::tileCount(mapsRoot + QStringLiteral("/Cassini couleurs/Carte1"));
    return seconds;
}

double runCurl(const QString &curl, const QStringList &urls, const QString &folder, int &tiles)
{
    QDir().mkpath(folder);
    QStringList args{QStringLiteral("--no-keepalive"), QStringLiteral("-s")};
    for (int i = 0; i < urls.size(); ++i)
        args << QStringLiteral("-o") << folder + u'/' + store::walkFileName(i) << urls[i];
    QProcess process;
    QElapsedTimer timer;
    timer.start();
    process.start(curl, args);
    process.waitForFinished(-1);
    const double seconds = timer.nsecsElapsed() / 1e9;
    tiles = store::tileCount(folder);
    return process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0 ? seconds : -1;
}

// A helper process that prints "PORT <n>" once it listens.
struct PortProcess {
    QProcess process;
    quint16 port = 0;
    bool start(const QString &program, const QStringList &arguments)
    {
        process.setProcessChannelMode(QProcess::SeparateChannels);
        process.setStandardErrorFile(QProcess::nullDevice());
        process.start(program, arguments);
        if (!process.waitForStarted(10000))
            return false;
        QElapsedTimer t;
        t.start();
        while (t.elapsed() < 20000) {
            if (process.canReadLine()) {
                const QByteArray line = process.readLine().trimmed();
                if (line.startsWith("PORT ")) {
                    port = quint16(line.mid(5).toUInt());
                    // Request lines that follow are not read: drop them.
                    process.setReadChannel(QProcess::StandardOutput);
                    QObject::connect(&process, &QProcess::readyReadStandardOutput, &process,
                                     [this] { process.readAllStandardOutput(); });
                    return true;
                }
            } else if (!process.waitForReadyRead(500) && process.state() != QProcess::Running) {
                return false;
            }
        }
        return false;
    }
    ~PortProcess()
    {
        process.kill();
        process.waitForFinished(5000);
    }
};

constexpr int kIiifWidth = 512 * store::kGridSide, kIiifHeight = 384 * store::kGridSide;

QString iiifTilePath(int i)
{
    const int c = i % store::kGridSide, r = i / store::kGridSide;
    return QStringLiteral("%1,%2,512,384/512,/0/default.jpg").arg(c * 512).arg(r * 384);
}

bool writeIiifTree(const QString &folder)
{
    QDir().mkpath(folder);
    QFile info(folder + QStringLiteral("/info.json"));
    if (!info.open(QIODevice::WriteOnly))
        return false;
    info.write(QStringLiteral(R"({"@context": "http://iiif.io/api/image/2/context.json", "@id": "map",
  "protocol": "http://iiif.io/api/image", "width": %1, "height": %2,
  "tiles": [{"width": 512, "height": 384, "scaleFactors": [1]}],
  "profile": ["http://iiif.io/api/image/2/level0.json"]})")
                   .arg(kIiifWidth)
                   .arg(kIiifHeight)
                   .toUtf8());
    for (int i = 0; i < store::kTileCount; ++i) {
        QByteArray bytes;
        if (!jpeg::encode(fixturePicture(i), bytes, 85).ok())
            return false;
        const QString path = folder + u'/' + iiifTilePath(i);
        QDir().mkpath(QFileInfo(path).absolutePath());
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size())
            return false;
    }
    return true;
}

double runIiif(const QString &base, const QString &mapsRoot, int simultaneous, int &tiles)
{
    testing_support::ScriptedDesktop desktop;
    desktop.echoErrors = true;
    testing_support::EngineRig rig(desktop, mapsRoot);
    const int position = rig.addMapAndSelect({{base, QSize(kIiifWidth, kIiifHeight)}}, 1, QStringLiteral("bench"));
    rig.context.setSimultaneousRequests(simultaneous, false);
    rig.engine.setHangUpOption([] { return false; });
    QElapsedTimer timer;
    timer.start();
    if (!rig.run(source::TileRect{}, kRunLimitMs).ended)
        return -1;
    const double seconds = timer.nsecsElapsed() / 1e9;
    tiles = store::tileCount(mapsRoot + QStringLiteral("/Archives Bnf/Carte%1/F001").arg(position));
    if (tiles != store::kTileCount)
        std::fprintf(stderr, "IIIF run at %d: %s\n", simultaneous, qPrintable(rig.engine.statusText()));
    return seconds;
}

// curl over the same URLs in one process (its connections kept alive), optionally in parallel.
double runCurlKeptAlive(const QString &curl, const QStringList &urls, const QString &folder, int parallel, int &tiles)
{
    QDir().mkpath(folder);
    QFile config(folder + QStringLiteral("/curl.config"));
    if (!config.open(QIODevice::WriteOnly))
        return -1;
    for (int i = 0; i < urls.size(); ++i)
        config.write(QStringLiteral("url = \"%1\"\noutput = \"%2/%3\"\n")
                         .arg(urls[i], folder, store::walkFileName(i))
                         .toUtf8());
    config.close();
    QStringList args{QStringLiteral("-s"), QStringLiteral("-K"), config.fileName()};
    if (parallel > 1)
        args << QStringLiteral("--parallel") << QStringLiteral("--parallel-immediate") << QStringLiteral("--parallel-max")
             << QString::number(parallel);
    QProcess process;
    QElapsedTimer timer;
    timer.start();
    process.start(curl, args);
    process.waitForFinished(-1);
    const double seconds = timer.nsecsElapsed() / 1e9;
    tiles = store::tileCount(folder);
    return process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0 ? seconds : -1;
}

// The whole-picture check every downloaded tile passes before it takes its name, alone:
// the 676 fixture tiles read and decoded once each.
double runCheck(const QString &folder)
{
    QElapsedTimer timer;
    timer.start();
    for (int i = 0; i < store::kTileCount; ++i) {
        jpeg::Header header;
        if (!jpeg::checkFile(folder + u'/' + store::walkFileName(i), header).ok())
            return -1;
    }
    return timer.nsecsElapsed() / 1e9;
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: orvantis-bench-download TILESERVER [ROUNDS]\n");
        return 2;
    }
    const QString tileserver = QString::fromLocal8Bit(argv[1]);
    const int rounds = argc >= 3 ? std::max(1, std::atoi(argv[2])) : 3;
    const QString curl = QStandardPaths::findExecutable(QStringLiteral("curl"));

    QTemporaryDir work;
    const QString served = work.filePath(QStringLiteral("served"));
    if (!writeFixture(served + QStringLiteral("/Cassini couleurs/Carte1"))) {
        std::fprintf(stderr, "cannot write the fixture\n");
        return 1;
    }
    const quint16 port = freePort();
    QProcess serverProcess;
    serverProcess.setStandardOutputFile(QProcess::nullDevice());
    serverProcess.start(tileserver, {QStringLiteral("--root"), served, QStringLiteral("--listen"),
                                     QStringLiteral("127.0.0.1:%1").arg(port)});
    if (!serverProcess.waitForStarted(10000) || !waitForServer(port)) {
        std::fprintf(stderr, "orvantis-tileserver did not start\n");
        return 1;
    }
    const QString server = QStringLiteral("127.0.0.1:%1").arg(port);
    const QString document = cassini::documentNumber(1, 0);
    QStringList urls;
    for (int i = 0; i < store::kTileCount; ++i)
        urls << QStringLiteral("http://") + server
                    + source::ClassicLayout::tilePath(document, 0, store::tileCode(store::walkColumn(i), store::walkRow(i)));

    std::vector<double> ours, theirs, checks;
    bool ok = true;
    for (int round = 0; round < rounds; ++round) {
        const double check = runCheck(served + QStringLiteral("/Cassini couleurs/Carte1"));
        if (check < 0) {
            std::fprintf(stderr, "a fixture tile failed its check\n");
            ok = false;
        }
        checks.push_back(check);
        int tiles = 0;
        const QString engineRoot = work.filePath(QStringLiteral("engine%1").arg(round));
        const double t = runEngine(server, engineRoot, tiles);
        if (t < 0 || tiles != store::kTileCount) {
            std::fprintf(stderr, "engine run %d: %d tiles\n", round, tiles);
            ok = false;
        }
        ours.push_back(t);
        if (!curl.isEmpty()) {
            int curlTiles = 0;
            const double c = runCurl(curl, urls, work.filePath(QStringLiteral("curl%1").arg(round)), curlTiles);
            if (c < 0 || curlTiles != store::kTileCount) {
                std::fprintf(stderr, "curl run %d: %d tiles\n", round, curlTiles);
                ok = false;
            }
            theirs.push_back(c);
        }
        // Nothing is deleted between rounds: ext4 searches longer for a free inode right after
        // many deletions, which would slow whichever side runs next.
    }
    serverProcess.terminate();
    serverProcess.waitForFinished(5000);

    const double o = median(ours);
    std::printf("download of 676 tiles 512x384 from orvantis-tileserver on 127.0.0.1 (median of %d)\n", rounds);
    std::printf("  engine          %8.3f s  (%.2f ms per tile)\n", o, o * 1000 / store::kTileCount);
    const double k = median(checks);
    std::printf("  of which check  %8.3f s  (%.2f ms per tile, %.0f %% of the engine's time)\n", k,
                k * 1000 / store::kTileCount, 100 * k / o);
    if (theirs.empty()) {
        std::printf("  curl            not installed: no ratio\n");
        return ok ? 0 : 1;
    }
    const double c = median(theirs);
    std::printf("  curl            %8.3f s  (%.2f ms per tile)\n", c, c * 1000 / store::kTileCount);
    std::printf("  ratio ours/curl %8.2f  (target <= 1.1)\n", o / c);
    std::fflush(stdout);

    // --- IIIF source through a delaying proxy --------------------------------------------
    // IIIF_ROUNDS=0 measures the classic section alone.
    const int iiifRounds = argc >= 4 ? std::max(0, std::atoi(argv[3])) : 1;
    if (iiifRounds == 0)
        return ok ? 0 : 1;
    const QString python = QStandardPaths::findExecutable(QStringLiteral("python3"));
    if (python.isEmpty()) {
        std::printf("IIIF: python3 not installed: no IIIF section\n");
        return ok ? 0 : 1;
    }
    const QString tree = work.filePath(QStringLiteral("iiif"));
    if (!writeIiifTree(tree + QStringLiteral("/map"))) {
        std::fprintf(stderr, "cannot write the IIIF tree\n");
        return 1;
    }
    PortProcess httpServer, iiifProxy, classicProxy, classicServer;
    const quint16 classicPort = freePort();
    classicServer.process.setStandardOutputFile(QProcess::nullDevice());
    classicServer.process.start(tileserver, {QStringLiteral("--root"), served, QStringLiteral("--listen"),
                                             QStringLiteral("127.0.0.1:%1").arg(classicPort)});
    if (!httpServer.start(python, {QStringLiteral("-u"), QStringLiteral(HTTP_SERVER_SCRIPT), QStringLiteral("--root"), tree})
        || !iiifProxy.start(python, {QStringLiteral("-u"), QStringLiteral(DELAY_PROXY_SCRIPT), QStringLiteral("127.0.0.1"),
                                     QString::number(httpServer.port), QStringLiteral("25")})
        || !waitForServer(classicPort)
        || !classicProxy.start(python, {QStringLiteral("-u"), QStringLiteral(DELAY_PROXY_SCRIPT), QStringLiteral("127.0.0.1"),
                                        QString::number(classicPort), QStringLiteral("25")})) {
        std::fprintf(stderr, "the IIIF servers did not start\n");
        return 1;
    }
    const QString base = QStringLiteral("http://127.0.0.1:%1/map").arg(iiifProxy.port);
    QStringList iiifUrls;
    for (int i = 0; i < store::kTileCount; ++i)
        iiifUrls << base + u'/' + iiifTilePath(i);

    struct Series { const char *name; std::vector<double> times; };
    Series ours1{"ours, 1 request at a time (kept alive)", {}}, curl1{"curl, one after the other, one process", {}},
        ours8{"ours, 8 requests at once", {}}, curl8{"curl --parallel --parallel-max 8", {}},
        classic{"classic engine (HTTP/1.0, a connection per tile)", {}},
        classicCurl{"curl --no-keepalive, a connection per tile", {}};
    for (int round = 0; round < iiifRounds; ++round) {
        // Each run, then its check (the tile count is known only once the run is over).
        auto measure = [&](Series &series, const std::function<double(int &)> &run) {
            int tiles = 0;
            const double t = run(tiles);
            if (t < 0 || tiles != store::kTileCount) {
                std::fprintf(stderr, "%s, round %d: %d tiles\n", series.name, round, tiles);
                ok = false;
            }
            series.times.push_back(t);
        };
        const QString r = QString::number(round);
        measure(ours1, [&](int &n) { return runIiif(base, work.filePath(QStringLiteral("o1-") + r), 1, n); });
        if (!curl.isEmpty())
            measure(curl1, [&](int &n) { return runCurlKeptAlive(curl, iiifUrls, work.filePath(QStringLiteral("c1-") + r), 1, n); });
        measure(ours8, [&](int &n) { return runIiif(base, work.filePath(QStringLiteral("o8-") + r), 8, n); });
        if (!curl.isEmpty())
            measure(curl8, [&](int &n) { return runCurlKeptAlive(curl, iiifUrls, work.filePath(QStringLiteral("c8-") + r), 8, n); });
        measure(classic, [&](int &n) {
            return runEngine(QStringLiteral("127.0.0.1:%1").arg(classicProxy.port), work.filePath(QStringLiteral("cl-") + r), n);
        });
        if (!curl.isEmpty())
            measure(classicCurl, [&](int &n) {
                QStringList proxied = urls;
                proxied.replaceInStrings(server, QStringLiteral("127.0.0.1:%1").arg(classicProxy.port));
                return runCurl(curl, proxied, work.filePath(QStringLiteral("cc-") + r), n);
            });
    }
    classicServer.process.terminate();
    std::printf("IIIF download of 676 tiles 512x384 from a static tree (python3 http.server, HTTP/1.1) through a\n"
                "proxy on 127.0.0.1 delaying 25 ms each way (median of %d)\n", iiifRounds);
    for (const Series *series : {&ours1, &curl1, &ours8, &curl8, &classic, &classicCurl})
        if (!series->times.empty())
            std::printf("  %-50s %8.3f s\n", series->name, median(series->times));
    if (!curl1.times.empty()) {
        std::printf("  ratio ours/curl at 1 %8.2f  (target <= 1.1)\n", median(ours1.times) / median(curl1.times));
        std::printf("  ratio ours/curl at 8 %8.2f  (target <= 1.1)\n", median(ours8.times) / median(curl8.times));
        std::printf("  ratio classic/curl   %8.2f  (target <= 1.1)\n", median(classic.times) / median(classicCurl.times));
    }
    return ok ? 0 : 1;
}
