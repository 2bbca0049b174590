#include "export/TileBandDecoder.h"

#include "imaging/Jpeg.h"
#include "imaging/JpegErrors.h"

#include <QFile>
#include <QImage>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <jpeglib.h>
#include <vector>

namespace exporting {
namespace {

void whiten(uchar *row, int pixels)
{
    if (pixels > 0)
        std::memset(row, 0xff, size_t(pixels) * 3);
}

// The region of the cell that a decoded picture of `width` x `height` leaves white.
void whitenAround(const BandCell &cell, int width, int height)
{
    for (int y = 0; y < cell.height; ++y) {
        uchar *row = cell.band + cell.stride * y + qsizetype(cell.left) * 3;
        if (y >= height)
            whiten(row, cell.width);
        else if (width < cell.width)
            whiten(row + qsizetype(width) * 3, cell.width - width);
    }
}

// Pictures in CMYK come through the program's general decoder, which converts them.
bool decodeOther(const QByteArray &bytes, const BandCell &cell)
{
    QImage image;
    if (!jpeg::decode(bytes, image).ok())
        return false;
    const int width = qMin(image.width(), cell.width), height = qMin(image.height(), cell.height);
    for (int y = 0; y < height; ++y) {
        const auto *in = reinterpret_cast<const QRgb *>(image.constScanLine(y));
        uchar *out = cell.band + cell.stride * y + qsizetype(cell.left) * 3;
        for (int x = 0; x < width; ++x) {
            *out++ = uchar(qRed(in[x]));
            *out++ = uchar(qGreen(in[x]));
            *out++ = uchar(qBlue(in[x]));
        }
    }
    whitenAround(cell, width, height);
    return true;
}

bool decodeBytes(const QByteArray &bytes, const BandCell &cell)
{
    jpeg::Decompressor d;
    std::vector<JSAMPLE> wide;   // a row of a tile wider than its cell
    if (setjmp(d.err.jump))
        return false;
    jpeg_mem_src(&d.cinfo, reinterpret_cast<const unsigned char *>(bytes.constData()),
                 static_cast<unsigned long>(bytes.size()));
    jpeg_read_header(&d.cinfo, TRUE);
    if (d.cinfo.image_width > unsigned(jpeg::kMaxSide) || d.cinfo.image_height > unsigned(jpeg::kMaxSide))
        return false;
    if (d.cinfo.jpeg_color_space == JCS_CMYK || d.cinfo.jpeg_color_space == JCS_YCCK)
        return decodeOther(bytes, cell);
    d.cinfo.out_color_space = JCS_RGB;
    jpeg_start_decompress(&d.cinfo);
    const int width = int(d.cinfo.output_width);
    const int rows = qMin(int(d.cinfo.output_height), cell.height);
    const int shown = qMin(width, cell.width);
    if (width > cell.width)
        wide.resize(size_t(width) * 3);
    while (int(d.cinfo.output_scanline) < rows) {
        uchar *out = cell.band + cell.stride * qsizetype(d.cinfo.output_scanline) + qsizetype(cell.left) * 3;
        JSAMPROW row = wide.empty() ? out : wide.data();
        jpeg_read_scanlines(&d.cinfo, &row, 1);
        if (!wide.empty())
            std::memcpy(out, wide.data(), size_t(shown) * 3);
        if (d.err.warnings > 0)
            return false;
    }
    // Rows below the cell are never shown: a tile taller than its cell stops here.
    if (d.cinfo.output_scanline < d.cinfo.output_height)
        jpeg_abort_decompress(&d.cinfo);
    else
        jpeg_finish_decompress(&d.cinfo);
    if (d.err.warnings > 0)
        return false;
    whitenAround(cell, shown, rows);
    return true;
}

} // namespace

void fillWhite(const BandCell &cell)
{
    for (int y = 0; y < cell.height; ++y)
        whiten(cell.band + cell.stride * y + qsizetype(cell.left) * 3, cell.width);
}

bool decodeTileInto(const QString &path, const BandCell &cell)
{
    QFile file(path);
    bool ok = false;
    if (file.open(QIODevice::ReadOnly) && file.size() > 0 && file.size() <= jpeg::kMaxFileBytes) {
        const QByteArray bytes = file.readAll();
        ok = bytes.size() == file.size() && decodeBytes(bytes, cell);
    }
    if (!ok)
        fillWhite(cell);
    return ok;
}

} // namespace exporting
