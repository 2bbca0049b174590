// The operations of the list of archive maps without its page: the folders of a map's
// sheets and the sheet a folder holds, the page of a map at its library, adding the maps
// read from an address and taking an added map off the list, also when the list cannot be
// saved.
#include "catalogue/AddedMaps.h"
#include "catalogue/ArchiveMapOperations.h"
#include "session/AppContext.h"
#include "session/SettingsStore.h"
#include "store/TileStore.h"
#include "support/TestFiles.h"

#include <QDir>
#include <QFileInfo>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace testing_support;
using catalogue::AddedMap;
using catalogue::AddedMaps;
using source::SheetSource;

namespace {

SheetSource sheetAt(const QString &address, QSize grid = {}, source::Kind kind = source::Kind::Iiif)
{
    return {address, QSize(1000, 800), grid, kind};
}

QStringList cleaned(const QStringList &folders)
{
    QStringList clean;
    for (const QString &folder : folders)
        clean << QDir::cleanPath(folder);
    return clean;
}

} // namespace

TEST(ArchiveMapFolders, OneFolderPerSheetOfTheMap)
{
    const QString root = QStringLiteral("/maps");
    const QString archive = root + QStringLiteral("/Archives Bnf/Carte1925");
    struct Case {
        const char *what;
        AddedMap map;
        QStringList folders;
    };
    const Case cases[] = {
        {"an archive map of three sheets",
         {editions::kArchive, QStringLiteral("1925"), QStringLiteral("Atlas"),
          {sheetAt(QStringLiteral("http://h/a")), sheetAt(QStringLiteral("http://h/b")), sheetAt({})}},
         {archive + QStringLiteral("/F001"), archive + QStringLiteral("/F002"), archive + QStringLiteral("/F003")}},
        {"a Cassini sheet given an address",
         {editions::kColour, QStringLiteral("57"), QString(), {sheetAt(QStringLiteral("http://h/c"))}},
         {root + QStringLiteral("/Cassini couleurs/Carte57")}},
        {"a removed map", {editions::kArchive, QStringLiteral("1926"), QString(), {}, true}, {}},
    };
    for (const Case &c : cases)
        EXPECT_EQ(cleaned(catalogue::sheetFolders(root + u'/', c.map)), c.folders) << c.what;

    // The hundredth sheet of a map has the last suffix of three digits.
    AddedMap big{editions::kArchive, QStringLiteral("2000"), QString(), QList<SheetSource>(100, sheetAt({}))};
    EXPECT_EQ(QDir::cleanPath(catalogue::sheetFolders(root, big).back()),
              root + QStringLiteral("/Archives Bnf/Carte2000/F100"));
}

// The grid of a sheet is found from its folder however the folder is written; a folder of
// no added sheet has none (the views and the export then take the whole 26 x 26 grid).
TEST(ArchiveMapFolders, SheetInAFolder)
{
    QTemporaryDir dir;
    const QString root = dir.path() + u'/';
    AddedMaps maps;
    maps.setSheet(SheetId::archive(1925, 1), sheetAt(QStringLiteral("http://h/a"), {4, 3}),
                  QStringLiteral("Atlas"));
    maps.setSheet(SheetId::archive(1925, 2), sheetAt(QStringLiteral("http://h/b"), {7, 5}));
    maps.setSheet(SheetId::cassini(editions::kColour, 57), sheetAt(QStringLiteral("http://h/c"), {10, 9}));
    struct Case {
        QString folder;
        QSize grid;   // not valid: no sheet
    };
    const Case cases[] = {
        {root + QStringLiteral("Archives Bnf/Carte1925/F001"), {4, 3}},
        {root + QStringLiteral("Archives Bnf/Carte1925/F002/"), {7, 5}},
        {root + QStringLiteral("Archives Bnf/x/../Carte1925//F002"), {7, 5}},
        {root + QStringLiteral("Cassini couleurs/Carte57"), {10, 9}},
        {root + QStringLiteral("Archives Bnf/Carte1925"), {}},          // the map's own folder
        {root + QStringLiteral("Archives Bnf/Carte1925/F003"), {}},     // a sheet it does not have
        {root + QStringLiteral("Cassini noir et blanc/Carte57"), {}},
        {root + QStringLiteral("Archives Bnf/Carte19/F001"), {}},
    };
    for (const Case &c : cases) {
        const auto sheet = maps.sheetInFolder(root, c.folder);
        EXPECT_EQ(sheet ? sheet->tileGrid() : QSize(), c.grid) << c.folder.toStdString();
    }
}

