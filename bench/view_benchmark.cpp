// Times the map views on the fixture of orvantis-bench-tiles, offscreen, in the real main
// window, and measures the memory of the detail view while it is panned from corner to
// corner. Prints one "name=value" line per figure; scripts/bench-view formats them.
//
//   orvantis-bench-view <maps root> [repeats]

#include "app/MainWindow.h"
#include "session/SettingsStore.h"
#include "widgets/StatusBar.h"
#include "catalogue/CassiniPage.h"
#include "imaging/Jpeg.h"
#include "support/ScriptedDesktop.h"
#include "store/TileStore.h"
#include "view/MapViewer.h"
#include "render/Mosaic.h"
#include "view/ViewGeometry.h"
#include "widgets/SpinEdit.h"

#include <QAbstractButton>
#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

// A button of the window, found by its name as a user's tool would.
QAbstractButton *button(const MainWindow &window, const char *name)
{
    return window.findChild<QAbstractButton *>(QLatin1String(name));
}

// A field of /proc/self/status in kilobytes ("VmRSS", "VmHWM").
long statusKb(const char *field)
{
    QFile file(QStringLiteral("/proc/self/status"));
    if (!file.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray key = QByteArray(field) + ':';
    for (const QByteArray &line : file.readAll().split('\n'))
        if (line.startsWith(key))
            return line.mid(key.size()).trimmed().split(' ').value(0).toLong();
    return -1;
}

// Starts a new peak: the kernel's high-water mark goes back to the current size.
void resetPeak()
{
    QFile file(QStringLiteral("/proc/self/clear_refs"));
    if (file.open(QIODevice::WriteOnly))
        file.write("5");
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

void print(const char *name, double value)
{
    std::printf("%s=%.3f\n", name, value);
    std::fflush(stdout);
}

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    // Kept previews go to a cache folder of this run.
    QTemporaryDir cacheHome;
    qputenv("XDG_CACHE_HOME", QFile::encodeName(cacheHome.path()));
    QApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: orvantis-bench-view <maps root> [repeats]\n");
        return 2;
    }
    const QString root = QString::fromLocal8Bit(argv[1]);
    const int repeats = argc > 2 ? std::max(1, atoi(argv[2])) : 5;

    QTemporaryDir programDir, configDir;
    SettingsStore settings(configDir.path() + QStringLiteral("/Orvantis.ini"));
    settings.write(QStringLiteral("cartes"), root);
    settings.write(QStringLiteral("affichage"), QStringLiteral("0"));
    testing_support::ScriptedDesktop desktop;
    desktop.echoErrors = true;
    MainWindow window(desktop, settings, programDir.path() + u'/', programDir.path() + u'/');
    view::MapViewer &viewer = *window.mapViewer();
    window.show();
    window.showPage(2);
    QApplication::processEvents();

    // Reading the 676 tile headers of a sheet (part of every view's opening).
    {
        const QString folder = store::mapFolder(root, SheetId::cassini(editions::kColour, 1));
        std::vector<double> times;
        for (int i = 0; i < repeats; ++i) {
            QElapsedTimer timer;
            timer.start();
            render::Mosaic mosaic(folder);
            mosaic.measure();
            times.push_back(timer.nsecsElapsed() / 1e6);
        }
        print("measure.ms", median(times));
        render::Mosaic mosaic(folder);
        mosaic.measure();
        times.clear();
        for (int i = 0; i < repeats; ++i) {
            QElapsedTimer timer;
            timer.start();
            mosaic.decodeStretched(QRect(0, 0, 26, 26), QSize(22, 17));
            times.push_back(timer.nsecsElapsed() / 1e6);
        }
        print("preview.decode.ms", median(times));
        times.clear();
        for (int i = 0; i < repeats; ++i) {
            mosaic.clearCache();
            QElapsedTimer timer;
            timer.start();
            mosaic.preload(QRect(11, 11, 5, 4));
            times.push_back(timer.nsecsElapsed() / 1e6);
        }
        print("detail.decode20.ms", median(times));
    }

    // Preview: from the button to the last cell painted, for both tile sizes; built from
    // the tiles (its kept copy removed first), then shown from the cache.
    for (int sheet : {1, 2}) {
        window.statusBarWidget()->setSheetNumber(sheet);
        const QString folder = window.context().selectedMapFolder();
        for (const bool cached : {false, true}) {
            std::vector<double> times;
            for (int i = 0; i < repeats; ++i) {
                if (!cached)
                    viewer.previewCache().remove(folder);
                QElapsedTimer timer;
                timer.start();
                button(window, "spSkinButton16")->click();
                QWidget *shown = window.findChild<QWidget *>(QStringLiteral("PanelCarte"));
                if (!shown || !viewer.isOpen()) {
                    std::fprintf(stderr, "the preview did not open\n");
                    return 1;
                }
                shown->repaint();
                times.push_back(timer.nsecsElapsed() / 1e6);
                viewer.closeView();
                QApplication::processEvents();
            }
            const char *names[2][2] = {{"preview.512x384.ms", "preview.cached.512x384.ms"},
                                       {"preview.256x256.ms", "preview.cached.256x256.ms"}};
            print(names[sheet - 1][cached ? 1 : 0], median(times));
        }
    }

    // Detail: a 1920 x 1080 window, centred on the middle of the 512 x 384 sheet.
    window.statusBarWidget()->setSheetNumber(1);
    window.setFixedSize(1920, 1080);
    QApplication::processEvents();
    const QSize panel = view::geometry::panelSize({512, 384});
    viewer.setDetailCentre({panel.width() / 2, panel.height() / 2});
    // The gauge repaints the window at the end of the build: the click covers the painting.
    std::vector<double> times;
    for (int i = 0; i < repeats; ++i) {
        QElapsedTimer timer;
        timer.start();
        button(window, "spSkinButton2")->click();
        window.findChild<QScrollArea *>(QStringLiteral("ScrollBox1"))->viewport()->repaint();
        times.push_back(timer.nsecsElapsed() / 1e6);
        viewer.closeView();
        window.setFixedSize(1920, 1080);
        QApplication::processEvents();
    }
    print("detail.open.ms", median(times));

    // Memory while panning the detail from the top-left corner to the bottom-right one.
    viewer.setDetailCentre({0, 0});
    QApplication::processEvents();
    const long baseline = statusKb("VmRSS");
    resetPeak();
    button(window, "spSkinButton2")->click();
    QScrollArea *box = window.findChild<QScrollArea *>(QStringLiteral("ScrollBox1"));
    const int steps = 200;
    const QPoint end(box->horizontalScrollBar()->maximum(), box->verticalScrollBar()->maximum());
    for (int i = 0; i <= steps; ++i) {
        box->horizontalScrollBar()->setValue(end.x() * i / steps);
        box->verticalScrollBar()->setValue(end.y() * i / steps);
        box->viewport()->repaint();
    }
    const long peak = statusKb("VmHWM");
    print("detail.baseline.kb", baseline);
    print("detail.peak.kb", peak);
    print("detail.peak.added.kb", peak - baseline);
    print("detail.viewport.width", box->viewport()->width());
    print("detail.viewport.height", box->viewport()->height());
    viewer.closeView();
    QApplication::processEvents();

    // Holding every tile of the sheet decoded, as a view that loads them all would.
    const QString folder = store::mapFolder(root, SheetId::cassini(editions::kColour, 1));
    const long before = statusKb("VmRSS");
    std::vector<QImage> tiles;
    qint64 bytes = 0;
    for (int i = 0; i < store::kTileCount; ++i) {
        QImage image;
        jpeg::decodeFile(folder + u'/' + store::walkFileName(i), image);
        bytes += image.sizeInBytes();
        tiles.push_back(std::move(image));
    }
    print("alltiles.added.kb", statusKb("VmRSS") - before);
    print("alltiles.pixels.kb", double(bytes) / 1024.0);
    return 0;
}
