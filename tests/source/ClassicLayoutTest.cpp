// The library's old paths, both ways: what the program asks for is what the tile server and
// nginx read back, for every kind of sheet and at the edges of each part; paths that name no
// tile are refused by the reading and by the expressions nginx is given alike.

#include "catalogue/ArchiveCatalogue.h"
#include "catalogue/CassiniCatalogue.h"
#include "source/classic/ClassicLayout.h"
#include "source/classic/ClassicSource.h"
#include "store/TileStore.h"

#include <QRegularExpression>
#include <gtest/gtest.h>

using source::ClassicLayout;
using Part = ClassicLayout::Part;

static std::ostream &operator<<(std::ostream &out, const SheetId &sheet)
{
    return out << sheet.edition.toStdString() << ' ' << sheet.number << " #" << sheet.sheetIndex;
}

namespace {

// What nginx takes from a path with the layout's expressions; nothing where they refuse it.
std::optional<ClassicLayout::Request> readAsNginx(const QString &path)
{
    const auto part = [&](Part which) {
        const QRegularExpressionMatch m = QRegularExpression(ClassicLayout::pathPattern({which})).match(path);
        return m.hasMatch() ? std::optional<QString>(m.captured(1)) : std::nullopt;
    };
    const auto document = part(Part::Document), folder = part(Part::Folder), file = part(Part::TileFile);
    if (!document || !folder || !file)
        return std::nullopt;
    const QRegularExpressionMatch index =
        QRegularExpression(u'^' + ClassicLayout::suffixedFolderPattern() + u'$').match(*folder);
    if (!index.hasMatch())
        return std::nullopt;
    return ClassicLayout::Request{*document, index.captured(1).toInt(), file->mid(5, 2)};
}

} // namespace

TEST(ClassicLayoutTest, WritesThePathsOfEverySheetAndRefusesAnIndexNoFolderHolds)
{
    struct Case {
        QString document;
        int sheetIndex;
        QString tileCode;
        QString path;
    };
    const Case cases[] = {
        {"11504", 0, "AA", "/Fonds_ImagesZoom/077/07711504/0000001/MAXI_AA.jpg"},   // a Cassini sheet
        {"10012", 7, "CB", "/Fonds_ImagesZoom/077/07710012/0000007/MAXI_CB.jpg"},
        {"10012", 1, "ZZ", "/Fonds_ImagesZoom/077/07710012/0000001/MAXI_ZZ.jpg"},   // index 1 shares it
        {"11924", archive::kMaxSheetIndex, "AB", "/Fonds_ImagesZoom/077/07711924/0000100/MAXI_AB.jpg"},
        {"999999", ClassicLayout::kMaxSheetIndex, "AA", "/Fonds_ImagesZoom/077/077999999/0000999/MAXI_AA.jpg"},
        {"10012", ClassicLayout::kMaxSheetIndex + 1, "AA", ""},   // index 1000: seven digits cannot hold it
        {"10012", 10000, "AA", ""},
        {"10012", -1, "AA", ""},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.path.toStdString() + " index " + std::to_string(c.sheetIndex));
        EXPECT_EQ(ClassicLayout::tilePath(c.document, c.sheetIndex, c.tileCode), c.path);
        if (c.sheetIndex < 0)
            continue;   // no folder suffix names it
        // The program's template of the sheet gives each tile the same path.
        const QString suffix = SheetId::archive(1, c.sheetIndex).folderSuffix();
        const QString url = ClassicLayout::urlTemplate(QStringLiteral("127.0.0.1:8080"), c.document, suffix);
        if (c.path.isEmpty()) {
            EXPECT_TRUE(url.isEmpty()) << url.toStdString();
            continue;
        }
        ASSERT_EQ(url, "http://127.0.0.1:8080" + ClassicLayout::tilePath(c.document, c.sheetIndex, "**"));
        const int column = c.tileCode[0].unicode() - 'A', row = c.tileCode[1].unicode() - 'A';
        EXPECT_EQ(source::ClassicSource(url).tileUrl({column, row}), "http://127.0.0.1:8080" + c.path);
    }
}

