#include "support/TestFiles.h"

#include <cstdio>
#include <jpeglib.h>
#include <vector>
#include "imaging/Jpeg.h"
#include "store/TileStore.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPainter>
#include <stdexcept>

namespace testing_support {

QImage makePicture(int width, int height, QColor colour)
{
    QImage image(width, height, QImage::Format_RGB32);
    QPainter p(&image);
    QLinearGradient gradient(0, 0, width, height);
    gradient.setColorAt(0, QColor(240, 230, 200));
    gradient.setColorAt(1, QColor(180, 170, 140));
    p.fillRect(image.rect(), gradient);
    p.fillRect(QRect(width / 4, height / 4, width / 2, height / 2), colour);
    p.setPen(Qt::black);
    for (int x = 0; x < width; x += 7)
        p.drawLine(x, 0, x, height / 8);
    return image;
}

QByteArray jpegBytes(const QImage &image, int quality)
{
    QByteArray bytes;
    if (!jpeg::encode(image, bytes, quality).ok())
        throw std::runtime_error("cannot encode a test picture");
    return bytes;
}

QByteArray jpegBytes(int width, int height, QColor colour)
{
    return jpegBytes(makePicture(width, height, colour));
}

void writeFile(const QString &path, const QByteArray &bytes)
{
    const QString native = path;
    QDir().mkpath(QFileInfo(native).absolutePath());
    QFile file(native);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        throw std::runtime_error("cannot write a test file");
}

QByteArray readFile(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll();
}

void writeTiles(const QString &folder, const QList<int> &walkIndexes, int width, int height)
{
    const QByteArray bytes = jpegBytes(width, height);
    for (int i : walkIndexes)
        writeFile(folder + u'/' + store::walkFileName(i), bytes);
}

QList<int> firstTiles(int count)
{
    QList<int> list;
    for (int i = 0; i < count; ++i)
        list << i;
    return list;
}

} // namespace testing_support

namespace testing_support {

QByteArray withoutQuantTables(const QByteArray &bytes)
{
    QByteArray out = bytes.left(2);
    qsizetype i = 2;
    while (i + 4 <= bytes.size() && uchar(bytes[i]) == 0xFF && uchar(bytes[i + 1]) != 0xDA) {
        const int length = (uchar(bytes[i + 2]) << 8) | uchar(bytes[i + 3]);
        if (uchar(bytes[i + 1]) != 0xDB)
            out += bytes.mid(i, 2 + length);
        i += 2 + length;
    }
    return out + bytes.mid(i);
}

QByteArray scanBombJpeg(int width, int height, int extraScans)
{
    jpeg_compress_struct c{};
    jpeg_error_mgr errors{};
    c.err = jpeg_std_error(&errors);
    jpeg_create_compress(&c);
    unsigned char *buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&c, &buffer, &size);
    c.image_width = JDIMENSION(width);
    c.image_height = JDIMENSION(height);
    c.input_components = 3;
    c.in_color_space = JCS_RGB;
    jpeg_set_defaults(&c);
    // DC of all planes, then each plane's AC coefficients whole: no scan refines another.
    static const jpeg_scan_info script[4] = {
        {3, {0, 1, 2, 0}, 0, 0, 0, 0}, {1, {0}, 1, 63, 0, 0}, {1, {1}, 1, 63, 0, 0}, {1, {2}, 1, 63, 0, 0}};
    c.scan_info = script;
    c.num_scans = 4;
    jpeg_start_compress(&c, TRUE);
    std::vector<JSAMPLE> row(size_t(width) * 3, 128);
    while (c.next_scanline < c.image_height) {
        JSAMPROW r = row.data();
        jpeg_write_scanlines(&c, &r, 1);
    }
    jpeg_finish_compress(&c);
    jpeg_destroy_compress(&c);
    const QByteArray file(reinterpret_cast<const char *>(buffer), qsizetype(size));
    free(buffer);

    // The markers' places; the last scan's group runs from the end of the scan before it
    // (its table, its header, its data) to the end marker.
    QList<qsizetype> scanEnds;
    qsizetype i = 2;
    while (i + 3 < file.size()) {
        if (uchar(file[i]) != 0xFF)
            return {};
        const uchar marker = uchar(file[i + 1]);
        if (marker == 0xD9)
            break;
        const qsizetype length = (uchar(file[i + 2]) << 8) | uchar(file[i + 3]);
        i += 2 + length;
        if (marker != 0xDA)
            continue;
        while (i + 1 < file.size()
               && !(uchar(file[i]) == 0xFF && uchar(file[i + 1]) != 0 && (uchar(file[i + 1]) & 0xF8) != 0xD0))
            ++i;
        scanEnds << i;
    }
    if (scanEnds.size() < 2)
        return {};
    const qsizetype from = scanEnds[scanEnds.size() - 2], to = scanEnds.last();
    const QByteArray group = file.mid(from, to - from);
    QByteArray bomb = file.left(to);
    bomb.reserve(file.size() + group.size() * extraScans);
    for (int k = 0; k < extraScans; ++k)
        bomb += group;
    bomb += file.mid(to);
    return bomb;
}

} // namespace testing_support
