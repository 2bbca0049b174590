// A valid tile is never deleted: the views and the print composition show CMYK, inverted
// CMYK and grey tiles with their colours, and keep a tile they cannot decode for want of
// memory. Only damaged bytes make them delete a file.
#include "print/TileComposition.h"
#include "store/TileStore.h"
#include "support/TestFiles.h"
#include "support/TileVariants.h"
#include "render/Mosaic.h"

#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <unistd.h>

using namespace testing_support;
using render::Mosaic;

namespace {

// Mean of the absolute channel differences of two pictures of the same size.
double meanDifference(const QImage &a, const QImage &b)
{
    const QImage x = a.convertToFormat(QImage::Format_RGB32), y = b.convertToFormat(QImage::Format_RGB32);
    if (x.size() != y.size() || x.isNull())
        return 255;
    double sum = 0;
    for (int row = 0; row < x.height(); ++row)
        for (int col = 0; col < x.width(); ++col) {
            const QRgb p = x.pixel(col, row), q = y.pixel(col, row);
            sum += std::abs(qRed(p) - qRed(q)) + std::abs(qGreen(p) - qGreen(q)) + std::abs(qBlue(p) - qBlue(q));
        }
    return sum / (3.0 * x.width() * x.height());
}

// Limits the address space of this process to what it uses now plus `extra` bytes, so a
// large picture cannot be allocated. Each test case runs in its own process; the limit is
// lifted when the guard ends.
class MemoryLimit {
public:
    explicit MemoryLimit(qint64 extra)
    {
        ::getrlimit(RLIMIT_AS, &m_saved);
        QFile statm(QStringLiteral("/proc/self/statm"));
        if (!statm.open(QIODevice::ReadOnly))
            return;
        const qint64 pages = statm.readAll().split(' ').value(0).toLongLong();
        rlimit limited = m_saved;
        limited.rlim_cur = rlim_t(pages * ::sysconf(_SC_PAGESIZE) + extra);
        m_active = ::setrlimit(RLIMIT_AS, &limited) == 0;
    }
    ~MemoryLimit() { ::setrlimit(RLIMIT_AS, &m_saved); }
    bool active() const { return m_active; }

private:
    rlimit m_saved{};
    bool m_active = false;
};

class TilesKept : public ::testing::Test {
protected:
    QTemporaryDir dir;
    QString folder = dir.path() + QStringLiteral("/Cassini couleurs/Carte5");
    QString native(int column, int row) const { return store::tilePath(folder, column, row); }
    // AA: colour; BA: plain CMYK; CA: inverted CMYK; DA: grey; EA: progressive.
    void writeVariants()
    {
        const TileKind kinds[] = {TileKind::Rgb, TileKind::Cmyk, TileKind::AdobeCmyk, TileKind::Grey,
                                  TileKind::Progressive};
        for (int column = 0; column < 5; ++column)
            writeFile(store::tilePath(folder, column, 0), tileBytes(kinds[column]));
    }
};

TEST_F(TilesKept, ViewsShowCmykAndGreyTilesWithTheirColoursAndKeepThem)
{
    writeVariants();
    Mosaic mosaic(folder);
    const Mosaic::Scan scan = mosaic.measure();
    EXPECT_TRUE(scan.deleted.isEmpty());
    EXPECT_EQ(mosaic.presentCount(), 5);
    QImage grey = variantPicture();
    for (int y = 0; y < grey.height(); ++y)
        for (int x = 0; x < grey.width(); ++x) {
            const int g = qGray(grey.pixel(x, y));
            grey.setPixel(x, y, qRgb(g, g, g));
        }
    for (int shrink : {1, 8}) {
        SCOPED_TRACE(shrink);
        const QImage twin = mosaic.tileImage(0, 0, shrink);
        ASSERT_FALSE(twin.isNull());
        for (int column : {1, 2, 4})
            EXPECT_LT(meanDifference(mosaic.tileImage(column, 0, shrink), twin), 3.0) << column;
        if (shrink == 1)
            EXPECT_LT(meanDifference(mosaic.tileImage(3, 0, shrink), grey), 3.0);
    }
    // The whole row drawn as one picture: the CMYK cells look like the colour one.
    QImage row(5 * 96, 64, QImage::Format_RGB32);
    row.fill(Qt::black);
    Mosaic::Placement placement;
    placement.cells = QRect(0, 0, 5, 1);
    placement.pitch = QSize(96, 64);
    EXPECT_EQ(mosaic.render(row, QPoint(), placement), 5);
    EXPECT_LT(meanDifference(row.copy(96, 0, 96, 64), row.copy(0, 0, 96, 64)), 3.0);
    EXPECT_LT(meanDifference(row.copy(192, 0, 96, 64), row.copy(0, 0, 96, 64)), 3.0);
    EXPECT_TRUE(mosaic.takeDeletedWhileRendering().isEmpty());
    for (int column = 0; column < 5; ++column)
        EXPECT_TRUE(QFileInfo::exists(native(column, 0))) << column;
}

TEST_F(TilesKept, PrintCompositionShowsCmykTilesLikeTheirTwinAndKeepsThem)
{
    writeVariants();
    const printing::TileComposition z = printing::TileComposition::compose(folder, QRect(0, 0, 5, 1));
    const QImage whole = z.render(QRect(0, 0, 5 * 96, 64));
    ASSERT_EQ(whole.size(), QSize(5 * 96, 64));
    for (int column : {1, 2, 4})
        EXPECT_LT(meanDifference(whole.copy(column * 96, 0, 96, 64), whole.copy(0, 0, 96, 64)), 3.0) << column;
    for (int column = 0; column < 5; ++column)
        EXPECT_TRUE(QFileInfo::exists(native(column, 0))) << column;
}

TEST_F(TilesKept, ATileThatCannotBeDecodedForWantOfMemoryIsKept)
{
    // 8192 x 8192: 256 MB once decoded whole, about a megabyte on disk.
    const QByteArray large = plainJpeg(8192, 8192);
    writeFile(store::tilePath(folder, 0, 0), large);
    Mosaic mosaic(folder);
    ASSERT_TRUE(mosaic.measure().deleted.isEmpty());
    ASSERT_EQ(mosaic.presentCount(), 1);
    QImage shown;
    {
        MemoryLimit memory(64 * 1024 * 1024);
        ASSERT_TRUE(memory.active());
        shown = mosaic.tileImage(0, 0, 1);
    }
    EXPECT_TRUE(shown.isNull());
    EXPECT_TRUE(mosaic.takeDeletedWhileRendering().isEmpty());
    // The view tells the user, with the decoder's message.
    EXPECT_TRUE(mosaic.takeKeptFailure().startsWith(QStringLiteral("Erreur JPEG #")));
    EXPECT_TRUE(mosaic.takeKeptFailure().isEmpty());
    EXPECT_EQ(readFile(store::tilePath(folder, 0, 0)), large);
    // With memory again, the same tile shows.
    Mosaic again(folder);
    again.measure();
    EXPECT_EQ(again.tileImage(0, 0, 8).size(), QSize(1024, 1024));
}

} // namespace
