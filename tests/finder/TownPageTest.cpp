// The page "Villes" in the real window under French regional settings: the proposal of
// "Calculer", its error message, "OK" going to the sheet on the Cassini page, and the
// coordinates site.
#include "widgets/StatusBar.h"
#include "catalogue/ArchivePage.h"
#include "catalogue/CassiniCatalogue.h"
#include "catalogue/CassiniPage.h"
#include "catalogue/InstallationStatus.h"
#include "finder/TownPage.h"
#include "support/TestWindow.h"
#include "widgets/ColourSquare.h"
#include "widgets/NumberButton.h"
#include "widgets/SpinEdit.h"

#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTabWidget>
#include <gtest/gtest.h>

using testing_support::TestWindow;

namespace {

class TownPageTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_savedLocale = QLocale();
        QLocale::setDefault(QLocale(QLocale::French, QLocale::France));
        w.start();
        w.window->showPage(1);
        page = w.window->towns();
        cassini = w.window->cassini();
        statusBar = w.window->statusBarWidget();
    }
    void TearDown() override { QLocale::setDefault(m_savedLocale); }

    void calculate(const QString &latitude, const QString &longitude)
    {
        w.find<QLineEdit>(QStringLiteral("spSkinEdit10"))->setText(latitude);
        w.find<QLineEdit>(QStringLiteral("spSkinEdit11"))->setText(longitude);
        w.find<QPushButton>(QStringLiteral("spSkinButton33"))->click();
    }

    QList<int> redButtons() const
    {
        QList<int> red;
        for (int sheet = 1; sheet <= cassini::kSheetCount; ++sheet) {
            const QColor colour = w.find<NumberButton>(QStringLiteral("SpeedButton%1").arg(sheet))->numberColour();
            if (colour == colours::kRed)
                red << sheet;
            else if (colour != colours::kNavy)
                ADD_FAILURE() << "button " << sheet << " neither navy nor red";
        }
        return red;
    }

    const SelectionState &selection() { return w.context().selection(); }

    TestWindow w;
    TownPage *page = nullptr;
    CassiniPage *cassini = nullptr;
    StatusBar *statusBar = nullptr;

private:
    QLocale m_savedLocale;
};

TEST_F(TownPageTest, PageShowsItsControls)
{
    EXPECT_EQ(w.window->windowTitle(), QStringLiteral("Sélection d'une carte de Cassini à partir d'une commune"));
    EXPECT_EQ(w.context().currentPageNumber(), 2);
    EXPECT_EQ(w.find<QGroupBox>(QStringLiteral("spSkinGroupBox12"))->title(),
              QStringLiteral("Recherche d'une carte de Cassini à partir des coordonnées d'une ville Française"));
    // The poster page has a box of the same name: this one is the page's.
    EXPECT_EQ(page->findChild<QGroupBox *>(QStringLiteral("spSkinGroupBox13"))->title(),
              QStringLiteral("Coordonnées de la commune Française recherchée"));
    EXPECT_EQ(w.find<QLabel>(QStringLiteral("spSkinTextLabel12"))->text(),
              QStringLiteral("Exemple pour Bourges entrer latitude = 47,08  et longitude = 2,40"));
    EXPECT_EQ(w.find<QLineEdit>(QStringLiteral("spSkinEdit10"))->toolTip(), QStringLiteral("Latitude de la ville sélectionnée"));
    EXPECT_EQ(w.find<QLineEdit>(QStringLiteral("spSkinEdit11"))->toolTip(), QStringLiteral("Longitude de la ville sélectionnée"));
    EXPECT_EQ(w.find<QPushButton>(QStringLiteral("spSkinButton33"))->text().remove(u'&'), QStringLiteral("Calculer"));
    EXPECT_EQ(w.find<QLineEdit>(QStringLiteral("spSkinEdit8"))->alignment() & Qt::AlignHCenter, Qt::AlignHCenter);
    EXPECT_EQ(w.find<QLineEdit>(QStringLiteral("spSkinEdit8"))->cursor().shape(), Qt::ForbiddenCursor);
    EXPECT_FALSE(w.find<QLineEdit>(QStringLiteral("spSkinEdit8"))->isReadOnly());
    EXPECT_EQ(w.find<QPushButton>(QStringLiteral("spSkinButton32"))->toolTip(), QStringLiteral("Accéder à la carte préconisée"));
    EXPECT_EQ(w.find<QPushButton>(QStringLiteral("spSkinButton34"))->text().remove(u'&'), QStringLiteral("Site où télécharger les dernières coordonnées"));
}