namespace {

class ArchiveMapOperations : public ::testing::Test {
protected:
    void SetUp() override { context.setMapsRoot(root()); }

    QString root() const { return dir.path() + u'/'; }
    QString sheetFolder(int position, int index) const
    {
        return store::mapFolder(root(), SheetId::archive(position, index));
    }
    // A tile in the sheet's folder.
    void installSheet(int position, int index)
    {
        writeTiles(sheetFolder(position, index), {0});
    }
    // The file of the list replaced by a folder of that name: it can no longer be written.
    void breakTheFile()
    {
        const QString file = AddedMaps::filePath(root());
        QFile::remove(file);
        ASSERT_TRUE(QDir().mkpath(file));
    }

    QTemporaryDir dir, config;
    SettingsStore settings{config.path() + QStringLiteral("/Orvantis.ini")};
    ScriptedDesktop desktop;
    AppContext context{settings, desktop, dir.path() + u'/', dir.path() + u'/'};
};

} // namespace

TEST_F(ArchiveMapOperations, PageOfAMap)
{
    context.addedMaps().setSheet(SheetId::archive(1925, 1),
                                 sheetAt(QStringLiteral("https://gallica.bnf.fr/iiif/ark:/12148/btv1b5963158s/f3")),
                                 QStringLiteral("Plan"));
    context.addedMaps().setSheet(SheetId::archive(1926, 1),
                                 sheetAt(QStringLiteral("https://images.example.org/iiif/plan")), QStringLiteral("Vue"));
    const QString library = QStringLiteral("http://gallica.bnf.fr/scripts/ConsultationTout.exe?E=0&O=077");
    struct Case {
        int position;
        QString page;
    };
    const Case cases[] = {
        {1, library + QStringLiteral("10001")},
        {815, library + QStringLiteral("10815")},
        {1924, library + QStringLiteral("11924")},
        {1925, QStringLiteral("https://gallica.bnf.fr/ark:/12148/btv1b5963158s/f3.item")},
        {1926, QStringLiteral("https://images.example.org/iiif/plan/info.json")},
        {1927, QString()},   // no such map
        {0, QString()},
        {-3, QString()},
    };
    for (const Case &c : cases)
        EXPECT_EQ(archive::mapPage(context.addedMaps(), 1924, c.position), c.page) << c.position;
}

TEST_F(ArchiveMapOperations, InstalledIsTheMapsOwnFolder)
{
    ASSERT_TRUE(QDir().mkpath(archive::mapFolder(root(), 2)));   // an empty folder counts
    installSheet(815, 3);                                         // so does a sheet's
    for (int position : {1, 2, 3, 815, 816})
        EXPECT_EQ(archive::isInstalled(root(), position), position == 2 || position == 815) << position;
    EXPECT_EQ(QDir::cleanPath(archive::mapFolder(root(), 815)), QDir::cleanPath(root() + QStringLiteral("Archives Bnf/Carte815")));
}

