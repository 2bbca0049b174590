// Every kind of tile the program may meet: colour, grey and CMYK pictures decode with their
// colours; the whole-file check tells whole pictures from broken ones; only damaged bytes
// count as corrupt.
#include "imaging/Jpeg.h"
#include "support/TestFiles.h"
#include "support/TileVariants.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <jerror.h>
#include <sys/stat.h>

using namespace testing_support;

namespace {

// Mean colour of a flat block of the picture, away from its edges.
QColor meanColour(const QImage &image, QRect block)
{
    long r = 0, g = 0, b = 0, n = 0;
    for (int y = block.top(); y <= block.bottom(); ++y)
        for (int x = block.left(); x <= block.right(); ++x) {
            const QRgb p = image.pixel(x, y);
            r += qRed(p), g += qGreen(p), b += qBlue(p), ++n;
        }
    return QColor(int(r / n), int(g / n), int(b / n));
}

int distance(QColor a, QColor b)
{
    return std::max({std::abs(a.red() - b.red()), std::abs(a.green() - b.green()), std::abs(a.blue() - b.blue())});
}

// The flat blocks of variantPicture(): blue in the middle, yellow and near-black below.
const QRect kBlocks[] = {QRect(36, 20, 24, 12), QRect(4, 44, 24, 16), QRect(68, 44, 24, 16)};

} // namespace

TEST(JpegKinds, EveryValidKindDecodesWithTheColoursOfItsPicture)
{
    const QImage original = variantPicture();
    for (const TileVariant &v : tileVariants()) {
        if (!v.valid)
            continue;
        SCOPED_TRACE(v.name);
        const QByteArray bytes = tileBytes(v.kind);
        QImage decoded;
        ASSERT_TRUE(jpeg::decode(bytes, decoded).ok());
        ASSERT_EQ(decoded.size(), original.size());
        for (const QRect &block : kBlocks) {
            QColor expected = meanColour(original, block);
            if (v.kind == TileKind::Grey)
                expected = QColor(qGray(expected.rgb()), qGray(expected.rgb()), qGray(expected.rgb()));
            EXPECT_LE(distance(meanColour(decoded, block), expected), 8)
                << meanColour(decoded, block).name().toStdString() << " for " << expected.name().toStdString();
        }
        // Scaled and partial decodes give the same colours as the whole one.
        QImage eighth;
        ASSERT_TRUE(jpeg::decode(bytes, eighth, 8).ok());
        EXPECT_LE(distance(meanColour(eighth, QRect(5, 3, 2, 1)), meanColour(decoded, QRect(40, 24, 16, 8))), 12);
        QImage part;
        QRect done;
        ASSERT_TRUE(jpeg::decodeRegion(bytes, part, QRect(32, 16, 40, 24), done).ok());
        EXPECT_EQ(largestDifference(part.copy(done), decoded.copy(done)), 0);
    }
}

TEST(JpegKinds, CmykTilesLookLikeTheirRgbTwin)
{
    QImage rgb, cmyk, adobe;
    ASSERT_TRUE(jpeg::decode(tileBytes(TileKind::Rgb), rgb).ok());
    ASSERT_TRUE(jpeg::decode(tileBytes(TileKind::Cmyk), cmyk).ok());
    ASSERT_TRUE(jpeg::decode(tileBytes(TileKind::AdobeCmyk), adobe).ok());
    for (const QRect &block : kBlocks) {
        EXPECT_LE(distance(meanColour(cmyk, block), meanColour(rgb, block)), 8);
        EXPECT_LE(distance(meanColour(adobe, block), meanColour(rgb, block)), 8);
    }
}

TEST(JpegKinds, WholeFileCheckAcceptsOnlyWholePicturesWithinBounds)
{
    QTemporaryDir dir;
    for (const TileVariant &v : tileVariants()) {
        SCOPED_TRACE(v.name);
        const QString path = dir.filePath(QString::fromLatin1(v.name) + ".jpg");
        writeFile(path, tileBytes(v.kind));
        jpeg::Header header;
        const jpeg::Status status = jpeg::checkFile(path, header);
        EXPECT_EQ(status.ok(), v.valid) << status.message().toStdString();
        if (v.valid) {
            EXPECT_EQ(header.size(), variantPicture().size());
        } else {
            EXPECT_TRUE(status.isCorrupt());
            EXPECT_FALSE(status.isFileError());
        }
    }
    // An empty file, bytes that are no picture, a missing file, a pipe (answered at once).
    writeFile(dir.filePath("empty.jpg"), QByteArray());
    writeFile(dir.filePath("text.jpg"), QByteArray(3000, 'x'));
    ASSERT_EQ(::mkfifo(QFile::encodeName(dir.filePath("pipe.jpg")).constData(), 0600), 0);
    jpeg::Header header;
    EXPECT_TRUE(jpeg::checkFile(dir.filePath("empty.jpg"), header).isCorrupt());
    EXPECT_TRUE(jpeg::checkFile(dir.filePath("text.jpg"), header).isCorrupt());
    EXPECT_TRUE(jpeg::checkFile(dir.filePath("missing.jpg"), header).isFileError());
    EXPECT_TRUE(jpeg::checkFile(dir.filePath("pipe.jpg"), header).isFileError());
}