TEST_F(TownPageTest, CalculerProposesAndSelectsTheCoveringSheet)
{
    struct Case { QString latitude, longitude; QString sheet; };
    const Case cases[] = {
        {QStringLiteral("47,08"), QStringLiteral("2,40"), QStringLiteral("10")},    // Bourges
        {QStringLiteral("48,86"), QStringLiteral("2,35"), QStringLiteral("1")},     // Paris
        {QStringLiteral("47,7333"), QStringLiteral("2,40"), QStringLiteral("8")},
        {QStringLiteral("51"), QStringLiteral("2,5"), QStringLiteral("6")},
        {QStringLiteral("60"), QStringLiteral("2,5"), QStringLiteral("6")},
        {QStringLiteral("48,5"), QStringLiteral("-5"), QStringLiteral("175")},
        {QStringLiteral("47"), QStringLiteral("-3"), QStringLiteral("160")},
    };
    for (const Case &c : cases) {
        calculate(c.latitude, c.longitude);
        const std::string where = (c.latitude + u' ' + c.longitude).toStdString();
        EXPECT_EQ(w.find<QLineEdit>(QStringLiteral("spSkinEdit8"))->text(), c.sheet) << where;
        EXPECT_EQ(selection().sheetNumber, c.sheet) << where;
        EXPECT_EQ(selection().editionFolder, editions::kColour) << where;
        EXPECT_EQ(statusBar->sheetNumber(), c.sheet.toInt()) << where;
        EXPECT_EQ(w.find<QLineEdit>(QStringLiteral("spSkinEdit5"))->text(), cassini::title(c.sheet.toInt())) << where;
        EXPECT_EQ(w.find<QGroupBox>(QStringLiteral("spSkinGroupBox5"))->title(), QStringLiteral("Carte ") + c.sheet + QStringLiteral(" sélectionnée"))
            << where;
    }
    EXPECT_TRUE(w.desktop.calls.empty());
    EXPECT_EQ(w.window->pageControl()->currentIndex(), 1);   // "Calculer" stays on the page
}

TEST_F(TownPageTest, EmptyCellProposesThePreviousSheetAgain)
{
    calculate(QStringLiteral("47,08"), QStringLiteral("2,40"));
    ASSERT_EQ(w.find<QLineEdit>(QStringLiteral("spSkinEdit8"))->text(), QStringLiteral("10"));
    calculate(QStringLiteral("43,1"), QStringLiteral("4,5"));
    EXPECT_EQ(w.find<QLineEdit>(QStringLiteral("spSkinEdit8"))->text(), QStringLiteral("10"));
    EXPECT_EQ(selection().sheetNumber, QStringLiteral("10"));
    EXPECT_TRUE(w.desktop.calls.empty());
}

TEST_F(TownPageTest, EmptyCellAfterAnArchiveMapProposesTheCassiniSheet)
{
    statusBar->setSheetNumber(57);
    w.find<QListWidget>(QStringLiteral("spSkinCheckListBox1"))->setCurrentRow(814);   // archive map 815
    ASSERT_EQ(selection().sheetNumber, QStringLiteral("815"));
    ASSERT_TRUE(selection().isArchive());

    calculate(QStringLiteral("43,1"), QStringLiteral("4,5"));
    EXPECT_EQ(w.find<QLineEdit>(QStringLiteral("spSkinEdit8"))->text(), QStringLiteral("57"));
    EXPECT_EQ(selection().sheetNumber, QStringLiteral("57"));
    EXPECT_EQ(selection().editionFolder, editions::kColour);
    EXPECT_TRUE(selection().folderSuffix.isEmpty());
    EXPECT_EQ(statusBar->sheetNumber(), 57);
}

TEST_F(TownPageTest, TextThatIsNotANumberStopsWithTheMessage)
{
    struct Case { QString latitude, longitude, named; };
    const Case cases[] = {
        // A point is no decimal separator with French settings.
        {QStringLiteral("47.08"), QStringLiteral("2,40"), QStringLiteral("47.08")},
        {QStringLiteral("47,08"), QStringLiteral("2.40"), QStringLiteral("2.40")},
        // The latitude is converted first; the longitude is not looked at then.
        {QStringLiteral("Bourges"), QStringLiteral("Cher"), QStringLiteral("Bourges")},
        {QString(), QStringLiteral("2,40"), QString()},
    };
    for (const Case &c : cases) {
        w.desktop.calls.clear();
        calculate(c.latitude, c.longitude);
        ASSERT_EQ(w.desktop.kinds(), QStringList{QStringLiteral("error")}) << c.named.toStdString();
        EXPECT_EQ(w.desktop.calls.back().text,
                  QStringLiteral("'%1' n'est pas une valeur en virgule flottante correcte").arg(c.named));
        // Nothing else changed.
        EXPECT_TRUE(w.find<QLineEdit>(QStringLiteral("spSkinEdit8"))->text().isEmpty());
        EXPECT_EQ(selection().sheetNumber, QStringLiteral("1"));
        EXPECT_EQ(statusBar->sheetNumber(), 1);
    }
}