// More sheets than a map holds become several maps, each given the next position; what the
// person is told names the first.
TEST_F(ArchiveMapOperations, AddingMapsSplitsAndSaves)
{
    QSignalSpy changed(&context, &AppContext::addedMapsChanged);
    QList<SheetSource> sheets;
    for (int i = 0; i < 150; ++i)
        sheets << sheetAt(QStringLiteral("http://h/s%1").arg(i));
    const archive::AddedOutcome added = archive::addMaps(context, QStringLiteral("Atlas"), sheets);
    EXPECT_TRUE(added.failure.isEmpty()) << added.failure.toStdString();
    EXPECT_EQ(added.position, 1925);
    EXPECT_EQ(changed.count(), 1);

    AddedMaps saved;
    saved.load(root());
    EXPECT_EQ(saved.addedTitles(), QStringList({QStringLiteral("Atlas (1/2)"), QStringLiteral("Atlas (2/2)")}));
    ASSERT_TRUE(saved.find(SheetId::archive(1926, 0)));
    EXPECT_EQ(saved.find(SheetId::archive(1926, 0))->sheets.size(), 50);

    const QString message = archive::addedMessage(added.position, QStringLiteral("Atlas"), source::Kind::Zoomify,
                                                  {sheetAt(QStringLiteral("http://h/z"))});
    EXPECT_TRUE(message.startsWith(QStringLiteral("Carte n° 1925 : Atlas\nZoomify : "))) << message.toStdString();

    // A list that cannot be saved adds nothing: the maps are those of the file again.
    breakTheFile();
    const archive::AddedOutcome refused = archive::addMaps(context, QStringLiteral("Plan"), {sheetAt(QStringLiteral("http://h/p"))});
    EXPECT_EQ(refused.failure, QStringLiteral("Enregistrement impossible, la carte n'est pas ajoutée : ")
                                   + AddedMaps::filePath(root()));
    EXPECT_FALSE(context.addedMaps().addedTitles().contains(QStringLiteral("Plan")));
}

// A map taken off keeps its position free; its sheets' folders go only when asked, and only
// once the list is saved.
TEST_F(ArchiveMapOperations, RemovingAMapDeletesItsSheetsOnlyWhenAskedAndSaved)
{
    catalogue::AddedMaps &maps = context.addedMaps();
    ASSERT_EQ(maps.addArchiveMap(QStringLiteral("Atlas"), {sheetAt(QStringLiteral("http://h/a")), sheetAt(QStringLiteral("http://h/b"))}), 1925);
    ASSERT_EQ(maps.addArchiveMap(QStringLiteral("Plan"), {sheetAt(QStringLiteral("http://h/c"))}), 1926);
    ASSERT_EQ(maps.addArchiveMap(QStringLiteral("Vue"), {sheetAt(QStringLiteral("http://h/d"))}), 1927);
    ASSERT_TRUE(context.saveAddedMaps());
    for (int position : {1925, 1926, 1927})
        installSheet(position, 1);
    installSheet(1925, 2);

    struct Case {
        int position;
        bool deleteTiles;
    };
    for (const Case &c : {Case{1925, true}, Case{1926, false}}) {
        SCOPED_TRACE(c.position);
        QSignalSpy refreshed(&context, &AppContext::selectionStatusRefreshed);
        EXPECT_EQ(archive::removeAddedMap(context, c.position, c.deleteTiles), QString());
        EXPECT_EQ(refreshed.count(), 1);
        EXPECT_EQ(QFileInfo::exists(sheetFolder(c.position, 1)), !c.deleteTiles);
    }
    EXPECT_FALSE(QFileInfo::exists(sheetFolder(1925, 2)));
    AddedMaps saved;
    saved.load(root());
    EXPECT_EQ(saved.addedTitles(), QStringList({QString(), QString(), QStringLiteral("Vue")}));

    // The list cannot be saved: the map stays, and so do its tiles.
    breakTheFile();
    const QString failure = archive::removeAddedMap(context, 1927, true);
    EXPECT_EQ(failure, QStringLiteral("Enregistrement impossible, la carte n'est pas retirée : ")
                           + AddedMaps::filePath(root()));
    EXPECT_TRUE(QFileInfo::exists(store::tilePath(sheetFolder(1927, 1), 0, 0)));
}
