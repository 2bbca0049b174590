// Tiles reach their names only whole: the tile writer and the import over every kind of
// tile, a full disk, and sources that are no files.
#include "store/TileImporter.h"
#include "store/TileStore.h"
#include "store/TileWriter.h"
#include "support/FileSizeLimit.h"
#include "support/TestFiles.h"
#include "support/TileVariants.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <utime.h>
#include <ctime>

using namespace testing_support;

namespace {

class TileWriting : public ::testing::Test {
protected:
    QTemporaryDir root;
    QString backup() const { return root.path() + QStringLiteral("/backup"); }
    QString mapFolder() const { return root.path() + QStringLiteral("/Cassini couleurs/Carte5"); }
    QString mapTile(const QString &name) const { return mapFolder() + u'/' + name; }
    // Files of the map folder that are not whole tiles: temporary files and empty files.
    QStringList leftovers() const
    {
        QStringList found;
        for (const QFileInfo &f : QDir(mapFolder()).entryInfoList(QDir::Files | QDir::Hidden))
            if (!f.fileName().endsWith(QStringLiteral(".jpg")) || f.size() == 0)
                found << f.fileName();
        return found;
    }
};

TEST_F(TileWriting, ImportInstallsEveryWholeTileAndRefusesTheRestKeepingTheTileBefore)
{
    const QByteArray before = jpegBytes(20, 10, Qt::green);
    for (const TileVariant &v : tileVariants()) {
        SCOPED_TRACE(v.name);
        const QByteArray bytes = tileBytes(v.kind);
        writeFile(backup() + QStringLiteral("/MAXI_AA.jpg"), bytes);
        writeFile(mapTile(QStringLiteral("MAXI_AA.jpg")), before);
        const store::ImportResult result = store::importTiles(backup(), mapFolder());
        if (v.valid) {
            EXPECT_TRUE(result.ok()) << result.error.toStdString();
            EXPECT_EQ(readFile(mapTile(QStringLiteral("MAXI_AA.jpg"))), bytes);
        } else {
            EXPECT_TRUE(result.error.startsWith(QStringLiteral("Erreur JPEG #"))) << result.error.toStdString();
            EXPECT_EQ(result.copied, 0);
            EXPECT_EQ(readFile(mapTile(QStringLiteral("MAXI_AA.jpg"))), before);
        }
        EXPECT_TRUE(leftovers().isEmpty()) << leftovers().join(u' ').toStdString();
    }
}

TEST_F(TileWriting, FullDiskStopsTheImportWithItsMessageAndLeavesNoShortTile)
{
    // AA fits, AB is larger than the disk allows; a complete AB from before must survive.
    const QByteArray small = jpegBytes(20, 10, Qt::red);
    const QByteArray large = jpegBytes(noisePicture(400, 400), 95);
    const QByteArray before = jpegBytes(24, 12, Qt::blue);
    constexpr qint64 kLimit = 64 * 1024;
    ASSERT_GT(large.size(), 2 * kLimit);
    writeFile(backup() + QStringLiteral("/MAXI_AA.jpg"), small);
    writeFile(backup() + QStringLiteral("/MAXI_BA.jpg"), large);
    writeFile(backup() + QStringLiteral("/MAXI_CA.jpg"), small);
    writeFile(mapTile(QStringLiteral("MAXI_BA.jpg")), before);

    store::ImportResult result;
    {
        FileSizeLimit disk(kLimit);
        ASSERT_TRUE(disk.active());
        result = store::importTiles(backup(), mapFolder());
    }
    EXPECT_EQ(result.error,
              QStringLiteral("Ecriture impossible du fichier %1").arg(QDir::cleanPath(mapTile("MAXI_BA.jpg"))));
    EXPECT_EQ(result.copied, 1);
    EXPECT_EQ(readFile(mapTile(QStringLiteral("MAXI_AA.jpg"))), small);
    EXPECT_EQ(readFile(mapTile(QStringLiteral("MAXI_BA.jpg"))), before);
    EXPECT_FALSE(QFileInfo::exists(mapTile(QStringLiteral("MAXI_CA.jpg"))));
    EXPECT_TRUE(leftovers().isEmpty()) << leftovers().join(u' ').toStdString();
}

TEST_F(TileWriting, SourcesThatAreNoFilesStopTheImportWithoutHanging)
{
    QDir().mkpath(backup());
    ASSERT_EQ(::mkfifo(QFile::encodeName(backup() + QStringLiteral("/MAXI_AA.jpg")).constData(), 0600), 0);
    const store::ImportResult result = store::importTiles(backup(), mapFolder());
    EXPECT_TRUE(result.error.startsWith(QStringLiteral("Lecture impossible du fichier"))) << result.error.toStdString();
    EXPECT_FALSE(QFileInfo::exists(mapTile(QStringLiteral("MAXI_AA.jpg"))));
}

TEST_F(TileWriting, WriterInstallsAHandedOverFileOnlyWithItsExpectedSize)
{
    const QByteArray tile = jpegBytes(20, 10, Qt::red);
    const QByteArray before = jpegBytes(24, 12, Qt::blue);
    QDir().mkpath(mapFolder());
    const QString final = mapTile(QStringLiteral("MAXI_AA.jpg"));
    writeFile(final, before);
    struct Case {
        const char *name;
        qint64 expected;
        store::TileWriter::Result result;
    };
    const Case cases[] = {
        {"one byte more announced", tile.size() + 1, store::TileWriter::Result::WriteError},
        {"one byte fewer announced", tile.size() - 1, store::TileWriter::Result::WriteError},
        {"as announced", tile.size(), store::TileWriter::Result::Installed},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        const QString part = store::TileWriter::temporaryPathFor(final);
        writeFile(part, tile);
        store::TileWriter writer(final);
        EXPECT_EQ(writer.install(part, c.expected), c.result);
        EXPECT_FALSE(QFileInfo::exists(part));
        EXPECT_EQ(readFile(final), c.result == store::TileWriter::Result::Installed ? tile : before);
    }
}

TEST_F(TileWriting, AWriterThatIsNotCommittedLeavesNothing)
{
    QDir().mkpath(mapFolder());
    const QString final = mapTile(QStringLiteral("MAXI_AA.jpg"));
    {
        store::TileWriter writer(final);
        ASSERT_TRUE(writer.open());
        ASSERT_TRUE(writer.write(jpegBytes(20, 10).left(100)));
        EXPECT_TRUE(QFileInfo::exists(writer.temporaryPath()));
    }
    EXPECT_TRUE(QDir(mapFolder()).entryList(QDir::Files).isEmpty());
    // A half picture is refused at commit, and nothing stays either.
    store::TileWriter writer(final);
    ASSERT_TRUE(writer.open());
    ASSERT_TRUE(writer.write(tileBytes(TileKind::TruncatedWithEnd)));
    EXPECT_EQ(writer.commit(), store::TileWriter::Result::NotPicture);
    EXPECT_TRUE(writer.pictureStatus().isCorrupt());
    EXPECT_TRUE(QDir(mapFolder()).entryList(QDir::Files).isEmpty());
}

// A tile handed over with the size its plan asks for is installed only at that size; a
// picture past the check's budget of scans is no whole picture.
TEST_F(TileWriting, HandedOverTileMustHaveThePlannedSizeAndAWholePicture)
{
    QDir().mkpath(mapFolder());
    const QString final = mapTile(QStringLiteral("MAXI_AB.jpg"));
    struct Case {
        const char *name;
        QByteArray bytes;
        QSize expected;
        store::TileWriter::Result result;
    };
    const Case cases[] = {
        {"larger than planned", jpegBytes(128, 64), QSize(64, 64), store::TileWriter::Result::NotPicture},
        {"one pixel short", jpegBytes(64, 63), QSize(64, 64), store::TileWriter::Result::NotPicture},
        {"scans past the budget", scanBombJpeg(64, 64, 500), QSize(64, 64), store::TileWriter::Result::NotPicture},
        {"no size asked", jpegBytes(128, 64), QSize(), store::TileWriter::Result::Installed},
        {"as planned", jpegBytes(64, 64), QSize(64, 64), store::TileWriter::Result::Installed},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        QFile::remove(final);
        const QString part = store::TileWriter::reserveTemporary(final);
        ASSERT_FALSE(part.isEmpty());
        writeFile(part, c.bytes);
        store::TileWriter writer(final);
        EXPECT_EQ(writer.install(part, c.bytes.size(), c.expected), c.result);
        EXPECT_EQ(QFileInfo::exists(final), c.result == store::TileWriter::Result::Installed);
        EXPECT_TRUE(leftovers().isEmpty()) << leftovers().join(u' ').toStdString();
    }
}

// Each writer has a temporary file of its own: two writers of one tile at the same time
// both finish, and the tile is one of theirs, whole.
TEST_F(TileWriting, TwoWritersOfOneTileNeverShareATemporaryFile)
{
    QDir().mkpath(mapFolder());
    const QString final = mapTile(QStringLiteral("MAXI_AC.jpg"));
    const QByteArray first = jpegBytes(40, 30, Qt::red), second = jpegBytes(40, 30, Qt::blue);
    store::TileWriter a(final), b(final);
    ASSERT_TRUE(a.open());
    ASSERT_TRUE(b.open());
    EXPECT_NE(a.temporaryPath(), b.temporaryPath());
    ASSERT_TRUE(a.write(first.left(100)));
    ASSERT_TRUE(b.write(second));
    ASSERT_TRUE(a.write(first.mid(100)));
    EXPECT_EQ(b.commit(), store::TileWriter::Result::Installed);
    EXPECT_EQ(a.commit(), store::TileWriter::Result::Installed);
    EXPECT_EQ(readFile(final), first);
    const QString reserved = store::TileWriter::reserveTemporary(final);
    const QString another = store::TileWriter::reserveTemporary(final);
    EXPECT_NE(reserved, another);
    EXPECT_TRUE(QFileInfo(reserved).isFile());
    EXPECT_TRUE(QFileInfo(another).isFile());
    QFile::remove(reserved);
    QFile::remove(another);
    EXPECT_TRUE(leftovers().isEmpty()) << leftovers().join(u' ').toStdString();
}

// At start the temporary files older than a day are removed, at any depth; younger ones
// may belong to a program running now and stay, as does every other file.
TEST_F(TileWriting, OnlyTemporaryFilesOlderThanADayAreCleanedUp)
{
    const QString deep = mapFolder() + QStringLiteral("/F002");
    QDir().mkpath(deep);
    auto age = [](const QString &path, qint64 seconds) {
        const time_t when = std::time(nullptr) - time_t(seconds);
        utimbuf times{when, when};
        ASSERT_EQ(::utime(QFile::encodeName(path).constData(), &times), 0);
    };
    struct Case {
        QString path;
        qint64 ageSeconds;
        bool removed;
    };
    const Case cases[] = {
        {mapTile(QStringLiteral("MAXI_AA.jpg.part")), 2 * 86400, true},
        {deep + QStringLiteral("/MAXI_BB.jpg.k3x9.part"), 86400 + 60, true},
        {mapTile(QStringLiteral("MAXI_AB.jpg.z1.part")), 3600, false},
        {mapTile(QStringLiteral("MAXI_AC.jpg")), 5 * 86400, false},
        {deep + QStringLiteral("/notes.txt"), 5 * 86400, false},
    };
    for (const Case &c : cases) {
        writeFile(c.path, "x");
        age(c.path, c.ageSeconds);
    }
    EXPECT_EQ(store::TileWriter::removeStaleTemporaries(root.path()), 2);
    for (const Case &c : cases)
        EXPECT_EQ(QFileInfo::exists(c.path), !c.removed) << c.path.toStdString();
}

} // namespace