// The check reads a file in pieces of 256 KB: a picture larger than one piece, markers skipped
// across a piece's end, and cuts just before, at and after a piece's end (some closed by a
// final FF D9) must all be judged as a whole.
TEST(JpegKinds, WholeFileCheckJudgesPicturesLargerThanOnePiece)
{
    constexpr int kPiece = 256 * 1024;
    QImage noise(1600, 1200, QImage::Format_RGB32);
    quint32 seed = 12345;
    for (int y = 0; y < noise.height(); ++y) {
        auto *line = reinterpret_cast<QRgb *>(noise.scanLine(y));
        for (int x = 0; x < noise.width(); ++x) {
            seed = seed * 1664525u + 1013904223u;
            line[x] = 0xff000000u | (seed >> 8);
        }
    }
    const QByteArray whole = jpegBytes(noise, 90);
    ASSERT_GT(whole.size(), 2 * kPiece);
    // Comments of 60000 bytes after the start marker, the third one across the first piece's end.
    QByteArray commented = whole.left(2);
    for (int i = 0; i < 5; ++i) {
        commented += QByteArray("\xFF\xFE\xEA\x62", 4);   // COM, length 60002
        commented += QByteArray(60000, char('a' + i));
    }
    commented += whole.mid(2);

    struct Case {
        const char *name;
        QByteArray bytes;
        bool valid;
    };
    const QByteArray endMarker("\xFF\xD9", 2);
    const Case cases[] = {
        {"whole", whole, true},
        {"comments across a piece's end", commented, true},
        {"cut before the first piece's end", whole.left(kPiece - 100), false},
        {"cut at the first piece's end", whole.left(kPiece), false},
        {"cut after the first piece's end, then FF D9", whole.left(kPiece + 100) + endMarker, false},
        {"cut in the second piece, then FF D9", whole.left(2 * kPiece - 7) + endMarker, false},
        {"last 200 bytes missing, FF D9 kept", whole.left(whole.size() - 202) + endMarker, false},
    };
    QTemporaryDir dir;
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        const QString path = dir.filePath("large.jpg");
        writeFile(path, c.bytes);
        jpeg::Header header;
        const jpeg::Status status = jpeg::checkFile(path, header);
        EXPECT_EQ(status.ok(), c.valid) << status.message().toStdString();
        if (c.valid)
            EXPECT_EQ(header.size(), noise.size());
        else
            EXPECT_TRUE(status.isCorrupt());
    }
}

TEST(JpegKinds, OnlyDataErrorsCountAsCorrupt)
{
    struct Case {
        int code;
        bool corrupt;
    };
    const Case cases[] = {
        {0, false},
        {JERR_FILE_READ, false},
        {JERR_OUT_OF_MEMORY, false},
        {JERR_CONVERSION_NOTIMPL, false},
        {JERR_NOT_COMPILED, false},
        {JERR_NO_SOI, true},
        {JERR_INPUT_EMPTY, true},
        {JERR_BAD_HUFF_TABLE, true},
        {JERR_IMAGE_TOO_BIG, true},
        {JWRN_HIT_MARKER, true},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.code);
        EXPECT_EQ(jpeg::Status{c.code}.isCorrupt(), c.corrupt);
    }
    EXPECT_TRUE(jpeg::Status{JERR_OUT_OF_MEMORY}.isOutOfMemory());
}

TEST(JpegKinds, AFileFarLargerThanAnyTileIsNeverReadWholeNorCountedCorrupt)
{
    // A real picture followed by 40 MB of zeros (a sparse file): its header reads, but the
    // views do not take 40 MB to decode it, and do not delete it either.
    QTemporaryDir dir;
    const QString path = dir.filePath("huge.jpg");
    writeFile(path, tileBytes(TileKind::Rgb));
    QFile file(path);
    ASSERT_TRUE(file.resize(40 * 1024 * 1024));
    jpeg::Header header;
    EXPECT_TRUE(jpeg::readHeaderFromFile(path, header).ok());
    QImage image;
    const jpeg::Status status = jpeg::decodeFile(path, image);
    EXPECT_FALSE(status.ok());
    EXPECT_FALSE(status.isCorrupt());
    EXPECT_TRUE(image.isNull());
}
