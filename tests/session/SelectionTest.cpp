// The sheet identity and the one way the selection changes: AppContext::select() and the
// document number looked up for the selected sheet.
#include "session/AppContext.h"
#include "session/SettingsStore.h"
#include "store/TileStore.h"
#include "support/TestFiles.h"

#include <QSet>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace testing_support;

TEST(SheetId, TextsOfFoldersAndCaptions)
{
    struct Case {
        SheetId sheet;
        QString number, suffix;
    };
    const Case cases[] = {
        {SheetId::cassini(editions::kColour, 57), QStringLiteral("57"), QString()},
        {SheetId::cassini(editions::kBlackAndWhite, 182), QStringLiteral("182"), QString()},
        {SheetId::archive(12, 7), QStringLiteral("12"), QStringLiteral("\\F007")},
        {SheetId::archive(1924, 100), QStringLiteral("1924"), QStringLiteral("\\F100")},
        {SheetId::archive(3, 0), QStringLiteral("3"), QString()},
        {SheetId{}, QString(), QString()},
    };
    for (const Case &c : cases) {
        EXPECT_EQ(c.sheet.numberText(), c.number);
        EXPECT_EQ(c.sheet.folderSuffix(), c.suffix);
        // The texts give the same sheet back.
        EXPECT_EQ(SheetId::fromTexts(c.sheet.edition, c.number, c.suffix), c.sheet) << c.number.toStdString();
    }
    EXPECT_TRUE(SheetId::archive(12, 7).isArchive());
    EXPECT_FALSE(SheetId::cassini(editions::kColour, 12).isArchive());
    // A suffix that is no sheet index names no sheet of a map.
    EXPECT_EQ(SheetId::fromTexts(editions::kArchive, QStringLiteral("4"), QStringLiteral("\\Fxyz")).sheetIndex, 0);
}

TEST(SheetId, EqualSheetsAreOneKey)
{
    const QSet<SheetId> sheets{SheetId::cassini(editions::kColour, 57), SheetId::cassini(editions::kColour, 57),
                               SheetId::cassini(editions::kBlackAndWhite, 57), SheetId::archive(57, 1),
                               SheetId::archive(57, 2), SheetId::archive(57, 1).withSheetIndex(2)};
    EXPECT_EQ(sheets.size(), 4);
    EXPECT_EQ(SheetId::archive(57, 1).withNumber(12), SheetId::archive(12, 1));
    EXPECT_EQ(SheetId::archive(57, 1).withEdition(editions::kColour).edition, editions::kColour);
}

namespace {

class Selection : public ::testing::Test {
protected:
    QTemporaryDir root, config;
    SettingsStore settings{config.path() + QStringLiteral("/Orvantis.ini")};
    ScriptedDesktop desktop;
    AppContext context{settings, desktop, root.path() + u'/', root.path() + u'/'};
};

} // namespace

TEST_F(Selection, SelectWritesTheSheetRefreshesItsStatusAndTellsThePagesOnce)
{
    writeTiles(store::mapFolder(context.mapsRoot(), SheetId::archive(12, 7)),
               {0});
    QSignalSpy changed(&context, &AppContext::selectionChanged);
    QSignalSpy refreshed(&context, &AppContext::selectionStatusRefreshed);

    context.select(SheetId::archive(12, 7));
    EXPECT_EQ(context.selection().editionFolder, editions::kArchive);
    EXPECT_EQ(context.selection().sheetNumber, QStringLiteral("12"));
    EXPECT_EQ(context.selection().folderSuffix, QStringLiteral("\\F007"));
    EXPECT_EQ(context.selection().sheet(), SheetId::archive(12, 7));
    EXPECT_EQ(context.selection().installationState, ArchiveWithTiles);
    ASSERT_EQ(changed.count(), 1);
    EXPECT_EQ(changed.at(0).at(0).value<SheetId>(), SheetId::archive(12, 7));
    EXPECT_EQ(refreshed.count(), 1);

    // The same sheet again: its status is counted again, the pages have nothing new to show.
    context.select(SheetId::archive(12, 7));
    EXPECT_EQ(changed.count(), 1);
    EXPECT_EQ(refreshed.count(), 2);

    // Another sheet of the same map is another selection.
    context.select(SheetId::archive(12, 8));
    EXPECT_EQ(changed.count(), 2);
    EXPECT_EQ(context.selection().installationState, ArchiveEmpty);
    EXPECT_EQ(context.selectedMapFolder(),
              store::mapFolder(context.mapsRoot(), SheetId::archive(12, 8)));

    context.select(SheetId::cassini(editions::kColour, 57));
    EXPECT_TRUE(context.selection().folderSuffix.isEmpty());
    EXPECT_EQ(context.selection().installationState, CassiniEmpty);
    EXPECT_EQ(changed.count(), 3);
}

TEST_F(Selection, DocumentNumberOfTheSelectedSheet)
{
    struct Case {
        SheetId sheet;
        const char *number;   // after an earlier lookup gave "10012"
    };
    const Case cases[] = {
        {SheetId::cassini(editions::kColour, 1), "11504"},
        {SheetId::cassini(editions::kBlackAndWhite, 1), "11505"},
        {SheetId::cassini(editions::kColour, 176), "11529"},
        {SheetId::cassini(editions::kBlackAndWhite, 176), "11697"},
        {SheetId::archive(12, 3), "10012"},
        {SheetId::archive(1924, 1), "11924"},
        // Numbers that name no Cassini sheet leave the number looked up before.
        {SheetId::cassini(editions::kColour, 183), "10012"},
        {SheetId::cassini(editions::kColour, 1924), "10012"},
        {SheetId::cassini(editions::kColour, 0), "10012"},
        {SheetId::cassini(editions::kColour, -3), "10012"},
    };
    for (const Case &c : cases) {
        context.select(SheetId::archive(12, 1));
        context.lookUpDocumentNumber();
        ASSERT_EQ(context.selection().documentNumber, QStringLiteral("10012"));
        context.select(c.sheet);
        EXPECT_EQ(context.selection().documentNumber, QStringLiteral("10012"));   // looked up only when asked
        context.lookUpDocumentNumber();
        EXPECT_EQ(context.selection().documentNumber, QLatin1String(c.number))
            << c.sheet.edition.toStdString() << ' ' << c.sheet.number;
    }
}
