// A part cut from a JPEG picture on its blocks keeps the picture's compressed blocks: the
// same coefficients, so the same pixels, whatever the picture's sampling; a part off the
// blocks is refused, so that the caller decodes and encodes instead.
#include "imaging/Jpeg.h"
#include "support/TestFiles.h"

#include <QPainter>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <jpeglib.h>
#include <gtest/gtest.h>
#include <array>
#include <vector>

using namespace testing_support;

namespace {

// A picture with detail everywhere, so that any shifted block would show.
QImage busyPicture(int width, int height)
{
    QImage image(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            image.setPixel(x, y, qRgb((x * 7 + y * 3) % 256, (x * x + y * 5) % 256, (x ^ y) * 13 % 256));
    QPainter p(&image);
    p.setPen(Qt::black);
    p.drawText(QRect(0, 0, width, height), Qt::AlignCenter | Qt::TextWordWrap, QStringLiteral("Carte de Cassini 1756"));
    return image;
}

struct JumpError {
    jpeg_error_mgr pub;
    std::jmp_buf jump;
};

// Encodes with the given sampling of the first component (h x v; the others 1 x 1), or in
// grey, baseline or progressive.
QByteArray encodeSampled(const QImage &source, int h, int v, bool grey, bool progressive)
{
    const QImage image = source.convertToFormat(grey ? QImage::Format_Grayscale8 : QImage::Format_RGB888);
    jpeg_compress_struct cinfo{};
    JumpError err{};
    cinfo.err = jpeg_std_error(&err.pub);
    err.pub.error_exit = [](j_common_ptr c) { std::longjmp(reinterpret_cast<JumpError *>(c->err)->jump, 1); };
    unsigned char *buffer = nullptr;
    unsigned long size = 0;
    jpeg_create_compress(&cinfo);
    if (setjmp(err.jump)) {
        jpeg_destroy_compress(&cinfo);
        free(buffer);
        return {};
    }
    jpeg_mem_dest(&cinfo, &buffer, &size);
    cinfo.image_width = JDIMENSION(image.width());
    cinfo.image_height = JDIMENSION(image.height());
    cinfo.input_components = grey ? 1 : 3;
    cinfo.in_color_space = grey ? JCS_GRAYSCALE : JCS_RGB;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, 80, TRUE);
    if (!grey) {
        cinfo.comp_info[0].h_samp_factor = h;
        cinfo.comp_info[0].v_samp_factor = v;
    }
    if (progressive)
        jpeg_simple_progression(&cinfo);
    jpeg_start_compress(&cinfo, TRUE);
    while (cinfo.next_scanline < cinfo.image_height) {
        JSAMPROW row = const_cast<JSAMPROW>(image.constScanLine(int(cinfo.next_scanline)));
        jpeg_write_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    QByteArray bytes(reinterpret_cast<const char *>(buffer), qsizetype(size));
    free(buffer);
    return bytes;
}

// The quantized coefficients of every component, block by block, with each component's
// size in blocks; nothing for bytes that are no picture.
struct Coefficients {
    struct Component {
        int h = 1, v = 1;
        int widthInBlocks = 0, heightInBlocks = 0;
        std::vector<std::array<JCOEF, DCTSIZE2>> blocks;
        const std::array<JCOEF, DCTSIZE2> &at(int bx, int by) const { return blocks[size_t(by) * size_t(widthInBlocks) + size_t(bx)]; }
    };
    int maxH = 1, maxV = 1;
    std::vector<Component> components;
    std::vector<std::array<UINT16, DCTSIZE2>> tables;
};

Coefficients readCoefficients(const QByteArray &bytes)
{
    Coefficients result;
    jpeg_decompress_struct cinfo{};
    JumpError err{};
    cinfo.err = jpeg_std_error(&err.pub);
    err.pub.error_exit = [](j_common_ptr c) { std::longjmp(reinterpret_cast<JumpError *>(c->err)->jump, 1); };
    jpeg_create_decompress(&cinfo);
    if (setjmp(err.jump)) {
        jpeg_destroy_decompress(&cinfo);
        return {};
    }
    jpeg_mem_src(&cinfo, reinterpret_cast<const unsigned char *>(bytes.constData()), static_cast<unsigned long>(bytes.size()));
    jpeg_read_header(&cinfo, TRUE);
    jvirt_barray_ptr *arrays = jpeg_read_coefficients(&cinfo);
    result.maxH = cinfo.max_h_samp_factor;
    result.maxV = cinfo.max_v_samp_factor;
    for (int ci = 0; ci < cinfo.num_components; ++ci) {
        const jpeg_component_info &comp = cinfo.comp_info[ci];
        Coefficients::Component c;
        c.h = comp.h_samp_factor;
        c.v = comp.v_samp_factor;
        c.widthInBlocks = int(comp.width_in_blocks);
        c.heightInBlocks = int(comp.height_in_blocks);
        for (JDIMENSION by = 0; by < comp.height_in_blocks; ++by) {
            JBLOCKARRAY row = cinfo.mem->access_virt_barray(reinterpret_cast<j_common_ptr>(&cinfo), arrays[ci], by, 1, FALSE);
            for (JDIMENSION bx = 0; bx < comp.width_in_blocks; ++bx) {
                std::array<JCOEF, DCTSIZE2> block{};
                std::memcpy(block.data(), row[0][bx], sizeof(JBLOCK));
                c.blocks.push_back(block);
            }
        }
        std::array<UINT16, DCTSIZE2> table{};
        std::memcpy(table.data(), comp.quant_table->quantval, sizeof(table));
        result.tables.push_back(table);
        result.components.push_back(std::move(c));
    }
    jpeg_finish_decompress(&cinfo);
    jpeg_destroy_decompress(&cinfo);
    return result;
}

} // namespace

TEST(JpegCrop, APartOnTheBlocksKeepsThePicturesOwnBlocks)
{
    const QImage picture = busyPicture(203, 157);
    struct Sampling {
        const char *name;
        int h, v;
        bool grey;
        QSize block;
    } samplings[] = {
        {"4:4:4", 1, 1, false, {8, 8}},
        {"4:2:2", 2, 1, false, {16, 8}},
        {"4:2:0", 2, 2, false, {16, 16}},
        {"grey", 1, 1, true, {8, 8}},
    };
    for (const Sampling &s : samplings) {
        for (const bool progressive : {false, true}) {
            SCOPED_TRACE(std::string(s.name) + (progressive ? " progressive" : " baseline"));
            const QByteArray bytes = encodeSampled(picture, s.h, s.v, s.grey, progressive);
            ASSERT_FALSE(bytes.isEmpty());
            jpeg::Header header;
            ASSERT_TRUE(jpeg::readHeader(bytes, header).ok());
            EXPECT_EQ(header.block, s.block);
            const QSize unit = s.block;
            QImage whole;
            ASSERT_TRUE(jpeg::decode(bytes, whole).ok());
            const Coefficients source = readCoefficients(bytes);
            ASSERT_FALSE(source.components.empty());
            const QRect parts[] = {
                QRect(QPoint(unit.width(), unit.height()), QSize(64, 48)),   // inside
                QRect(QPoint(2 * unit.width(), 0), QSize(203 - 2 * unit.width(), 157)),   // to the right edge
                QRect(QPoint(0, 3 * unit.height()), QSize(37, 157 - 3 * unit.height())),   // odd width, to the bottom
                QRect(0, 0, 203, 157),
            };
            for (const QRect part : parts) {
                SCOPED_TRACE(QStringLiteral("part %1,%2 %3 x %4").arg(part.x()).arg(part.y()).arg(part.width()).arg(part.height()).toStdString());
                QByteArray cut;
                const jpeg::Status status = jpeg::cropLossless(bytes, part, cut);
                ASSERT_TRUE(status.ok()) << status.code;
                jpeg::Header cutHeader;
                ASSERT_TRUE(jpeg::readHeader(cut, cutHeader).ok());
                EXPECT_EQ(cutHeader.size(), part.size());
                // The same quantization and every block of the part, coefficient for coefficient.
                const Coefficients got = readCoefficients(cut);
                ASSERT_EQ(got.components.size(), source.components.size());
                EXPECT_EQ(got.tables, source.tables);
                for (size_t ci = 0; ci < got.components.size(); ++ci) {
                    const auto &from = source.components[ci];
                    const auto &to = got.components[ci];
                    const int offsetX = part.x() / (8 * source.maxH) * from.h;
                    const int offsetY = part.y() / (8 * source.maxV) * from.v;
                    for (int by = 0; by < to.heightInBlocks; ++by)
                        for (int bx = 0; bx < to.widthInBlocks; ++bx)
                            ASSERT_EQ(to.at(bx, by), from.at(bx + offsetX, by + offsetY))
                                << "component " << ci << " block " << bx << "," << by;
                }
                // Without sampled-down colours nothing is interpolated across the cut: the
                // decoded pixels are the whole picture's, exactly.
                if (s.h == 1 && s.v == 1) {
                    QImage decoded;
                    ASSERT_TRUE(jpeg::decode(cut, decoded).ok());
                    EXPECT_EQ(decoded, whole.copy(part));
                }
            }
        }
    }
}

TEST(JpegCrop, APartOffTheBlocksOrOutsideIsRefusedWithoutHarm)
{
    const QByteArray sampled = encodeSampled(busyPicture(120, 90), 2, 2, false, false);
    const QByteArray full = encodeSampled(busyPicture(120, 90), 1, 1, false, false);
    struct Case {
        const QByteArray *bytes;
        QRect part;
        int code;
    } cases[] = {
        {&sampled, QRect(8, 16, 32, 32), jpeg::kOffBlockGridCode},    // on the luma blocks, not the colours'
        {&sampled, QRect(16, 8, 32, 32), jpeg::kOffBlockGridCode},
        {&full, QRect(3, 0, 32, 32), jpeg::kOffBlockGridCode},
        {&full, QRect(8, 8, 120, 32), jpeg::kOffBlockGridCode},      // past the right edge
        {&full, QRect(0, 0, 0, 10), jpeg::kOffBlockGridCode},
    };
    for (const Case &c : cases) {
        QByteArray out("unchanged");
        EXPECT_EQ(jpeg::cropLossless(*c.bytes, c.part, out).code, c.code);
        EXPECT_EQ(out, QByteArray("unchanged"));
    }
    // Damaged or no data: an error, never a crash, never a part.
    QByteArray out;
    EXPECT_FALSE(jpeg::cropLossless(QByteArray("no picture"), QRect(0, 0, 8, 8), out).ok());
    EXPECT_FALSE(jpeg::cropLossless(full.left(full.size() / 2), QRect(0, 0, 8, 8), out).ok());
    EXPECT_TRUE(out.isEmpty());
}
