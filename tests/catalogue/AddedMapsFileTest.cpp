// The added-maps file: positions that never move, removal, merging with what another
// program or a person wrote meanwhile, lines it cannot read, two programs saving at once,
// and a mutation run of its reader over the committed seed files.
#include "catalogue/AddedMaps.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSet>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <random>

namespace {

const QString kArchive = QStringLiteral("Archives Bnf");

QByteArray readFile(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(bytes);
}

QList<source::SheetSource> oneSheet(const QString &base)
{
    return {{QStringLiteral("http://h/") + base, QSize(10, 20), {}}};
}

TEST(AddedMapsFile, PositionsStayAndARemovedPositionStaysFree)
{
    QTemporaryDir root;
    catalogue::AddedMaps maps;
    for (const char *title : {"A", "B", "C"})
        maps.addArchiveMap(QString::fromLatin1(title), oneSheet(QString::fromLatin1(title)));
    ASSERT_TRUE(maps.save(root.path()));
    ASSERT_TRUE(maps.removeArchiveMap(1926));
    EXPECT_FALSE(maps.removeArchiveMap(1926));
    EXPECT_FALSE(maps.removeArchiveMap(12));   // catalogue maps are not removed
    ASSERT_TRUE(maps.save(root.path()));

    catalogue::AddedMaps again;
    again.load(root.path());
    EXPECT_EQ(again.addedTitles(), QStringList({QStringLiteral("A"), QString(), QStringLiteral("C")}));
    EXPECT_EQ(again.find(SheetId::archive(1927, 0))->title, QStringLiteral("C"));
    EXPECT_FALSE(again.find(SheetId::archive(1926, 0)));
    // The last map removed: its position is not given again.
    ASSERT_TRUE(again.removeArchiveMap(1927));
    ASSERT_TRUE(again.save(root.path()));
    catalogue::AddedMaps third;
    third.load(root.path());
    EXPECT_EQ(third.addArchiveMap(QStringLiteral("D"), oneSheet(QStringLiteral("d"))), 1928);
    ASSERT_TRUE(third.save(root.path()));
    EXPECT_EQ(readFile(catalogue::AddedMaps::filePath(root.path())),
              (catalogue::kAddedMapsHeader + QStringLiteral("\nArchives Bnf\t1925\tA\thttp://h/A\t10 x 20\n"
                                                       "Archives Bnf\t1926\t(retirée)\n"
                                                       "Archives Bnf\t1927\t(retirée)\n"
                                                       "Archives Bnf\t1928\tD\thttp://h/d\t10 x 20\n"))
                  .toUtf8());
}

// A file of an older version (no header) is read as before: its added maps follow the
// catalogue without a gap. Saved again, it records those positions.
TEST(AddedMapsFile, OlderFilesKeepTheirNumbering)
{
    QTemporaryDir root;
    writeFile(catalogue::AddedMaps::filePath(root.path()),
              "Archives Bnf\t1925\tA\thttp://h/a\t1 x 1\nArchives Bnf\t1940\tB\thttp://h/b\t1 x 1\n");
    catalogue::AddedMaps maps;
    maps.load(root.path());
    EXPECT_EQ(maps.addedTitles(), QStringList({QStringLiteral("A"), QStringLiteral("B")}));
    ASSERT_TRUE(maps.save(root.path()));
    EXPECT_TRUE(readFile(catalogue::AddedMaps::filePath(root.path())).contains("Archives Bnf\t1926\tB\t"));
}

// Each save reads the file again: what another program or a person wrote meanwhile stays,
// what changed here is laid over it, line by line.
TEST(AddedMapsFile, SavesMergeWithTheFileAsItIsNow)
{
    QTemporaryDir root;
    const QString file = catalogue::AddedMaps::filePath(root.path());
    catalogue::AddedMaps first, second;
    first.addArchiveMap(QStringLiteral("A"), oneSheet(QStringLiteral("a")));
    first.addArchiveMap(QStringLiteral("B"), oneSheet(QStringLiteral("b")));
    ASSERT_TRUE(first.save(root.path()));
    second.load(root.path());

    // The second program adds a map and removes B; a person adds a Cassini sheet by hand.
    const int c = second.addArchiveMap(QStringLiteral("C"), oneSheet(QStringLiteral("c")));
    ASSERT_TRUE(second.removeArchiveMap(1926));
    ASSERT_TRUE(second.save(root.path()));
    writeFile(file, readFile(file) + "Cassini couleurs\t57\tParis\thttp://h/p\t5 x 5\n");

    // The first, which knows nothing of that, adds its own map and changes A's address.
    const int d = first.addArchiveMap(QStringLiteral("D"), oneSheet(QStringLiteral("d")));
    EXPECT_EQ(d, c);   // the same free position seen from here...
    first.setSheet(SheetId::archive(1925, 1), oneSheet(QStringLiteral("a2")).first());
    ASSERT_TRUE(first.save(root.path()));
    EXPECT_EQ(first.positionAfterSave(d), 1928);   // ...so its map takes the next one

    catalogue::AddedMaps merged;
    merged.load(root.path());
    EXPECT_EQ(merged.addedTitles(),
              QStringList({QStringLiteral("A"), QString(), QStringLiteral("C"), QStringLiteral("D")}));
    EXPECT_EQ(merged.sheet(SheetId::archive(1925, 1))->address,
              QStringLiteral("http://h/a2"));
    EXPECT_TRUE(merged.sheet(SheetId::cassini(editions::kColour, 57)));
    EXPECT_EQ(first.maps(), merged.maps());   // the saver now holds the file's maps
}

// An emptied address clears a sheet: a Cassini sheet with none left loses its line, an added
// map keeps its line and position.
TEST(AddedMapsFile, AnEmptyAddressClearsTheSheet)
{
    QTemporaryDir root;
    catalogue::AddedMaps maps;
    maps.setSheet(SheetId::cassini(editions::kColour, 57), oneSheet(QStringLiteral("p")).first());
    maps.addArchiveMap(QStringLiteral("A"), oneSheet(QStringLiteral("a")));
    ASSERT_TRUE(maps.save(root.path()));
    maps.setSheet(SheetId::cassini(editions::kColour, 57), {});
    maps.setSheet(SheetId::archive(1925, 1), {});
    ASSERT_TRUE(maps.save(root.path()));

    catalogue::AddedMaps again;
    again.load(root.path());
    EXPECT_FALSE(again.sheet(SheetId::cassini(editions::kColour, 57)));
    EXPECT_FALSE(again.sheet(SheetId::archive(1925, 1)));
    EXPECT_EQ(again.addedTitles(), QStringList{QStringLiteral("A")});
    EXPECT_EQ(again.maps().size(), 1);
}

// A line the program cannot read is kept as it stands, through every save.
TEST(AddedMapsFile, UnreadableLinesAreKeptAsTheyStand)
{
    QTemporaryDir root;
    const QString file = catalogue::AddedMaps::filePath(root.path());
    const QByteArray typo = "Archives Bnf\t1926\tFaute\thttp://h/x\t1248x1664";
    writeFile(file, catalogue::kAddedMapsHeader.toUtf8() + "\nArchives Bnf\t1925\tA\thttp://h/a\t1 x 1\n" + typo + '\n');
    catalogue::AddedMaps maps;
    maps.load(root.path());
    EXPECT_EQ(maps.unreadableLines(), QStringList{QString::fromUtf8(typo)});
    maps.addArchiveMap(QStringLiteral("B"), oneSheet(QStringLiteral("b")));
    ASSERT_TRUE(maps.save(root.path()));
    EXPECT_TRUE(readFile(file).contains(typo + '\n'));
    EXPECT_EQ(maps.unreadableLines(), QStringList{QString::fromUtf8(typo)});
}

// A save that cannot lock or write the file says so and leaves the file as it was.
TEST(AddedMapsFile, AFailedSaveLeavesTheFile)
{
    QTemporaryDir root;
    catalogue::AddedMaps maps;
    maps.addArchiveMap(QStringLiteral("A"), oneSheet(QStringLiteral("a")));
    EXPECT_FALSE(maps.save(root.path() + QStringLiteral("/missing")));
    EXPECT_FALSE(QFile::exists(catalogue::AddedMaps::filePath(root.path() + QStringLiteral("/missing"))));
}

// Two programs adding maps to one file at the same time: every map of both is there, each at
// its own position.
TEST(AddedMapsFile, TwoProgramsSavingAtOnceLoseNothing)
{
    QTemporaryDir root;
    constexpr int kEach = 15;
    QProcess a, b;
    a.start(QStringLiteral(ADDED_MAPS_SAVER), {root.path(), QStringLiteral("a"), QString::number(kEach)});
    b.start(QStringLiteral(ADDED_MAPS_SAVER), {root.path(), QStringLiteral("b"), QString::number(kEach)});
    for (QProcess *p : {&a, &b}) {
        ASSERT_TRUE(p->waitForFinished(60000));
        EXPECT_EQ(p->exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(p->exitCode(), 0);
    }
    catalogue::AddedMaps maps;
    maps.load(root.path());
    QSet<QString> titles;
    for (const QString &t : maps.addedTitles())
        titles.insert(t);
    EXPECT_EQ(maps.addedTitles().size(), 2 * kEach);
    for (const char *name : {"a", "b"})
        for (int n = 1; n <= kEach; ++n)
            EXPECT_TRUE(titles.contains(QString::fromLatin1(name) + u' ' + QString::number(n))) << name << n;
    EXPECT_TRUE(maps.unreadableLines().isEmpty());
    EXPECT_FALSE(QFile::exists(catalogue::AddedMaps::filePath(root.path()) + QStringLiteral(".lock")));
}

// Mutations of the seed files: the reader never fails, a line it reads writes back to the
// same map, and a load and save keeps every line it could not read, byte for byte.
TEST(AddedMapsFile, MutatedFilesReadSafelyAndKeepWhatTheyCannotRead)
{
    const QDir corpus(QStringLiteral(ADDED_MAPS_CORPUS));
    const QStringList seeds = corpus.entryList({QStringLiteral("*.txt")}, QDir::Files);
    ASSERT_FALSE(seeds.isEmpty());
    std::mt19937 random(20);
    const QByteArray alphabet("\t\n\r x0123456789#-()é", 20);
    QTemporaryDir root;
    for (const QString &seed : seeds) {
        const QByteArray original = readFile(corpus.filePath(seed));
        for (int round = 0; round < 150; ++round) {
            QByteArray text = original;
            const int edits = 1 + int(random() % 4);
            for (int e = 0; e < edits && !text.isEmpty(); ++e) {
                const qsizetype at = qsizetype(random() % quint32(text.size()));
                switch (random() % 4) {
                case 0: text[at] = alphabet[int(random() % alphabet.size())]; break;
                case 1: text.insert(at, alphabet[int(random() % alphabet.size())]); break;
                case 2: text.remove(at, 1 + qsizetype(random() % 8)); break;
                default: text.insert(at, text.mid(at, 1 + qsizetype(random() % 40))); break;
                }
            }
            const catalogue::AddedMaps::Parsed parsed = catalogue::AddedMaps::parse(text);
            for (const catalogue::AddedMap &map : parsed.maps) {
                const auto back = catalogue::AddedMaps::fromLine(catalogue::AddedMaps::line(map));
                ASSERT_TRUE(back) << text.toStdString();
                EXPECT_EQ(*back, map) << text.toStdString();
            }
            writeFile(catalogue::AddedMaps::filePath(root.path()), text);
            catalogue::AddedMaps maps;
            maps.load(root.path());
            ASSERT_TRUE(maps.save(root.path()));
            const QByteArray saved = readFile(catalogue::AddedMaps::filePath(root.path()));
            for (const QString &line : parsed.unreadable)
                EXPECT_TRUE(saved.contains(line.toUtf8() + '\n')) << line.toStdString();
            catalogue::AddedMaps again;
            again.load(root.path());
            EXPECT_EQ(again.maps(), maps.maps()) << text.toStdString();
        }
    }
}

} // namespace
