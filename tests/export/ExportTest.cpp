// Whole-map export: the picture each format holds, read back by vips, against the tiles
// joined by vips; missing and damaged tiles; pictures past the JPEG limit; cancel and a
// full disk.

#include "ExportFixtures.h"

#include "export/ExportPlan.h"
#include "export/ExportRunner.h"
#include "store/TileStore.h"
#include "support/FileSizeLimit.h"
#include "support/TestFiles.h"

#include <QDir>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace exporting;
using namespace export_testing;

namespace {

#define REQUIRE_VIPS()                                                                                 \
    do {                                                                                               \
        if (vipsProgram().isEmpty())                                                                   \
            GTEST_SKIP() << "vips is not installed (scripts/install-deps installs it)";               \
    } while (0)

QStringList entries(const QString &folder)
{
    return QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot);
}

struct Sheet {
    const char *name;
    QSize grid;
    std::function<QSize(int, int)> sizeOf;
    QSize cell;
    QSize picture;
};

const QSize kFull(40, 30);

std::vector<Sheet> sheets()
{
    return {
        // A sheet fetched from an IIIF server: its last column and row are narrower.
        {"iiif", {5, 4},
         [](int c, int r) { return QSize(c == 4 ? 17 : 40, r == 3 ? 11 : 30); }, kFull, {4 * 40 + 17, 3 * 30 + 11}},
        // Tiles of two sizes: the smaller ones leave the rest of their cell white.
        {"two-sizes", {4, 3},
         [](int c, int r) { return (c + r) % 3 == 1 && c < 3 && r < 2 ? QSize(24, 18) : kFull; }, kFull, {160, 90}},
        // A whole sheet of 26 x 26 small tiles.
        {"whole", {26, 26}, [](int, int) { return QSize(16, 12); }, {16, 12}, {26 * 16, 26 * 12}},
    };
}

} // namespace

TEST(Export, EachFormatHoldsTheTilesJoinedInPlace)
{
    REQUIRE_VIPS();
    const struct {
        Format format;
        const char *extension;
        double meanTolerance;
        int largestTolerance;
    } formats[] = {
        {Format::Png, "png", 0, 0},
        {Format::Jpeg, "jpg", 5.0, 100},
        {Format::Tiff, "tif", 5.0, 100},
    };
    for (const Sheet &sheet : sheets()) {
        QTemporaryDir dir;
        const QString folder = dir.filePath(QStringLiteral("Carte1"));
        writeSheet(folder, sheet.grid, sheet.sizeOf);
        const ExportPlan plan = planExport(folder, gridOfFolder(folder));
        ASSERT_EQ(plan.grid, sheet.grid) << sheet.name;
        EXPECT_EQ(plan.cell, sheet.cell) << sheet.name;
        ASSERT_EQ(plan.picture, sheet.picture) << sheet.name;
        EXPECT_TRUE(plan.missing.isEmpty()) << sheet.name;
        const QImage expected = joinedByVips(folder, sheet.grid, sheet.cell, sheet.picture, dir.path());
        ASSERT_FALSE(expected.isNull()) << sheet.name;

        for (const auto &f : formats) {
            const QString out = dir.filePath(QStringLiteral("out.") + QLatin1String(f.extension));
            std::atomic<bool> cancel = false;
            int lastRows = 0;
            const ExportResult result = runExport(plan, out, f.format, cancel, [&](int done, int rows) {
                EXPECT_EQ(done, lastRows + 1);
                lastRows = done;
                EXPECT_EQ(rows, sheet.grid.height());
            });
            ASSERT_EQ(result.outcome, ExportResult::Written) << sheet.name << " " << f.extension;
            EXPECT_EQ(lastRows, sheet.grid.height());
            EXPECT_TRUE(result.unreadable.isEmpty());
            EXPECT_TRUE(result.message.contains(QStringLiteral("%1 x %2 pixels").arg(sheet.picture.width()).arg(sheet.picture.height())));
            const Difference d = difference(readWithVips(out, dir.path()), expected);
            EXPECT_LE(d.mean, f.meanTolerance) << sheet.name << " " << f.extension;
            EXPECT_LE(d.largest, f.largestTolerance) << sheet.name << " " << f.extension;
        }
    }
}

