// Print benchmark on a generated sheet of 676 JPEG tiles (libjpeg, quality 85):
//   bench_print fixture <program folder> <tile width> <tile height>
//   bench_print compose <program folder>      "Carte entière" until VueFinale shows it
//   bench_print zone <program folder>         "Zone" of columns and rows 1..14 until VueFinale shows it
//   bench_print limit <program folder> sheet|zone  the same tiles only decoded at 1/4 on 2 threads
//   bench_print poster <program folder> <pdf> quarter 1 at the largest size, printed to PDF
// Each measuring mode prints "<mode> ms=<elapsed> peak_kb=<peak resident memory>"; compose
// also gives the peak of the window before the button (window_kb).
#include "app/MainWindow.h"
#include "session/SettingsStore.h"
#include "imaging/Jpeg.h"
#include "platform/QtDesktop.h"
#include "print/PosterPage.h"
#include "store/TileStore.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QPainter>
#include <QPrinter>
#include <QPushButton>
#include <QRandomGenerator>
#include <QSlider>
#include <QTemporaryDir>

#include <atomic>
#include <cstdio>
#include <thread>
#include <vector>

namespace {

long peakResidentKb()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n'))
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').first().toLong();
    return -1;
}

// A tile with detail, so that it compresses like a scanned map rather than a flat colour.
QImage tilePicture(int width, int height, int index)
{
    QImage image(width, height, QImage::Format_RGB32);
    QPainter p(&image);
    QLinearGradient g(0, 0, width, height);
    g.setColorAt(0, QColor(235, 225, 195));
    g.setColorAt(1, QColor(190 - index % 40, 175, 140 + index % 60));
    p.fillRect(image.rect(), g);
    QRandomGenerator random(quint32(index + 1));
    p.setPen(QColor(60, 50, 40));
    for (int i = 0; i < 120; ++i)
        p.drawLine(random.bounded(width), random.bounded(height), random.bounded(width), random.bounded(height));
    p.setPen(QColor(30, 60, 150));
    p.drawText(QRect(0, 0, width, height), Qt::AlignCenter, store::walkFileName(index));
    return image;
}

int fixture(const QString &programFolder, int width, int height)
{
    const QString folder = store::mapFolder(programFolder, SheetId::cassini(editions::kColour, 1));
    store::createFolderPath(folder);
    for (int i = 0; i < store::kTileCount; ++i) {
        QByteArray bytes;
        if (!jpeg::encode(tilePicture(width, height, i), bytes, 85).ok())
            return 1;
        QFile file(folder + u'/' + store::walkFileName(i));
        if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
            return 1;
    }
    return 0;
}

// The floor under any composition: the tiles' files decoded at a quarter of their size on
// two threads, nothing drawn. Columns and rows 0..side-1.
int decodeLimit(const QString &programFolder, int side)
{
    const QString folder = store::mapFolder(programFolder, SheetId::cassini(editions::kColour, 1));
    std::vector<QString> files;
    for (int row = 0; row < side; ++row)
        for (int column = 0; column < side; ++column)
            files.push_back(store::tilePath(folder, column, row));
    QElapsedTimer timer;
    timer.start();
    std::atomic<int> next{0}, failures{0};
    const auto work = [&] {
        for (int i = next++; i < int(files.size()); i = next++) {
            QImage quarter;
            if (!jpeg::decodeFile(files[size_t(i)], quarter, 4).ok())
                ++failures;
        }
    };
    std::thread other(work);
    work();
    other.join();
    const qint64 ms = timer.elapsed();
    if (failures > 0)
        return 1;
    std::printf("limit tiles=%d ms=%lld peak_kb=%ld\n", int(files.size()), ms, peakResidentKb());
    return 0;
}

struct Window {
    QTemporaryDir config;
    QtDesktop desktop;
    SettingsStore settings;
    MainWindow window;
    explicit Window(const QString &programFolder)
        : settings(config.path() + QStringLiteral("/Orvantis.ini")),
          window(desktop, settings, programFolder, programFolder)
    {
        window.show();
        window.showPage(5);
        QApplication::processEvents();
    }
    void click(const char *name) { window.findChild<QPushButton *>(QString::fromLatin1(name))->click(); }
};

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() < 3)
        return 2;
    const QString mode = args[1];
    QString programFolder = args[2];
    if (!programFolder.endsWith(u'/'))
        programFolder += u'/';

    if (mode == QStringLiteral("fixture") && args.size() >= 5)
        return fixture(programFolder, args[3].toInt(), args[4].toInt());

    if (mode == QStringLiteral("limit") && args.size() >= 4)
        return decodeLimit(programFolder, args[3] == QStringLiteral("zone") ? 14 : store::kGridSide);

    Window w(programFolder);
    if (mode == QStringLiteral("compose") || mode == QStringLiteral("zone")) {
        const bool zone = mode == QStringLiteral("zone");
        // First column, first row, last column, last row of the zone: 1..14 both ways.
        const struct {
            const char *picker;
            int index;
        } picks[] = {{"spSkinComboBox5", 0}, {"spSkinComboBox6", 0}, {"spSkinComboBox3", 13}, {"spSkinComboBox4", 13}};
        if (zone)
            for (const auto &pick : picks)
                w.window.findChild<QComboBox *>(QString::fromLatin1(pick.picker))->setCurrentIndex(pick.index);
        QApplication::processEvents();
        const long baseKb = peakResidentKb();
        QElapsedTimer timer;
        timer.start();
        w.click(zone ? "spSkinButton10" : "spSkinButton50");
        auto *finale = w.window.findChild<QLabel *>(QStringLiteral("VueFinale"));
        finale->repaint();
        const qint64 ms = timer.elapsed();
        if (finale->pixmap().isNull())
            return 1;
        std::printf("%s ms=%lld peak_kb=%ld window_kb=%ld\n", qPrintable(mode), ms, peakResidentKb(), baseKb);
        return 0;
    }
    if (mode == QStringLiteral("poster") && args.size() >= 4) {
        w.click("spSkinButton50");
        w.click("spSkinButton28");
        w.click("spSkinButton36");
        QPrinter &printer = w.window.printer();
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(args[3]);
        PosterPage *poster = w.window.poster();
        const int pages = poster->posterRows() * poster->posterColumns();
        QElapsedTimer timer;
        timer.start();
        w.click("spSkinButton39");
        const qint64 ms = timer.elapsed();
        std::printf("poster pages=%d (%dx%d) ms=%lld peak_kb=%ld\n", pages, poster->posterRows(),
                    poster->posterColumns(), ms, peakResidentKb());
        return 0;
    }
    return 2;
}
