// The archive catalogue: its titles, document numbers, the sheet index suffix, the
// ASCII-only search and the title file that may replace the built-in list.
#include "catalogue/ArchiveCatalogue.h"
#include "support/TestFiles.h"

#include <QStringEncoder>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace archive;
using testing_support::writeFile;

namespace {

QStringList numberedTitles(int count, const QString &stem = QStringLiteral("Titre "))
{
    QStringList titles;
    for (int i = 1; i <= count; ++i)
        titles << stem + QString::number(i);
    return titles;
}

QByteArray utf8Lines(const QStringList &lines, const char *end = "\n", bool finalEnd = true)
{
    QByteArray bytes = lines.join(QString::fromLatin1(end)).toUtf8();
    if (finalEnd)
        bytes += end;
    return bytes;
}

} // namespace

TEST(ArchiveCatalogue, BuiltInListHoldsTheQuotedRowsAndNeutralTitlesElsewhere)
{
    const ArchiveCatalogue catalogue;
    ASSERT_EQ(catalogue.count(), kTitleCount);
    const std::pair<int, QString> quoted[] = {
        {1, QStringLiteral("33 cartes - Atlas Coelestis")},
        {2, QStringLiteral("13 cartes - Nouvel atlas de Marine")},
        {3, QStringLiteral("69 cartes - Carte générale de toutes les côtes de France")},
        {4, QStringLiteral("8 cartes - Carte particulière des cotes de Bretagne")},
        {5, QStringLiteral("8 cartes - Carte particulière des cotes de Bretagne")},
        {44, QStringLiteral("France ecclésiastique")},
        {116, QStringLiteral("Carte géographique du diocèse de Rieux")},
        {815, QStringLiteral("2 cartes - Plan de Dunkerque 1751")},
    };
    for (const auto &[position, title] : quoted)
        EXPECT_EQ(catalogue.title(position), title) << position;
    for (int position : {6, 43, 45, 814, 816, 1924})
        EXPECT_EQ(catalogue.title(position), QStringLiteral("Document %1 des archives Bnf/Gallica")
                                                 .arg(position + 10000)) << position;
    for (const QString &title : catalogue.titles())
        EXPECT_FALSE(title.isEmpty());
    EXPECT_TRUE(catalogue.title(0).isEmpty());
    EXPECT_TRUE(catalogue.title(1925).isEmpty());
    EXPECT_TRUE(catalogue.source().isEmpty());
}

TEST(ArchiveCatalogue, DocumentNumberIsPositionPlusTenThousand)
{
    EXPECT_EQ(documentNumber(1), QStringLiteral("10001"));
    EXPECT_EQ(documentNumber(12), QStringLiteral("10012"));
    EXPECT_EQ(documentNumber(1924), QStringLiteral("11924"));
}

TEST(ArchiveCatalogue, SheetIndexSuffixRule)
{
    const QString previous = QStringLiteral("\\F004");
    const std::pair<QString, QString> cases[] = {
        {QStringLiteral("1"), QStringLiteral("\\F001")},
        {QStringLiteral("7"), QStringLiteral("\\F007")},
        {QStringLiteral("12"), QStringLiteral("\\F012")},
        {QStringLiteral("100"), QStringLiteral("\\F100")},
        {QStringLiteral("010"), QStringLiteral("\\F010")},
        // Not one to three digits: the suffix stays.
        {QString(), previous},
        {QStringLiteral("1000"), previous},
        {QStringLiteral("1a"), previous},
        {QStringLiteral("-1"), previous},
        {QStringLiteral(" 5"), previous},
        // Digits, but no sheet index of 1..100: never a folder name.
        {QStringLiteral("0"), previous},
        {QStringLiteral("000"), previous},
        {QStringLiteral("101"), previous},
        {QStringLiteral("999"), previous},
    };
    for (const auto &[text, suffix] : cases)
        EXPECT_EQ(sheetIndexSuffix(text, previous), suffix) << text.toStdString();
}