TEST(Export, MissingAndDamagedTilesLeaveWhiteCellsAndStayUntouched)
{
    QTemporaryDir dir;
    const QString folder = dir.filePath(QStringLiteral("Carte2"));
    writeSheet(folder, {3, 3}, [](int c, int r) { return c == 1 && r == 1 ? QSize() : kFull; });
    const QString truncated = store::tilePath(folder, 2, 0);
    const QByteArray whole = testing_support::readFile(truncated);
    const QByteArray cut = whole.left(whole.size() - 300);   // the header whole, not the picture
    testing_support::writeFile(truncated, cut);

    const ExportPlan plan = planExport(folder, {3, 3});
    EXPECT_EQ(plan.missing, QStringList{QStringLiteral("MAXI_BB.jpg")});
    EXPECT_EQ(plan.picture, QSize(120, 90));
    const QString out = dir.filePath(QStringLiteral("out.png"));
    std::atomic<bool> cancel = false;
    const ExportResult result = runExport(plan, out, Format::Png, cancel);
    ASSERT_EQ(result.outcome, ExportResult::Written);
    EXPECT_EQ(result.unreadable, (QStringList{QStringLiteral("MAXI_CA.jpg"), QStringLiteral("MAXI_BB.jpg")}));
    EXPECT_TRUE(result.message.contains(QStringLiteral("MAXI_CA.jpg")));

    const QImage picture(out);
    ASSERT_EQ(picture.size(), QSize(120, 90));
    for (const QRect cell : {QRect(40, 30, 40, 30), QRect(80, 0, 40, 30)})
        for (int y = cell.top(); y <= cell.bottom(); ++y)
            for (int x = cell.left(); x <= cell.right(); ++x)
                ASSERT_EQ(picture.pixel(x, y), qRgb(255, 255, 255)) << x << "," << y;
    // A readable tile is where it belongs.
    const QImage tile(store::tilePath(folder, 0, 1));
    EXPECT_EQ(picture.copy(0, 30, 40, 30).convertToFormat(QImage::Format_RGB32),
              tile.convertToFormat(QImage::Format_RGB32));
    EXPECT_EQ(testing_support::readFile(truncated), cut);
    EXPECT_FALSE(QFileInfo::exists(store::tilePath(folder, 1, 1)));
    EXPECT_EQ(entries(folder).size(), 8);
}

TEST(Export, PicturesPastTheJpegLimitGoToBigTiff)
{
    QTemporaryDir dir;
    const QString folder = dir.filePath(QStringLiteral("Carte3"));
    // 26 tiles of 2,600 x 8 pixels: a picture of 67,600 x 8.
    writeSheet(folder, {26, 1}, [](int, int) { return QSize(2600, 8); });
    const ExportPlan plan = planExport(folder, gridOfFolder(folder));
    ASSERT_EQ(plan.picture, QSize(67600, 8));

    std::atomic<bool> cancel = false;
    const ExportResult refused = runExport(plan, dir.filePath(QStringLiteral("big.jpg")), Format::Jpeg, cancel);
    EXPECT_EQ(refused.outcome, ExportResult::Refused);
    EXPECT_EQ(refused.message, jpegTooLargeMessage(67600, 8));
    EXPECT_TRUE(refused.message.contains(QStringLiteral("TIFF")));
    EXPECT_FALSE(QFileInfo::exists(dir.filePath(QStringLiteral("big.jpg"))));

    ExportSettings settings;
    settings.writer.bigTiffThreshold = 1;
    const QString tiff = dir.filePath(QStringLiteral("big.tif"));
    const ExportResult written = runExport(plan, tiff, Format::Tiff, cancel, {}, settings);
    ASSERT_EQ(written.outcome, ExportResult::Written) << written.message.toStdString();
    const QByteArray head = testing_support::readFile(tiff).left(4);
    EXPECT_EQ(head, QByteArray("II\x2b\x00", 4));   // BigTIFF's signature

    const QString tiffinfo = QStandardPaths::findExecutable(QStringLiteral("tiffinfo"));
    if (tiffinfo.isEmpty())
        GTEST_SKIP() << "tiffinfo is not installed (scripts/install-deps installs it)";
    QString info;
    ASSERT_TRUE(runProgram(tiffinfo, {tiff}, &info));
    // The full page, then pages of half the size down to under 512 pixels.
    QStringList widths;
    for (const QString &line : info.split(u'\n'))
        if (line.contains(QStringLiteral("Image Width:")))
            widths << line.section(u':', 1, 1).section(u' ', 1, 1);
    EXPECT_EQ(widths, (QStringList{"67600", "33800", "16900", "8450", "4225", "2113", "1057", "529", "265"}));
    EXPECT_EQ(info.count(QStringLiteral("Tile Width: 256 Tile Length: 256")), 9);
    EXPECT_EQ(info.count(QStringLiteral("reduced-resolution image")), 8);
    EXPECT_EQ(info.count(QStringLiteral("Compression Scheme: JPEG")), 9);
    EXPECT_EQ(entries(dir.path()), QStringList{QStringLiteral("big.tif")});
}

