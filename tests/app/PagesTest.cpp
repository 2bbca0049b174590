// The window's pages by control name: captions and page numbers, the home and about pages,
// the Cassini selection, the installation indicators and the import buttons.
#include "widgets/StatusBar.h"
#include "catalogue/ArchivePage.h"
#include "catalogue/CassiniCatalogue.h"
#include "catalogue/CassiniPage.h"
#include "store/TileStore.h"
#include "support/TestWindow.h"
#include "widgets/ColourSquare.h"
#include "widgets/NumberButton.h"
#include "widgets/RadioGroup.h"
#include "widgets/SpinEdit.h"

#include <QAccessible>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QTabWidget>
#include <gtest/gtest.h>

using namespace testing_support;

namespace {

const QColor kNavy(0, 0, 128), kRed(255, 0, 0), kGreen(0, 128, 0), kFuchsia(255, 0, 255),
    kDarkRed(128, 0, 0), kWhite(255, 255, 255);

class Pages : public ::testing::Test {
protected:
    void SetUp() override { t.start(); }
    QString sheetFolder(int sheet, const QString &edition = QStringLiteral("Cassini couleurs")) const
    {
        return t.programFolder() + edition + QStringLiteral("/Carte") + QString::number(sheet);
    }
    std::vector<int> redButtons() const
    {
        std::vector<int> red;
        for (int sheet = 1; sheet <= 182; ++sheet)
            if (!t.find<NumberButton>(QStringLiteral("SpeedButton%1").arg(sheet))->isHidden() && t.find<NumberButton>(QStringLiteral("SpeedButton%1").arg(sheet))->numberColour() == kRed)
                red.push_back(sheet);
        return red;
    }
    TestWindow t;
};

TEST_F(Pages, EachPageSetsItsCaptionAndNumber)
{
    const std::tuple<int, int, const char *> pages[] = {
        {1, 2, "Sélection d'une carte de Cassini à partir d'une commune"},
        {2, 3, "Sélection d'une carte de Cassini"},
        {3, 4, "Sélection d'une carte dans les archives Bnf/Gallica"},
        {4, 5, "Téléchargement de la Carte n° 1 ( Cassini couleurs )"},
        {5, 6, "Choix d'une zone à imprimer - Carte n° 1 ( Cassini couleurs )"},
        {6, 7, "Impression de la Carte n° 1 ( Cassini couleurs )"},
        {7, 8, "Préférences"},
        {8, 9, "A Propos de Orvantis"},
        {0, 1, "Orvantis"},
    };
    for (const auto &[index, number, caption] : pages) {
        t.window->showPage(index);
        EXPECT_EQ(t.window->windowTitle(), QString::fromUtf8(caption));
        EXPECT_EQ(t.context().currentPageNumber(), number);
    }
    // Clicking a tab is a page change too.
    t.find<QTabWidget>(QStringLiteral("spSkinPageControl1"))->setCurrentIndex(2);
    EXPECT_EQ(t.context().currentPageNumber(), 3);
}

TEST_F(Pages, HomeAndAboutButtons)
{
    t.click(QStringLiteral("spSkinButton11"));
    EXPECT_EQ(t.window->windowTitle(), QStringLiteral("A Propos de Orvantis"));
    const std::pair<const char *, const char *> links[] = {
        {"spSkinLinkImage1", ""}, {"spSkinButton55", "/phpBB/index.php"}, {"spSkinButton12", "/telechargement.htm"},
        {"spSkinButton14", "/faq.htm"}, {"spSkinButton15", "/formulaire.html"},
    };
    for (const auto &[name, path] : links) {
        t.click(QLatin1String(name));
        ASSERT_NE(t.desktop.last(QStringLiteral("open")), nullptr);
        EXPECT_EQ(t.desktop.last(QStringLiteral("open"))->text, QStringLiteral("http://www.orvantis.fr") + QLatin1String(path));
    }
    t.click(QStringLiteral("spSkinButton47"));
    EXPECT_EQ(t.window->windowTitle(), QStringLiteral("Orvantis"));
    EXPECT_EQ(t.context().currentPageNumber(), 1);

    t.click(QStringLiteral("spSkinButton1"));
    EXPECT_EQ(t.window->windowTitle(), QStringLiteral("Préférences"));
    t.click(QStringLiteral("spSkinButton51"));
    EXPECT_EQ(t.window->windowTitle(), QStringLiteral("Orvantis"));

    t.click(QStringLiteral("spSkinButton29"));
    EXPECT_EQ(t.desktop.last(QStringLiteral("open"))->text, t.programFolder() + QStringLiteral("Aide.html"));
}

TEST_F(Pages, ClickingASheetButtonSelectsIt)
{
    t.window->showPage(2);
    writeTiles(sheetFolder(57), {0});
    for (int round = 0; round < 2; ++round) {   // the selected button again runs it all again
        t.click(QStringLiteral("SpeedButton57"));
        EXPECT_EQ(t.find<SpinEdit>(QStringLiteral("spSkinSpinEdit1"))->value(), 57);
        EXPECT_EQ(t.context().selection().sheetNumber, QStringLiteral("57"));
        EXPECT_EQ(t.find<QLineEdit>(QStringLiteral("spSkinEdit5"))->text(), cassini::title(57));
        EXPECT_EQ(t.find<QGroupBox>(QStringLiteral("spSkinGroupBox5"))->title(), QStringLiteral("Carte 57 sélectionnée"));
        EXPECT_EQ(redButtons(), std::vector<int>{57});
        EXPECT_EQ(t.context().selection().installationState, CassiniWithTiles);
        EXPECT_EQ(t.find<ColourSquare>(QStringLiteral("Shape19"))->colour(), kFuchsia);
    }
}

TEST_F(Pages, EditionChangeHidesTheSheetsWithoutScanAndSelectsSheetOne)
{
    t.click(QStringLiteral("SpeedButton57"));
    t.find<RadioGroup>(QStringLiteral("spSkinRadioGroup2"))->click(1);
    EXPECT_EQ(t.context().selection().editionFolder, QStringLiteral("Cassini noir et blanc"));
    EXPECT_EQ(t.context().selection().sheetNumber, QStringLiteral("1"));
    EXPECT_EQ(t.find<QLineEdit>(QStringLiteral("spSkinEdit5"))->text(), QStringLiteral("Carte 1 : Paris"));
    for (int sheet : {2, 7, 8, 9, 29, 48, 49, 50, 65, 86, 87, 98, 130, 166})
        EXPECT_TRUE(t.find<NumberButton>(QStringLiteral("SpeedButton%1").arg(sheet))->isHidden()) << sheet;
    EXPECT_FALSE(t.find<NumberButton>(QStringLiteral("SpeedButton%1").arg(3))->isHidden());
    EXPECT_EQ(redButtons(), std::vector<int>{1});

    t.find<RadioGroup>(QStringLiteral("spSkinRadioGroup2"))->click(0);
    EXPECT_EQ(t.context().selection().editionFolder, QStringLiteral("Cassini couleurs"));
    EXPECT_FALSE(t.find<NumberButton>(QStringLiteral("SpeedButton%1").arg(166))->isHidden());
    EXPECT_TRUE(t.find<NumberButton>(QStringLiteral("SpeedButton%1").arg(160))->isHidden());
}

TEST_F(Pages, SheetFieldSelectsSheet160WithoutRedButton)
{
    t.find<SpinEdit>(QStringLiteral("spSkinSpinEdit1"))->setValue(160);
    EXPECT_EQ(t.find<QLineEdit>(QStringLiteral("spSkinEdit5"))->text(), QStringLiteral("Carte 160 : inexistante dans Orvantis"));
    EXPECT_TRUE(redButtons().empty());
    EXPECT_EQ(t.context().selection().installationState, CassiniEmpty);
    EXPECT_EQ(t.find<ColourSquare>(QStringLiteral("Shape18"))->colour(), kDarkRed);
}

TEST_F(Pages, IndicatorsFollowTheTileCount)
{
    struct Case { int tiles; bool extraJpg; int state; QColor s2, s19, s18; };
    const Case cases[] = {
        {0, false, CassiniEmpty, kWhite, kWhite, kDarkRed},
        {675, true, CassiniWithTiles, kWhite, kFuchsia, kWhite},   // extra ".jpg" files do not count
        {676, false, CassiniWithTiles, kGreen, kWhite, kWhite},
    };
    int sheet = 10;
    for (const Case &c : cases) {
        writeTiles(sheetFolder(sheet), firstTiles(c.tiles), 8, 8);
        if (c.extraJpg)
            writeFile(sheetFolder(sheet) + QStringLiteral("/MAXI_ZZ (copie).jpg"), "x");
        t.find<SpinEdit>(QStringLiteral("spSkinSpinEdit1"))->setValue(sheet);
        EXPECT_EQ(t.context().selection().installationState, c.state) << c.tiles;
        EXPECT_EQ(t.find<ColourSquare>(QStringLiteral("Shape2"))->colour(), c.s2) << c.tiles;
        EXPECT_EQ(t.find<ColourSquare>(QStringLiteral("Shape19"))->colour(), c.s19) << c.tiles;
        EXPECT_EQ(t.find<ColourSquare>(QStringLiteral("Shape18"))->colour(), c.s18) << c.tiles;
        ++sheet;
    }
}

TEST_F(Pages, ArchiveSelectionColoursShape69AndOnlyAFullMapTheCassiniSquares)
{
    const QString archiveFolder = t.programFolder() + QStringLiteral("Archives Bnf/Carte12/F007");
    auto *shape69 = t.find<ColourSquare>(QStringLiteral("Shape69"));
    t.context().select(SheetId::archive(12, 7));
    const SelectionState &s = t.context().selection();

    t.context().refreshSelectionStatus();
    EXPECT_EQ(s.installationState, ArchiveEmpty);
    EXPECT_EQ(shape69->colour(), kDarkRed);
    EXPECT_EQ(t.find<ColourSquare>(QStringLiteral("Shape18"))->colour(), kDarkRed);   // left as sheet 1 set it

    writeTiles(archiveFolder, firstTiles(3), 8, 8);
    t.context().refreshSelectionStatus();
    EXPECT_EQ(s.installationState, ArchiveWithTiles);
    EXPECT_EQ(shape69->colour(), kFuchsia);
    EXPECT_EQ(t.find<ColourSquare>(QStringLiteral("Shape18"))->colour(), kDarkRed);

    writeTiles(archiveFolder, firstTiles(676), 8, 8);
    t.context().refreshSelectionStatus();
    EXPECT_EQ(shape69->colour(), kGreen);
    EXPECT_EQ(t.find<ColourSquare>(QStringLiteral("Shape2"))->colour(), kGreen);
    EXPECT_EQ(t.find<ColourSquare>(QStringLiteral("Shape18"))->colour(), kWhite);
}

TEST_F(Pages, CheckOfAllSheetsColoursEveryButton)
{
    writeTiles(sheetFolder(5), firstTiles(676), 8, 8);
    writeTiles(sheetFolder(6), firstTiles(675), 8, 8);
    writeFile(sheetFolder(6) + QStringLiteral("/extra.jpg"), "x");   // counts here: green
    writeTiles(sheetFolder(7), {0}, 8, 8);
    writeFile(sheetFolder(8) + QStringLiteral("/notes.txt"), "x");
    t.click(QStringLiteral("spSkinButton13"));
    EXPECT_EQ(t.find<NumberButton>(QStringLiteral("SpeedButton%1").arg(5))->numberColour(), kGreen);
    EXPECT_EQ(t.find<NumberButton>(QStringLiteral("SpeedButton%1").arg(6))->numberColour(), kGreen);
    EXPECT_EQ(t.find<NumberButton>(QStringLiteral("SpeedButton%1").arg(7))->numberColour(), kFuchsia);
    EXPECT_EQ(t.find<NumberButton>(QStringLiteral("SpeedButton%1").arg(8))->numberColour(), kDarkRed);
    EXPECT_EQ(t.find<NumberButton>(QStringLiteral("SpeedButton%1").arg(1))->numberColour(), kDarkRed);
    EXPECT_EQ(t.find<NumberButton>(QStringLiteral("SpeedButton%1").arg(160))->numberColour(), kDarkRed);
    EXPECT_TRUE(redButtons().empty());
    EXPECT_EQ(t.find<QLabel>(QStringLiteral("spSkinStdLabel4"))->text(), QStringLiteral("Codes couleur :"));
    EXPECT_EQ(t.find<ColourSquare>(QStringLiteral("Shape18"))->colour(), kDarkRed);
    EXPECT_EQ(t.find<ColourSquare>(QStringLiteral("Shape19"))->colour(), kFuchsia);
    EXPECT_EQ(t.find<ColourSquare>(QStringLiteral("Shape2"))->colour(), kGreen);
    EXPECT_EQ(t.find<QProgressBar>(QStringLiteral("spSkinGauge5"))->value(), 181);
    EXPECT_EQ(t.find<QProgressBar>(QStringLiteral("spSkinGauge4"))->value(), 0);

    // The field alone keeps the legend caption; a button click restores it.
    t.find<SpinEdit>(QStringLiteral("spSkinSpinEdit1"))->setValue(9);
    EXPECT_EQ(t.find<QLabel>(QStringLiteral("spSkinStdLabel4"))->text(), QStringLiteral("Codes couleur :"));
    t.click(QStringLiteral("SpeedButton9"));
    EXPECT_EQ(t.find<QLabel>(QStringLiteral("spSkinStdLabel4"))->text(), QStringLiteral("Carte sélectionnée :"));
}

TEST_F(Pages, LibraryPageOfTheSelectedSheet)
{
    t.find<RadioGroup>(QStringLiteral("spSkinRadioGroup2"))->click(1);
    t.click(QStringLiteral("SpeedButton15"));
    t.click(QStringLiteral("spSkinButton3"));
    EXPECT_EQ(t.context().selection().documentNumber, QStringLiteral("11691"));
    EXPECT_EQ(t.desktop.last(QStringLiteral("open"))->text,
              QStringLiteral("http://gallica.bnf.fr/scripts/ConsultationTout.exe?E=0&O=07711691"));
}

TEST_F(Pages, LibraryPageWithoutScanOrWithAnArchiveSelection)
{
    t.find<SpinEdit>(QStringLiteral("spSkinSpinEdit1"))->setValue(160);
    t.click(QStringLiteral("spSkinButton3"));
    EXPECT_EQ(t.desktop.last(QStringLiteral("open")), nullptr);
    ASSERT_NE(t.desktop.last(QStringLiteral("message")), nullptr);

    // An archive map selected elsewhere: the page still opens the sheet shown here.
    t.find<SpinEdit>(QStringLiteral("spSkinSpinEdit1"))->setValue(57);
    t.context().select(SheetId::archive(12, 1));
    const SelectionState &s = t.context().selection();
    t.click(QStringLiteral("spSkinButton3"));
    EXPECT_EQ(t.desktop.last(QStringLiteral("open"))->text,
              QStringLiteral("http://gallica.bnf.fr/scripts/ConsultationTout.exe?E=0&O=07711567"));
    EXPECT_EQ(s.sheetNumber, QStringLiteral("12"));
}

class ImportButton : public Pages {
protected:
    QTemporaryDir backup;
    void SetUp() override
    {
        Pages::SetUp();
        t.click(QStringLiteral("SpeedButton5"));
    }
};

TEST_F(ImportButton, ImportsWithoutWarningWhenTheFirstTileIsAbsent)
{
    writeTiles(sheetFolder(5), {26});   // MAXI_AB.jpg only
    writeTiles(backup.path(), {0, 675});
    t.desktop.folderAnswers.push_back(backup.path());
    t.click(QStringLiteral("spSkinButton6"));
    EXPECT_EQ(t.desktop.kinds(), QStringList{QStringLiteral("browse")});
    EXPECT_EQ(t.desktop.calls.front().text, QStringLiteral("Sélectionnez le dossier de la carte à importer"));
    EXPECT_EQ(readFile(sheetFolder(5) + QStringLiteral("/MAXI_ZZ.jpg")), readFile(backup.path() + QStringLiteral("/MAXI_ZZ.jpg")));
    EXPECT_EQ(store::tileCount(sheetFolder(5)), 3);
    EXPECT_EQ(t.context().selection().installationState, CassiniWithTiles);
    EXPECT_TRUE(t.window->isVisible());
}

TEST_F(ImportButton, CancelInTheWarningSkipsTheBrowserButRefreshes)
{
    writeTiles(sheetFolder(5), {0});
    t.desktop.confirmAnswers.push_back(false);
    ASSERT_EQ(t.context().selection().installationState, CassiniEmpty);   // the tile came after the last count
    t.click(QStringLiteral("spSkinButton6"));
    ASSERT_EQ(t.desktop.kinds(), QStringList{QStringLiteral("confirm")});
    EXPECT_EQ(t.desktop.calls.front().text, QStringLiteral("Attention !!! L'importation va effacer la carte déjà installée..."));
    EXPECT_EQ(t.desktop.calls.front().caption, QStringLiteral("Réimportation d'une Carte"));
    EXPECT_EQ(t.context().selection().installationState, CassiniWithTiles);
}

TEST_F(ImportButton, CancelledBrowserCopiesNothing)
{
    t.click(QStringLiteral("spSkinButton6"));
    EXPECT_EQ(t.desktop.kinds(), QStringList{QStringLiteral("browse")});
    EXPECT_EQ(store::tileCount(sheetFolder(5)), 0);
    EXPECT_TRUE(t.window->isVisible());   // shown again after the browser
}

TEST_F(ImportButton, AnUndecodableTileIsReported)
{
    writeTiles(backup.path(), {0});
    writeFile(backup.path() + QStringLiteral("/MAXI_BA.jpg"), "garbage");
    t.desktop.folderAnswers.push_back(backup.path());
    t.click(QStringLiteral("spSkinButton6"));
    ASSERT_NE(t.desktop.last(QStringLiteral("error")), nullptr);
    EXPECT_TRUE(t.desktop.last(QStringLiteral("error"))->text.startsWith(QStringLiteral("Erreur JPEG #")));
    EXPECT_EQ(store::tileCount(sheetFolder(5)), 1);
    EXPECT_EQ(t.find<QProgressBar>(QStringLiteral("spSkinGauge1"))->value(), 0);
}

} // namespace