TEST(ClassicLayoutTest, EverySheetsPathLeadsBackToThatSheetAndItsTile)
{
    const SheetId sheets[] = {
        SheetId::cassini(editions::kColour, 1),
        SheetId::cassini(editions::kBlackAndWhite, 1),
        SheetId::cassini(editions::kColour, cassini::kSheetCount),
        SheetId::archive(1, 0),
        SheetId::archive(1, 1),
        SheetId::archive(12, 7),
        SheetId::archive(archive::kTitleCount, archive::kMaxSheetIndex),
        // The largest position six digits of document can name, in the largest folder.
        SheetId::archive(999999 - ClassicLayout::kArchiveDocumentBase, ClassicLayout::kMaxSheetIndex),
    };
    for (const SheetId &sheet : sheets) {
        SCOPED_TRACE(testing::PrintToString(sheet));
        const QString document = sheet.isArchive()
            ? archive::documentNumber(sheet.number)
            : cassini::documentNumber(sheet.number, sheet.edition == editions::kColour ? 0 : 1);
        ASSERT_FALSE(document.isEmpty());
        for (const auto &[column, row] : {std::pair{0, 0}, {25, 0}, {0, 25}, {25, 25}}) {
            const QString code = store::tileCode(column, row);
            const QString path = ClassicLayout::tilePath(document, sheet.sheetIndex, code);
            const auto request = ClassicLayout::parse(path);
            ASSERT_TRUE(request) << path.toStdString();
            EXPECT_EQ(request->document, document);
            EXPECT_EQ(request->sheetIndex, qMax(sheet.sheetIndex, 1));
            EXPECT_EQ(request->tileCode, code);
            EXPECT_EQ(request->tileFile(), store::tileFileName(column, row));
            // The folder without suffix names both a Cassini sheet and the first sheet of an
            // archive map: the Cassini sheet comes first; archive maps by their folder's index.
            const QList<SheetId> named = request->sheets();
            const SheetId expected = sheet.isArchive() ? SheetId::archive(sheet.number, qMax(sheet.sheetIndex, 1)) : sheet;
            ASSERT_FALSE(named.isEmpty());
            EXPECT_EQ(sheet.isArchive() ? named.last() : named.first(), expected);
            EXPECT_EQ(readAsNginx(path), request);
        }
    }
}

TEST(ClassicLayoutTest, ReadsPathsAsSentAndRefusesAnyOtherTheSameWayAsNginx)
{
    const QString base = QString::fromLatin1(ClassicLayout::kDocumentsPath);
    struct Case {
        QString path;
        bool read;
        QList<SheetId> sheets;
    };
    const QString colour1 = cassini::documentNumber(1, 0);
    const Case cases[] = {
        {base + colour1 + "/0000001/MAXI_AA.jpg", true,
         {SheetId::cassini(editions::kColour, 1), SheetId::archive(colour1.toInt() - 10000, 1)}},
        {base + "10012/0000007/MAXI_CB.jpg", true, {SheetId::archive(12, 7)}},
        {base + "010012/0000007/MAXI_CB.jpg", true, {SheetId::archive(12, 7)}},   // a leading zero
        {base + "0" + colour1 + "/0000001/MAXI_AA.jpg", true, {SheetId::archive(colour1.toInt() - 10000, 1)}},
        {base + "10000/0000007/MAXI_AA.jpg", true, {}},   // position 0: no map
        {base + "9999/0000007/MAXI_AA.jpg", true, {}},
        {base + "1/0000001/MAXI_AA.jpg", true, {}},
        {base + "999999/0000999/MAXI_ZZ.jpg", true, {SheetId::archive(989999, 999)}},
        {base + "1000000/0000007/MAXI_AA.jpg", false, {}},   // seven digits of document
        {base + "/0000001/MAXI_AA.jpg", false, {}},
        {base + "10012/0000000/MAXI_AA.jpg", false, {}},   // index 0
        {base + "10012/0001000/MAXI_AA.jpg", false, {}},   // index 1000
        {base + "10012/1000007/MAXI_AA.jpg", false, {}},
        {base + "10012/000007/MAXI_AA.jpg", false, {}},
        {base + "10012/00000007/MAXI_AA.jpg", false, {}},
        {base + "10012/0000007/MAXI_aa.jpg", false, {}},
        {base + "10012/0000007/MAXI_A%41.jpg", false, {}},
        {base + "10012/0000007/MAXI_AAA.jpg", false, {}},
        {base + "10012/0000007/MAXI_AA.JPG", false, {}},
        {base + "10012/0000007/MAXI_AA.jpg?x=1", false, {}},
        {base + "10012/0000007/MAXI_AA.jpg\n", false, {}},
        {base + "10012/0000007/../0000007/MAXI_AA.jpg", false, {}},
        {base + "1x012/0000007/MAXI_AA.jpg", false, {}},
        {base.mid(1) + "10012/0000007/MAXI_AA.jpg", false, {}},
        {"/Fonds_ImagesZoom/077/07810012/0000007/MAXI_AA.jpg", false, {}},
        {"/Archives Bnf/Carte12/F007/MAXI_AA.jpg", false, {}},
        {"", false, {}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.path.toStdString());
        const auto request = ClassicLayout::parse(c.path);
        EXPECT_EQ(bool(request), c.read);
        if (!c.path.endsWith(u'\n'))   // nginx never sees a raw line end in a path
            EXPECT_EQ(readAsNginx(c.path), request);
        if (request)
            EXPECT_EQ(request->sheets(), c.sheets);
    }
}
