#include "support/TileVariants.h"
#include "support/TestFiles.h"

#include <QColor>
#include <QPainter>
#include <algorithm>
#include <functional>
#include <vector>
#include <cstdio>
#include <cstdlib>
#include <jpeglib.h>
#include <stdexcept>

namespace testing_support {
namespace {

enum class Layout { Rgb, Grey, Cmyk, AdobeCmyk, Progressive };

QByteArray encodeRows(int width, int height, Layout layout, const std::function<void(int, unsigned char *)> &row)
{
    jpeg_compress_struct cinfo{};
    jpeg_error_mgr err{};
    cinfo.err = jpeg_std_error(&err);
    jpeg_create_compress(&cinfo);
    unsigned char *buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&cinfo, &buffer, &size);
    cinfo.image_width = JDIMENSION(width);
    cinfo.image_height = JDIMENSION(height);
    switch (layout) {
    case Layout::Grey:
        cinfo.input_components = 1;
        cinfo.in_color_space = JCS_GRAYSCALE;
        break;
    case Layout::Cmyk:
    case Layout::AdobeCmyk:
        cinfo.input_components = 4;
        cinfo.in_color_space = JCS_CMYK;
        break;
    default:
        cinfo.input_components = 3;
        cinfo.in_color_space = JCS_RGB;
    }
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, 95, TRUE);
    if (layout == Layout::Cmyk || layout == Layout::AdobeCmyk) {
        jpeg_set_colorspace(&cinfo, JCS_CMYK);
        cinfo.write_Adobe_marker = layout == Layout::AdobeCmyk;
    }
    if (layout == Layout::Progressive)
        jpeg_simple_progression(&cinfo);
    jpeg_start_compress(&cinfo, TRUE);
    std::vector<unsigned char> line(size_t(width) * size_t(cinfo.input_components));
    while (cinfo.next_scanline < cinfo.image_height) {
        row(int(cinfo.next_scanline), line.data());
        JSAMPROW rows = line.data();
        jpeg_write_scanlines(&cinfo, &rows, 1);
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    QByteArray out(reinterpret_cast<const char *>(buffer), qsizetype(size));
    std::free(buffer);
    return out;
}

QByteArray encode(const QImage &picture, Layout layout)
{
    const QImage image = picture.convertToFormat(QImage::Format_RGB32);
    return encodeRows(image.width(), image.height(), layout, [&](int y, unsigned char *out) {
        const auto *in = reinterpret_cast<const QRgb *>(image.constScanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            const int r = qRed(in[x]), g = qGreen(in[x]), b = qBlue(in[x]);
            switch (layout) {
            case Layout::Grey:
                out[x] = uchar(qGray(in[x]));
                break;
            case Layout::Cmyk:
            case Layout::AdobeCmyk: {
                // Inks with black taken out: R = (255 - C) * (255 - K) / 255.
                const int m = std::max({r, g, b});
                const int k = 255 - m;
                const int c = m ? (m - r) * 255 / m : 0, mg = m ? (m - g) * 255 / m : 0,
                          y = m ? (m - b) * 255 / m : 0;
                const bool inverted = layout == Layout::AdobeCmyk;
                out[4 * x] = uchar(inverted ? 255 - c : c);
                out[4 * x + 1] = uchar(inverted ? 255 - mg : mg);
                out[4 * x + 2] = uchar(inverted ? 255 - y : y);
                out[4 * x + 3] = uchar(inverted ? 255 - k : k);
                break;
            }
            default:
                out[3 * x] = uchar(r);
                out[3 * x + 1] = uchar(g);
                out[3 * x + 2] = uchar(b);
            }
        }
    });
}

QByteArray withClaimedSize(QByteArray bytes, int width, int height)
{
    for (qsizetype i = 0; i + 9 < bytes.size(); ++i) {
        if (uchar(bytes[i]) == 0xFF && (uchar(bytes[i + 1]) == 0xC0 || uchar(bytes[i + 1]) == 0xC2)) {
            bytes[i + 5] = char(height >> 8);
            bytes[i + 6] = char(height & 0xFF);
            bytes[i + 7] = char(width >> 8);
            bytes[i + 8] = char(width & 0xFF);
            return bytes;
        }
    }
    throw std::runtime_error("no frame header");
}

} // namespace

const std::vector<TileVariant> &tileVariants()
{
    static const std::vector<TileVariant> variants{
        {TileKind::Rgb, "rgb", true},
        {TileKind::Grey, "grey", true},
        {TileKind::Cmyk, "cmyk", true},
        {TileKind::AdobeCmyk, "adobe-inverted-cmyk", true},
        {TileKind::Progressive, "progressive", true},
        {TileKind::TruncatedWithEnd, "truncated-ending-in-FFD9", false},
        {TileKind::ClaimsHuge, "11KB-claiming-8192x8192", false},
        {TileKind::TooWide, "8193x1", false},
    };
    return variants;
}

QImage variantPicture()
{
    // Flat areas of a few colours and detail in between: colours can be compared where flat.
    QImage image = makePicture(96, 64, QColor(40, 90, 200));
    QPainter p(&image);
    p.fillRect(QRect(0, 40, 32, 24), QColor(220, 180, 40));
    p.fillRect(QRect(64, 40, 32, 24), QColor(30, 30, 30));
    return image;
}

QByteArray tileBytes(TileKind kind)
{
    switch (kind) {
    case TileKind::Rgb: return encode(variantPicture(), Layout::Rgb);
    case TileKind::Grey: return encode(variantPicture(), Layout::Grey);
    case TileKind::Cmyk: return encode(variantPicture(), Layout::Cmyk);
    case TileKind::AdobeCmyk: return encode(variantPicture(), Layout::AdobeCmyk);
    case TileKind::Progressive: return encode(variantPicture(), Layout::Progressive);
    case TileKind::TruncatedWithEnd: {
        const QByteArray whole = encode(makePicture(256, 192), Layout::Rgb);
        return whole.left(whole.size() / 2) + QByteArray("\xFF\xD9", 2);
    }
    case TileKind::ClaimsHuge: {
        const QByteArray small = encode(makePicture(200, 150), Layout::Rgb);
        return withClaimedSize(small, 8192, 8192);
    }
    case TileKind::TooWide:
        return encodeRows(8193, 1, Layout::Rgb, [](int, unsigned char *out) { std::fill(out, out + 3 * 8193, 128); });
    }
    return {};
}

QByteArray plainJpeg(int width, int height)
{
    return encodeRows(width, height, Layout::Grey, [width](int, unsigned char *out) { std::fill(out, out + width, 128); });
}

int largestDifference(const QImage &a, const QImage &b)
{
    const QImage x = a.convertToFormat(QImage::Format_RGB32), y = b.convertToFormat(QImage::Format_RGB32);
    if (x.size() != y.size())
        return 256;
    int worst = 0;
    for (int row = 0; row < x.height(); ++row) {
        const auto *p = reinterpret_cast<const QRgb *>(x.constScanLine(row));
        const auto *q = reinterpret_cast<const QRgb *>(y.constScanLine(row));
        for (int col = 0; col < x.width(); ++col)
            worst = std::max({worst, std::abs(qRed(p[col]) - qRed(q[col])), std::abs(qGreen(p[col]) - qGreen(q[col])),
                              std::abs(qBlue(p[col]) - qBlue(q[col]))});
    }
    return worst;
}

} // namespace testing_support
