// Names of the tile store, tile counts on real folders, folder creation and the import.
#include "catalogue/ArchiveCatalogue.h"
#include "store/TileImporter.h"
#include "store/TileStore.h"
#include "support/TestFiles.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace testing_support;

namespace {

TEST(TileStore, NamesAndWalkingOrder)
{
    EXPECT_EQ(store::tileFileName(0, 0), QStringLiteral("MAXI_AA.jpg"));
    EXPECT_EQ(store::tileFileName(25, 0), QStringLiteral("MAXI_ZA.jpg"));
    EXPECT_EQ(store::tileFileName(0, 25), QStringLiteral("MAXI_AZ.jpg"));
    EXPECT_EQ(store::walkFileName(1), QStringLiteral("MAXI_BA.jpg"));
    EXPECT_EQ(store::walkFileName(26), QStringLiteral("MAXI_AB.jpg"));
    EXPECT_EQ(store::walkFileName(28), QStringLiteral("MAXI_CB.jpg"));   // the 29th name
    EXPECT_EQ(store::walkFileName(675), QStringLiteral("MAXI_ZZ.jpg"));
}

TEST(TileStore, MapFoldersAndSuffixes)
{
    // Native paths: the suffix "\F007" that captions show names the folder F007; a maps root
    // with or without its final separator gives the same path.
    const struct {
        const char *root;
        SheetId sheet;
        const char *expected;
    } folders[] = {
        {"/Cartes", SheetId::cassini(editions::kColour, 1), "/Cartes/Cassini couleurs/Carte1"},
        {"/Cartes/", SheetId::cassini(editions::kColour, 5), "/Cartes/Cassini couleurs/Carte5"},
        {"/Cartes", SheetId::archive(12, 7), "/Cartes/Archives Bnf/Carte12/F007"},
        {"/Cartes", SheetId::archive(12, 0), "/Cartes/Archives Bnf/Carte12"},
        {"/home/u/back\\slash", SheetId::cassini(editions::kBlackAndWhite, 112), "/home/u/back\\slash/Cassini noir et blanc/Carte112"},
    };
    for (const auto &f : folders)
        EXPECT_EQ(store::mapFolder(QString::fromUtf8(f.root), f.sheet), QString::fromUtf8(f.expected))
            << f.root << " " << f.sheet.folderSuffix().toStdString();
    EXPECT_EQ(store::tilePath(QStringLiteral("/Cartes/Cassini couleurs/Carte1"), 2, 1),
              QStringLiteral("/Cartes/Cassini couleurs/Carte1/MAXI_CB.jpg"));

    const std::tuple<const char *, const char *, const char *> suffixes[] = {
        {"7", "\\F001", "\\F007"}, {"12", "\\F001", "\\F012"}, {"100", "\\F001", "\\F100"},
        {"", "\\F003", "\\F003"},  {"1000", "\\F003", "\\F003"},
    };
    for (const auto &[text, previous, expected] : suffixes)
        EXPECT_EQ(archive::sheetIndexSuffix(QString::fromLatin1(text), QString::fromLatin1(previous)),
                  QString::fromLatin1(expected)) << text;
}

TEST(TileStore, ARootWithItsSeparatorAddressesTheSameFolder)
{
    QTemporaryDir root;
    const QString withSeparator = root.path() + u'/';   // a maps root ending with its separator
    const QString folder = store::mapFolder(withSeparator, SheetId::cassini(editions::kColour, 5));
    ASSERT_TRUE(store::createFolderPath(folder + u'/'));
    EXPECT_TRUE(QFileInfo(root.path() + QStringLiteral("/Cassini couleurs/Carte5")).isDir());
    EXPECT_TRUE(store::folderExists(store::mapFolder(root.path(), SheetId::cassini(editions::kColour, 5))));
}

// A user's folder named "back\slash" is one folder: maps, tiles and counts stay inside it.
TEST(TileStore, ABackslashInTheMapsRootIsPartOfTheFolderName)
{
    QTemporaryDir parent;
    const QString root = parent.path() + QStringLiteral("/back\\slash");
    ASSERT_TRUE(QDir(parent.path()).mkdir(QStringLiteral("back\\slash")));
    const QString backup = parent.path() + QStringLiteral("/backup");
    writeTiles(backup, {0, 675});

    const std::pair<SheetId, const char *> sheets[] = {{SheetId::cassini(editions::kColour, 12), "Cassini couleurs/Carte12"},
                                                       {SheetId::archive(12, 7), "Archives Bnf/Carte12/F007"}};
    for (const auto &[sheet, place] : sheets) {
        const QString folder = store::mapFolder(root, sheet);
        const store::ImportResult result = store::importTiles(backup, folder);
        ASSERT_TRUE(result.ok()) << result.error.toStdString();
        EXPECT_EQ(result.copied, 2);
        EXPECT_EQ(store::tileCount(folder), 2);
        const QString expected = parent.path() + QStringLiteral("/back\\slash/") + QLatin1String(place);
        EXPECT_TRUE(QFileInfo(expected + QStringLiteral("/MAXI_AA.jpg")).isFile()) << expected.toStdString();
        EXPECT_TRUE(QFileInfo(expected + QStringLiteral("/MAXI_ZZ.jpg")).isFile());
    }
    EXPECT_EQ(QDir(parent.path()).entryList(QDir::Dirs | QDir::NoDotAndDotDot),
              (QStringList{QStringLiteral("back\\slash"), QStringLiteral("backup")}));
    EXPECT_EQ(QDir(root).entryList(QDir::Dirs | QDir::NoDotAndDotDot),
              (QStringList{QStringLiteral("Archives Bnf"), QStringLiteral("Cassini couleurs")}));
}

TEST(TileStore, TileCountOnRealFolders)
{
    QTemporaryDir root;
    const QString folder = root.path() + QStringLiteral("/Carte1");
    EXPECT_EQ(store::tileCount(folder), 0);   // no folder
    QDir().mkpath(folder);
    EXPECT_EQ(store::tileCount(folder), 0);

    writeFile(folder + QStringLiteral("/MAXI_ZZ.jpg"), "x");
    EXPECT_EQ(store::tileCount(folder), 1);

    for (int i = 0; i < 675; ++i)
        writeFile(folder + u'/' + store::walkFileName(i), "x");
    EXPECT_EQ(store::tileCount(folder), 676);

    // Files that only look like tiles do not count; every ".jpg" entry counts for the check.
    for (const char *name : {"MAXI_AA (2).jpg", "maxi_aa.jpg", "MAXI_A1.jpg", "MAXI_AA.jpeg", "notes.txt"})
        writeFile(folder + u'/' + QString::fromLatin1(name), "x");
    QDir().mkpath(folder + QStringLiteral("/old.jpg"));
    EXPECT_EQ(store::tileCount(folder), 676);
    EXPECT_EQ(store::jpgEntryCount(folder), 676 + 4);   // (2), maxi_aa, A1, the folder old.jpg
    EXPECT_EQ(store::jpgEntryCount(root.path() + QStringLiteral("/none")), 0);
}

class Import : public ::testing::Test {
protected:
    QTemporaryDir root;
    QString backup() const { return root.path() + QStringLiteral("/backup"); }
    QString mapFolder() const { return store::mapFolder(root.path() + u'/', SheetId::cassini(editions::kColour, 5)); }
};

TEST_F(Import, CopiesOnlyThePresentTilesByteForByte)
{
    const QByteArray aa = jpegBytes(20, 10, Qt::red);
    const QByteArray zz = jpegBytes(30, 12, Qt::blue);
    writeFile(backup() + QStringLiteral("/MAXI_AA.jpg"), aa);
    writeFile(backup() + QStringLiteral("/MAXI_ZZ.jpg"), zz);
    writeFile(backup() + QStringLiteral("/readme.txt"), "not a tile");
    writeFile(backup() + QStringLiteral("/sub/MAXI_AB.jpg"), aa);   // subfolders are not searched
    writeFile(mapFolder() + QStringLiteral("/MAXI_AC.jpg"), "kept");

    int steps = 0;
    const store::ImportResult result = store::importTiles(backup(), mapFolder(), [&](int) { ++steps; });
    EXPECT_TRUE(result.ok()) << result.error.toStdString();
    EXPECT_EQ(result.copied, 2);
    EXPECT_EQ(steps, 676);
    EXPECT_EQ(readFile(mapFolder() + QStringLiteral("/MAXI_AA.jpg")), aa);
    EXPECT_EQ(readFile(mapFolder() + QStringLiteral("/MAXI_ZZ.jpg")), zz);
    EXPECT_EQ(readFile(mapFolder() + QStringLiteral("/MAXI_AC.jpg")), QByteArray("kept"));
    EXPECT_EQ(store::tileCount(mapFolder()), 3);
}

TEST_F(Import, AnUndecodableTileStopsTheImportAndKeepsWhatWasCopied)
{
    writeTiles(backup(), {0, 1});
    writeFile(backup() + u'/' + store::walkFileName(2), "this is no picture");
    writeTiles(backup(), {3});
    int steps = 0;
    const store::ImportResult result = store::importTiles(backup(), mapFolder(), [&](int) { ++steps; });
    EXPECT_FALSE(result.ok());
    EXPECT_TRUE(result.error.startsWith(QStringLiteral("Erreur JPEG #"))) << result.error.toStdString();
    EXPECT_EQ(result.copied, 2);
    EXPECT_EQ(steps, 2);
    EXPECT_TRUE(store::fileExists(mapFolder() + QStringLiteral("/MAXI_BA.jpg")));
    EXPECT_FALSE(store::fileExists(mapFolder() + QStringLiteral("/MAXI_CA.jpg")));
    EXPECT_FALSE(store::fileExists(mapFolder() + QStringLiteral("/MAXI_DA.jpg")));
}

TEST_F(Import, AnEmptyBackupTileIsUndecodable)
{
    writeFile(backup() + QStringLiteral("/MAXI_AA.jpg"), QByteArray());
    const store::ImportResult result = store::importTiles(backup(), mapFolder());
    EXPECT_FALSE(result.ok());
    EXPECT_FALSE(store::fileExists(mapFolder() + QStringLiteral("/MAXI_AA.jpg")));
}

} // namespace
