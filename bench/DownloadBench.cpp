// Download benchmark: 676 tiles of 512 x 384 pixels (JPEG quality 85) served by
// orvantis-tileserver on 127.0.0.1, fetched by the download engine, then by curl over the
// same 676 URLs one after the other in one process. Prints both times and their ratio.
//
// usage: orvantis-bench-download TILESERVER [ROUNDS]

#include "app/AppContext.h"
#include "app/SettingsStore.h"
#include "catalogue/CassiniCatalogue.h"
#include "download/DownloadEngine.h"
#include "download/DownloadList.h"
#include "imaging/Jpeg.h"
#include "platform/Desktop.h"
#include "store/TileStore.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QPainter>
#include <QProcess>
#include <QStandardPaths>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <cstdio>

namespace {

class QuietDesktop : public Desktop {
public:
    void message(const QString &, const QString &) override {}
    bool confirm(const QString &, const QString &) override { return true; }
    void error(const QString &text) override { std::fprintf(stderr, "error: %s\n", qPrintable(text)); }
    QString inputText(const QString &, const QString &, const QString &) override { return {}; }
    QString browseFolder(const QString &) override { return {}; }
    QString saveFileName(const QString &, const QStringList &, int &) override { return {}; }
    void copyToClipboard(const QImage &) override {}
    void open(const QString &) override {}
};

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
    QTemporaryDir config;
    SettingsStore settings(config.filePath("Orvantis.ini"));
    QuietDesktop desktop;
    AppContext context(settings, desktop, mapsRoot + u'/', mapsRoot + u'/');
    context.setMapsRoot(mapsRoot + u'/');
    context.setTileServer(server);
    context.selection.editionFolder = editions::kColour;
    context.selection.sheetNumber = QStringLiteral("1");
    cassini::lookUpDocumentNumber(context.selection, 0);
    download::DownloadList list;
    DownloadEngine engine(context, list);
    engine.setHangUpOption([] { return false; });
    QEventLoop loop;
    QObject::connect(&engine, &DownloadEngine::finished, &loop, &QEventLoop::quit);
    QElapsedTimer timer;
    timer.start();
    list.build(download::TileRect{});
    if (!engine.start(download::TileRect{}))
        return -1;
    if (engine.active())
        loop.exec();
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
        urls << QStringLiteral("http://") + server + QStringLiteral("/Fonds_ImagesZoom/077/077") + document
                    + QStringLiteral("/0000001/") + store::walkFileName(i);

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
    return ok ? 0 : 1;
}