namespace {

// A screen reader announces each tile picker by what it picks and its value.
TEST(AccessibleNames, TilePickersSayWhatTheyPickAndTheirValue)
{
    TestWindow w;
    w.start();
    const struct {
        const char *objectName, *name;
    } cases[] = {{"spSkinComboBox7", "Première colonne : A"},
                 {"spSkinComboBox1", "Dernière colonne : Z"},
                 {"spSkinComboBox8", "Première ligne : A"},
                 {"spSkinComboBox2", "Dernière ligne : Z"}};
    for (const auto &c : cases) {
        auto *picker = w.find<QComboBox>(QString::fromLatin1(c.objectName));
        QAccessibleInterface *accessible = QAccessible::queryAccessibleInterface(picker);
        ASSERT_TRUE(accessible) << c.objectName;
        EXPECT_EQ(accessible->text(QAccessible::Name), QString::fromUtf8(c.name));
        EXPECT_EQ(accessible->role(), QAccessible::ComboBox);
    }
    auto *first = w.find<QComboBox>(QStringLiteral("spSkinComboBox7"));
    first->setCurrentIndex(2);
    EXPECT_EQ(QAccessible::queryAccessibleInterface(first)->text(QAccessible::Name), QStringLiteral("Première colonne : C"));
    EXPECT_EQ(QAccessible::queryAccessibleInterface(first)->text(QAccessible::Value), QStringLiteral("C"));
}

} // namespace