TEST(Export, CancelAndFullDiskLeaveNoFile)
{
    QTemporaryDir dir;
    const QString folder = dir.filePath(QStringLiteral("Carte4"));
    QDir().mkpath(folder);
    // Noise compresses badly: a few tiles make a file of a few hundred kilobytes.
    for (int row = 0; row < 3; ++row)
        for (int column = 0; column < 3; ++column)
            testing_support::writeFile(store::tilePath(folder, column, row),
                                       testing_support::jpegBytes(testing_support::noisePicture(200, 150, quint32(row * 3 + column)), 95));
    const ExportPlan plan = planExport(folder, {3, 3});
    const QString outFolder = dir.filePath(QStringLiteral("out"));
    QDir().mkpath(outFolder);

    for (const char *name : {"carte.jpg", "carte.tif", "carte.png"}) {
        const QString out = QDir(outFolder).filePath(QLatin1String(name));
        const Format format = *formatOfPath(out);

        std::atomic<bool> cancel = false;
        const ExportResult cancelled = runExport(plan, out, format, cancel, [&](int done, int) {
            if (done == 1)
                cancel = true;
        });
        EXPECT_EQ(cancelled.outcome, ExportResult::Cancelled) << name;
        EXPECT_TRUE(entries(outFolder).isEmpty()) << name;

        // An older file of the name stays as it was when the new one cannot be written.
        testing_support::writeFile(out, "older");
        cancel = false;
        ExportResult full;
        {
            testing_support::FileSizeLimit limit(64 * 1024);
            ASSERT_TRUE(limit.active());
            full = runExport(plan, out, format, cancel);
        }
        EXPECT_EQ(full.outcome, ExportResult::Failed) << name;
        EXPECT_EQ(full.message, QStringLiteral("Ecriture impossible du fichier ") + out);
        EXPECT_EQ(entries(outFolder), QStringList{QLatin1String(name)}) << name;
        EXPECT_EQ(testing_support::readFile(out), QByteArray("older"));
        QFile::remove(out);
    }
}

TEST(Export, PlanTellsSizeFileSizeAndMissingTiles)
{
    QTemporaryDir dir;
    const QString folder = dir.filePath(QStringLiteral("Carte5"));
    writeSheet(folder, {26, 26}, [](int c, int r) { return c == 25 && r == 25 ? QSize() : QSize(16, 12); });
    const ExportPlan plan = planExport(folder, {26, 26});
    EXPECT_EQ(plan.picture, QSize(416, 312));
    const QString summary = planSummary(plan, Format::Jpeg);
    EXPECT_TRUE(summary.startsWith(QStringLiteral("Image de 416 x 312 pixels\nTaille du fichier : environ ")));
    EXPECT_TRUE(summary.endsWith(QStringLiteral("(cases blanches) : 1\nMAXI_ZZ.jpg")));
    EXPECT_GT(expectedFileBytes(plan, Format::Tiff), expectedFileBytes(plan, Format::Jpeg));
    EXPECT_EQ(sizeText(1536 * 1024), QStringLiteral("1,5 Mo"));
    EXPECT_EQ(sizeText(3LL * 1024 * 1024 * 1024), QStringLiteral("3,0 Go"));
    EXPECT_EQ(sizeText(10 * 1024), QStringLiteral("10 Ko"));
    // A folder without tiles plans nothing, and exporting it says so.
    const ExportPlan none = planExport(dir.filePath(QStringLiteral("Vide")), {26, 26});
    EXPECT_TRUE(none.empty());
    std::atomic<bool> cancel = false;
    EXPECT_EQ(runExport(none, dir.filePath(QStringLiteral("x.png")), Format::Png, cancel).outcome,
              ExportResult::Refused);
}