TEST(ArchiveCatalogue, SearchFoldsAsciiLettersOnly)
{
    const ArchiveCatalogue catalogue(QStringList{
        QStringLiteral("Carte de l'ÉVÊCHÉ"),    // 0
        QStringLiteral("carte de l'évêché"),    // 1
        QStringLiteral("FIEF de Rieux"),        // 2
        QStringLiteral("Plan de Dunkerque"),    // 3
        QStringLiteral("CITÉ de Carcassonne"),  // 4
    });
    struct Case { QString text; int from; int found; };
    const Case cases[] = {
        {QStringLiteral("CARTE"), 0, 0},
        {QStringLiteral("carte"), 0, 0},
        {QStringLiteral("carte"), 1, 1},
        {QStringLiteral("dunKERQUE"), 0, 3},
        // Accented letters are compared as they are.
        {QStringLiteral("ÉVÊCHÉ"), 0, 0},
        {QStringLiteral("ÉVÊCHÉ"), 1, -1},
        {QStringLiteral("évêché"), 0, 1},
        {QStringLiteral("cité"), 0, -1},
        {QStringLiteral("CITé"), 0, -1},
        {QStringLiteral("cit"), 0, 4},
        // Only a to z fold: a ligature is not two letters.
        {QStringLiteral("ﬁef"), 0, -1},
        {QStringLiteral("fief"), 0, 2},
        // Empty text matches nothing; the scan never wraps.
        {QString(), 0, -1},
        {QStringLiteral("Plan"), 4, -1},
        {QStringLiteral("Plan"), 5, -1},
        {QStringLiteral("Plan"), 99, -1},
    };
    for (const Case &c : cases)
        EXPECT_EQ(catalogue.find(c.text, c.from), c.found) << c.text.toStdString() << " from " << c.from;
    EXPECT_EQ(asciiUpper(QStringLiteral("azéÉ ßmz")), QStringLiteral("AZéÉ ßMZ"));
    EXPECT_FALSE(titleMatches(QStringLiteral("abc"), QString()));
}

TEST(ArchiveCatalogue, BretagneFindsFourThenFiveThenNothing)
{
    const ArchiveCatalogue catalogue;
    EXPECT_EQ(catalogue.find(QStringLiteral("bretagne"), 0), 3);
    EXPECT_EQ(catalogue.find(QStringLiteral("BRETAGNE"), 4), 4);
    EXPECT_EQ(catalogue.find(QStringLiteral("Bretagne"), 5), -1);
}

TEST(ArchiveCatalogue, TitleFileOfExactlyTheListLengthIsRead)
{
    QTemporaryDir dir;
    const QStringList titles = numberedTitles(kTitleCount, QStringLiteral("Carte générale n° "));
    struct Case { const char *name; QByteArray bytes; bool accepted; };
    QByteArray latin1;
    {
        QStringEncoder encoder(QStringEncoder::Latin1);
        latin1 = encoder(titles.join(u'\n'));
    }
    const Case cases[] = {
        {"lf", utf8Lines(titles), true},
        {"no-final-end", utf8Lines(titles, "\n", false), true},
        {"crlf", utf8Lines(titles, "\r\n"), true},
        {"latin1", latin1, true},
        {"short", utf8Lines(numberedTitles(kTitleCount - 1)), false},
        {"long", utf8Lines(numberedTitles(kTitleCount + 1)), false},
        {"empty", QByteArray(), false},
    };
    for (const Case &c : cases) {
        const QString path = dir.path() + u'/' + QString::fromLatin1(c.name) + QStringLiteral(".txt");
        writeFile(path, c.bytes);
        const auto read = readTitleFile(path);
        ASSERT_EQ(read.has_value(), c.accepted) << c.name;
        if (read) {
            EXPECT_EQ(read->first(), titles.first()) << c.name;
            EXPECT_EQ(read->last(), titles.last()) << c.name;
        }
    }
    EXPECT_FALSE(readTitleFile(dir.path() + QStringLiteral("/missing.txt")).has_value());
}

TEST(ArchiveCatalogue, LoadTakesTheFirstFolderWithAValidFile)
{
    QTemporaryDir wrongLength, valid, none;
    writeFile(wrongLength.path() + QStringLiteral("/archive-titles.txt"), utf8Lines(numberedTitles(100)));
    writeFile(valid.path() + QStringLiteral("/archive-titles.txt"), utf8Lines(numberedTitles(kTitleCount)));

    const ArchiveCatalogue replaced = ArchiveCatalogue::load({none.path(), wrongLength.path(), valid.path()});
    EXPECT_EQ(replaced.count(), kTitleCount);
    EXPECT_EQ(replaced.title(815), QStringLiteral("Titre 815"));
    EXPECT_EQ(replaced.source(), valid.path() + QStringLiteral("/archive-titles.txt"));

    const ArchiveCatalogue builtIn = ArchiveCatalogue::load({none.path(), wrongLength.path()});
    EXPECT_EQ(builtIn.title(815), QStringLiteral("2 cartes - Plan de Dunkerque 1751"));
    EXPECT_TRUE(builtIn.source().isEmpty());
}