TEST_F(TownPageTest, OkColoursOneButtonRedAndBringsTheCassiniPageToTheFront)
{
    calculate(QStringLiteral("47,08"), QStringLiteral("2,40"));
    // Tiles installed since the proposal: "OK" refreshes the status.
    testing_support::writeTiles(w.programFolder() + QStringLiteral("Cassini couleurs/Carte10"),
                                testing_support::firstTiles(5));
    w.find<NumberButton>(QStringLiteral("SpeedButton%1").arg(57))->setNumberColour(colours::kRed);   // a stale colour from elsewhere
    w.find<QPushButton>(QStringLiteral("spSkinButton32"))->click();

    EXPECT_EQ(redButtons(), QList<int>{10});
    EXPECT_EQ(w.window->page(w.window->pageControl()->currentIndex()), cassini);
    EXPECT_EQ(w.window->windowTitle(), QStringLiteral("Sélection d'une carte de Cassini"));
    EXPECT_EQ(w.context().currentPageNumber(), 3);
    EXPECT_EQ(selection().sheetNumber, QStringLiteral("10"));
    EXPECT_EQ(selection().installationState, CassiniWithTiles);
    EXPECT_EQ(w.find<ColourSquare>(QStringLiteral("Shape19"))->colour(), colours::kFuchsia);
    EXPECT_TRUE(w.desktop.calls.empty());
}

TEST_F(TownPageTest, OkTakesTheNumberTypedInTheProposal)
{
    calculate(QStringLiteral("47,08"), QStringLiteral("2,40"));
    w.find<QLineEdit>(QStringLiteral("spSkinEdit8"))->setText(QStringLiteral("57"));
    w.find<QPushButton>(QStringLiteral("spSkinButton32"))->click();
    EXPECT_EQ(redButtons(), QList<int>{57});
    EXPECT_EQ(selection().sheetNumber, QStringLiteral("57"));
    EXPECT_EQ(selection().editionFolder, editions::kColour);
    EXPECT_EQ(w.window->page(w.window->pageControl()->currentIndex()), cassini);
}

TEST_F(TownPageTest, OkAfterAnArchiveMapGoesToTheCassiniSheet)
{
    w.find<QListWidget>(QStringLiteral("spSkinCheckListBox1"))->setCurrentRow(9);   // archive map 10
    ASSERT_TRUE(selection().isArchive());
    w.find<QLineEdit>(QStringLiteral("spSkinEdit8"))->setText(QStringLiteral("10"));
    w.find<QPushButton>(QStringLiteral("spSkinButton32"))->click();
    EXPECT_EQ(selection().editionFolder, editions::kColour);
    EXPECT_TRUE(selection().folderSuffix.isEmpty());
    EXPECT_EQ(selection().sheetNumber, QStringLiteral("10"));
    EXPECT_EQ(selection().installationState, CassiniEmpty);
    EXPECT_EQ(redButtons(), QList<int>{10});
}

TEST_F(TownPageTest, OkRefusesAProposalThatIsNoSheetNumber)
{
    for (const QString &text : {QString(), QStringLiteral("abc"), QStringLiteral("0"), QStringLiteral("183"),
                                QStringLiteral("12,5")}) {
        w.desktop.calls.clear();
        w.find<QLineEdit>(QStringLiteral("spSkinEdit8"))->setText(text);
        w.find<QPushButton>(QStringLiteral("spSkinButton32"))->click();
        EXPECT_EQ(w.desktop.kinds(), QStringList{QStringLiteral("error")}) << text.toStdString();
        EXPECT_EQ(selection().sheetNumber, QStringLiteral("1")) << text.toStdString();
        EXPECT_EQ(redButtons(), QList<int>{1}) << text.toStdString();
        EXPECT_EQ(w.window->page(w.window->pageControl()->currentIndex()), page) << text.toStdString();
    }
}

TEST_F(TownPageTest, CoordinatesSiteOpensTheGeographicNamesPage)
{
    w.find<QPushButton>(QStringLiteral("spSkinButton34"))->click();
    ASSERT_EQ(w.desktop.kinds(), QStringList{QStringLiteral("open")});
    EXPECT_EQ(w.desktop.calls.back().text, QStringLiteral("https://geonames.nga.mil/gns/html/cntry_files.html"));
    EXPECT_EQ(selection().sheetNumber, QStringLiteral("1"));
}

} // namespace
