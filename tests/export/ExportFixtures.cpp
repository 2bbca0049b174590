#include "ExportFixtures.h"

#include "store/TileStore.h"
#include "support/TestFiles.h"

#include <QDir>
#include <QProcess>
#include <QStandardPaths>

namespace export_testing {

void writeSheet(const QString &folder, QSize grid, const std::function<QSize(int, int)> &sizeOf)
{
    QDir().mkpath(folder);
    for (int row = 0; row < grid.height(); ++row)
        for (int column = 0; column < grid.width(); ++column) {
            const QSize size = sizeOf(column, row);
            if (size.isEmpty())
                continue;
            const QColor colour = QColor::fromHsv((column * 37 + row * 71) % 360, 200, 60 + (row * 13) % 150);
            testing_support::writeFile(store::tilePath(folder, column, row),
                                       testing_support::jpegBytes(testing_support::makePicture(size.width(),
                                                                                               size.height(), colour),
                                                                  92));
        }
}

QString vipsProgram()
{
    return QStandardPaths::findExecutable(QStringLiteral("vips"));
}

bool runProgram(const QString &program, const QStringList &arguments, QString *output)
{
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForFinished(120000))
        return false;
    if (output)
        *output = QString::fromUtf8(process.readAllStandardOutput());
    return process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
}

QImage joinedByVips(const QString &folder, QSize grid, QSize cell, QSize picture, const QString &scratch)
{
    // A cell without a tile gets a white tile of the cell's size, as arrayjoin needs one.
    const QString blank = QDir(scratch).filePath(QStringLiteral("blank.png"));
    QImage white(cell, QImage::Format_RGB32);
    white.fill(Qt::white);
    white.save(blank);
    QStringList tiles;
    for (int row = 0; row < grid.height(); ++row)
        for (int column = 0; column < grid.width(); ++column) {
            const QString tile = store::tilePath(folder, column, row);
            tiles << (QFileInfo::exists(tile) ? tile : blank);
        }
    const QString joined = QDir(scratch).filePath(QStringLiteral("joined.v"));
    const QString cut = QDir(scratch).filePath(QStringLiteral("expected.png"));
    if (!runProgram(vipsProgram(), {QStringLiteral("arrayjoin"), tiles.join(u' '), joined, QStringLiteral("--across"),
                                    QString::number(grid.width()), QStringLiteral("--hspacing"),
                                    QString::number(cell.width()), QStringLiteral("--vspacing"),
                                    QString::number(cell.height()), QStringLiteral("--background"),
                                    QStringLiteral("255")})
        || !runProgram(vipsProgram(), {QStringLiteral("extract_area"), joined, cut, QStringLiteral("0"),
                                       QStringLiteral("0"), QString::number(picture.width()),
                                       QString::number(picture.height())}))
        return {};
    return QImage(cut).convertToFormat(QImage::Format_RGB32);
}

QImage readWithVips(const QString &path, const QString &scratch)
{
    const QString copy = QDir(scratch).filePath(QStringLiteral("read-back.png"));
    QFile::remove(copy);
    if (!runProgram(vipsProgram(), {QStringLiteral("copy"), path, copy}))
        return {};
    return QImage(copy).convertToFormat(QImage::Format_RGB32);
}

Difference difference(const QImage &a, const QImage &b)
{
    if (a.size() != b.size() || a.isNull())
        return {};
    Difference d{0, 0};
    double sum = 0;
    for (int y = 0; y < a.height(); ++y) {
        const auto *p = reinterpret_cast<const QRgb *>(a.constScanLine(y));
        const auto *q = reinterpret_cast<const QRgb *>(b.constScanLine(y));
        for (int x = 0; x < a.width(); ++x)
            for (int shift : {0, 8, 16}) {
                const int delta = std::abs(int((p[x] >> shift) & 0xff) - int((q[x] >> shift) & 0xff));
                sum += delta;
                d.largest = std::max(d.largest, delta);
            }
    }
    d.mean = sum / (3.0 * a.width() * a.height());
    return d;
}

} // namespace export_testing
