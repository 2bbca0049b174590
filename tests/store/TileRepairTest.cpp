// What becomes of a tile file that does not read as a picture: deleted when its bytes are
// damaged, renamed aside when it is a picture of another kind, left alone when the file
// cannot be opened or this machine could not decode it; each act told in the reader's log.
#include "platform/Logging.h"
#include "store/TileRepair.h"
#include "support/LogCapture.h"
#include "support/TestFiles.h"

#include <QBuffer>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <jerror.h>

using namespace testing_support;
using store::TileRepair;

namespace {

QByteArray pngBytes()
{
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    makePicture(16, 12, Qt::green).save(&buffer, "PNG");
    return png;
}

TEST(TileRepair, HeadersAreJudgedAndDamagedFilesGoWhilePicturesOfAnotherKindStay)
{
    QTemporaryDir dir;
    const struct {
        const char *name;
        QByteArray bytes;
        TileRepair::Verdict verdict;
        bool deleted;
        QString renamedAs;   // suffix of the new name
    } cases[] = {
        {"good", jpegBytes(makePicture(16, 12)), TileRepair::Verdict::Readable, false, {}},
        {"empty", QByteArray(), TileRepair::Verdict::Damaged, true, {}},
        {"garbage", QByteArray("this is no picture at all"), TileRepair::Verdict::Damaged, true, {}},
        {"png", pngBytes(), TileRepair::Verdict::Damaged, false, QStringLiteral(".png")},
    };
    LogCapture log;
    TileRepair repair(lcRender);
    QStringList expectDeleted, expectRenamed;
    for (const auto &c : cases) {
        const QString path = dir.filePath(QString::fromLatin1(c.name) + QStringLiteral(".jpg"));
        writeFile(path, c.bytes);
        jpeg::Header header;
        const TileRepair::Verdict verdict = TileRepair::ofHeader(jpeg::readHeaderFromFile(path, header), header);
        EXPECT_EQ(verdict, c.verdict) << c.name;
        if (verdict == TileRepair::Verdict::Damaged)
            repair.repairHeader(path);
        EXPECT_EQ(QFileInfo::exists(path), !c.deleted && c.renamedAs.isEmpty()) << c.name;
        if (c.deleted)
            expectDeleted << path;
        if (!c.renamedAs.isEmpty()) {
            expectRenamed << path + c.renamedAs;
            EXPECT_EQ(readFile(path + c.renamedAs), c.bytes) << c.name;
        }
    }
    EXPECT_EQ(repair.takeDeleted(), expectDeleted);
    EXPECT_EQ(repair.takeRenamed(), expectRenamed);
    EXPECT_TRUE(repair.takeDeleted().isEmpty());   // taken once
    // Each act in the log of the reader that found it, none elsewhere.
    EXPECT_EQ(log.warnings("orvantis.render").size(), 3);
    EXPECT_TRUE(log.warnings("orvantis.store").isEmpty());

    // A file that cannot be opened is no damage.
    jpeg::Header header;
    EXPECT_EQ(TileRepair::ofHeader(jpeg::readHeaderFromFile(dir.filePath(QStringLiteral("missing.jpg")), header), header),
              TileRepair::Verdict::Unopenable);
}

TEST(TileRepair, OnlyDamagedPictureDataDeletesAFileAndTheFirstFailureOfTheMachineIsKept)
{
    QTemporaryDir dir;
    const QByteArray good = jpegBytes(makePicture(64, 48, Qt::red));
    const QString damaged = dir.filePath(QStringLiteral("damaged.jpg"));
    writeFile(damaged, withoutQuantTables(good));
    QImage image;
    const jpeg::Status corrupt = jpeg::decodeFile(damaged, image);
    ASSERT_TRUE(corrupt.isCorrupt()) << corrupt.code;

    const struct {
        const char *name;
        jpeg::Status status;
        TileRepair::Verdict verdict;
        bool deleted;
    } cases[] = {
        {"damaged", corrupt, TileRepair::Verdict::Damaged, true},
        {"memory", {JERR_OUT_OF_MEMORY}, TileRepair::Verdict::Undecodable, false},
        {"memory again", {JERR_OUT_OF_MEMORY}, TileRepair::Verdict::Undecodable, false},
        {"unopenable", {JERR_FILE_READ}, TileRepair::Verdict::Unopenable, false},
    };
    TileRepair repair(lcRender);
    for (const auto &c : cases) {
        const QString path = dir.filePath(QString::fromLatin1(c.name) + QStringLiteral(".jpg"));
        if (!QFileInfo::exists(path))
            writeFile(path, c.name == std::string("damaged") ? withoutQuantTables(good) : good);
        EXPECT_EQ(TileRepair::ofDecode(c.status), c.verdict) << c.name;
        repair.repairDecode(path, c.status);
        EXPECT_EQ(QFileInfo::exists(path), !c.deleted) << c.name;
    }
    EXPECT_EQ(repair.takeDeleted(), QStringList{damaged});
    EXPECT_EQ(repair.takeKeptFailure(), jpeg::Status{JERR_OUT_OF_MEMORY}.message());
    EXPECT_TRUE(repair.takeKeptFailure().isEmpty());
}

} // namespace
