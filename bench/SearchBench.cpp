// The library's search through a proxy delaying 25 ms each way: 500 answers in pages of 50,
// each with its small picture. Times the real search panel to its first row and to its whole
// first page (text and 50 pictures), next to curl fetching the same requests one after the
// other, and measures the longest stall of the event loop meanwhile.
//
// usage: orvantis-bench-search [ROUNDS]

#include "library/LibrarySearch.h"
#include "library/LibrarySearchPanel.h"
#include "library/ThumbnailCache.h"
#include "library/SruSearch.h"
#include "platform/QtDesktop.h"
#include "session/AppContext.h"
#include "session/SettingsStore.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QImage>
#include <QListWidget>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <functional>

namespace {

bool waitFor(const std::function<bool()> &done, int ms)
{
    QElapsedTimer t;
    t.start();
    while (!done() && t.elapsed() < ms)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
    return done();
}

quint16 startScript(QProcess &p, const QStringList &args)
{
    p.start(QStringLiteral("python3"), QStringList{QStringLiteral("-u")} + args);
    quint16 port = 0;
    waitFor([&] {
        while (p.canReadLine()) {
            const QString line = QString::fromUtf8(p.readLine()).trimmed();
            if (line.startsWith(QStringLiteral("PORT ")))
                port = quint16(line.mid(5).toUInt());
        }
        return port != 0 || p.state() == QProcess::NotRunning;
    }, 20000);
    return port;
}

double curlSeconds(const QStringList &urls)
{
    QStringList args{QStringLiteral("-s")};
    for (const QString &u : urls)
        args << QStringLiteral("-o") << QStringLiteral("/dev/null") << u;
    QElapsedTimer t;
    t.start();
    QProcess curl;
    curl.start(QStringLiteral("curl"), args);
    curl.waitForFinished(120000);
    return t.nsecsElapsed() / 1e9;
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int rounds = argc > 1 ? std::max(1, atoi(argv[1])) : 3;
    QTemporaryDir work;
    QImage picture(120, 160, QImage::Format_RGB32);
    picture.fill(Qt::darkCyan);
    picture.save(work.filePath(QStringLiteral("thumbnail.jpg")), "JPEG", 85);
    QFile records(work.filePath(QStringLiteral("records.json")));
    records.open(QIODevice::WriteOnly);
    records.write(R"([{"ark": "btv1b", "title": "Carte de France", "creators": ["Cassini"], "date": "17..", "views": 1}])");
    records.close();

    QProcess server, proxy;
    const quint16 serverPort = startScript(server, {QStringLiteral(HTTP_SERVER_SCRIPT), QStringLiteral("--root"), work.path(),
                                                    QStringLiteral("--records"), records.fileName(),
                                                    QStringLiteral("--repeat"), QStringLiteral("500")});
    const quint16 proxyPort = startScript(proxy, {QStringLiteral(DELAY_PROXY_SCRIPT), QStringLiteral("127.0.0.1"),
                                                  QString::number(serverPort), QStringLiteral("25")});
    if (serverPort == 0 || proxyPort == 0) {
        std::fprintf(stderr, "search bench: the servers did not start\n");
        return 1;
    }
    const QString base = QStringLiteral("http://127.0.0.1:%1").arg(proxyPort);
    const QString firstPage = library::searchAddress(base + QStringLiteral("/SRU"), library::searchQuery(QStringLiteral("carte"), false), 1);
    QStringList wholePage{firstPage};
    for (int i = 0; i < library::kPageSize; ++i)
        wholePage << base + QStringLiteral("/ark:/12148/btv1b%1.thumbnail").arg(i, 4, 10, QChar(u'0'));

    SettingsStore settings(work.filePath(QStringLiteral("Orvantis.ini")));
    settings.write(QStringLiteral("catalogue"), base + QStringLiteral("/SRU"));
    settings.write(QStringLiteral("bibliotheque"), base);
    settings.write(QStringLiteral("intervalle"), QStringLiteral("0"));
    QtDesktop desktop;
    AppContext context(settings, desktop, work.path() + u'/', work.path() + u'/');

    std::vector<double> curlFirst, curlWhole, firstRow, wholeFirst, stalls;
    for (int round = 0; round < rounds; ++round) {
        curlFirst.push_back(curlSeconds({firstPage}));
        curlWhole.push_back(curlSeconds(wholePage));

        QTemporaryDir cache;   // every round fetches its pictures
        qputenv("XDG_CACHE_HOME", QFile::encodeName(cache.path()));
        LibrarySearchPanel panel(context, nullptr, QRect(0, 0, 682, 436));
        auto *list = panel.findChild<QListWidget *>(QStringLiteral("ResultatsRecherche"));
        int pictures = 0;
        QObject::connect(&panel.thumbnails(), &ThumbnailCache::ready, [&] { ++pictures; });
        QElapsedTimer clock, tick;
        qint64 longest = 0;
        QTimer beat;
        beat.setTimerType(Qt::PreciseTimer);
        beat.setInterval(5);
        QObject::connect(&beat, &QTimer::timeout, [&] {
            longest = std::max(longest, tick.restart());
        });
        double rowAt = -1;
        clock.start();
        tick.start();
        beat.start();
        panel.openForWords(QStringLiteral("carte"));
        waitFor([&] {
            if (rowAt < 0 && list->count() > 0)
                rowAt = clock.nsecsElapsed() / 1e9;
            return pictures >= library::kPageSize;
        }, 120000);
        wholeFirst.push_back(clock.nsecsElapsed() / 1e9);
        firstRow.push_back(rowAt);
        beat.stop();
        stalls.push_back(double(longest));
        panel.close();
    }
    server.kill();
    proxy.kill();
    server.waitForFinished();
    proxy.waitForFinished();

    const double cf = median(curlFirst), cw = median(curlWhole), fr = median(firstRow), wf = median(wholeFirst);
    std::printf("search, 500 answers (pages of 50) with pictures, proxy 25 ms each way, median of %d rounds:\n", rounds);
    std::printf("  first row shown          %7.3f s   curl first page        %7.3f s   ratio %.2f\n", fr, cf, fr / cf);
    std::printf("  whole first page (+50 p) %7.3f s   curl page + 50 pictures %7.3f s   ratio %.2f\n", wf, cw, wf / cw);
    std::printf("  longest event-loop stall %7.0f ms (ticks of 5 ms; worst round %.0f ms)\n", median(stalls),
                *std::max_element(stalls.begin(), stalls.end()));
    return 0;
}
