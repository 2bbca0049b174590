// The page "Villes" in the real window under French regional settings: the proposal of
// "Calculer", its error message, "OK" going to the sheet on the Cassini page, and the
// coordinates site.
#include "widgets/StatusBar.h"
#include "catalogue/ArchivePage.h"
#include "catalogue/CassiniCatalogue.h"
#include "catalogue/CassiniPage.h"
#include "catalogue/InstallationStatus.h"
#include "finder/VillesPage.h"
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

class VillesPageTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_savedLocale = QLocale();
        QLocale::setDefault(QLocale(QLocale::French, QLocale::France));
        w.start();
        w.window->showPage(1);
        page = w.window->villes();
        cassini = w.window->cassini();
        statusBar = w.window->statusBarWidget();
    }
    void TearDown() override { QLocale::setDefault(m_savedLocale); }

    void calculate(const QString &latitude, const QString &longitude)
    {
        page->spSkinEdit10->setText(latitude);
        page->spSkinEdit11->setText(longitude);
        page->spSkinButton33->click();
    }

    QList<int> redButtons() const
    {
        QList<int> red;
        for (int sheet = 1; sheet <= cassini::kSheetCount; ++sheet) {
            const QColor colour = cassini->sheetButton(sheet)->numberColour();
            if (colour == colours::kRed)
                red << sheet;
            else if (colour != colours::kNavy)
                ADD_FAILURE() << "button " << sheet << " neither navy nor red";
        }
        return red;
    }

    SelectionState &selection() { return w.context().selection; }

    TestWindow w;
    VillesPage *page = nullptr;
    CassiniPage *cassini = nullptr;
    StatusBar *statusBar = nullptr;

private:
    QLocale m_savedLocale;
};

TEST_F(VillesPageTest, PageShowsItsControls)
{
    EXPECT_EQ(w.window->windowTitle(), QStringLiteral("Sélection d'une carte de Cassini à partir d'une commune"));
    EXPECT_EQ(w.context().currentPage, 2);
    EXPECT_EQ(page->spSkinGroupBox12->title(),
              QStringLiteral("Recherche d'une carte de Cassini à partir des coordonnées d'une ville Française"));
    EXPECT_EQ(page->spSkinGroupBox13->title(), QStringLiteral("Coordonnées de la commune Française recherchée"));
    EXPECT_EQ(page->spSkinTextLabel12->text(),
              QStringLiteral("Exemple pour Bourges entrer latitude = 47,08  et longitude = 2,40"));
    EXPECT_EQ(page->spSkinEdit10->toolTip(), QStringLiteral("Latitude de la ville sélectionnée"));
    EXPECT_EQ(page->spSkinEdit11->toolTip(), QStringLiteral("Longitude de la ville sélectionnée"));
    EXPECT_EQ(page->spSkinButton33->text().remove(u'&'), QStringLiteral("Calculer"));
    EXPECT_EQ(page->spSkinEdit8->alignment() & Qt::AlignHCenter, Qt::AlignHCenter);
    EXPECT_EQ(page->spSkinEdit8->cursor().shape(), Qt::ForbiddenCursor);
    EXPECT_FALSE(page->spSkinEdit8->isReadOnly());
    EXPECT_EQ(page->spSkinButton32->toolTip(), QStringLiteral("Accéder à la carte préconisée"));
    EXPECT_EQ(page->spSkinButton34->text().remove(u'&'), QStringLiteral("Site où télécharger les dernières coordonnées"));
}

TEST_F(VillesPageTest, CalculerProposesAndSelectsTheCoveringSheet)
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
        EXPECT_EQ(page->spSkinEdit8->text(), c.sheet) << where;
        EXPECT_EQ(selection().sheetNumber, c.sheet) << where;
        EXPECT_EQ(selection().editionFolder, editions::kColour) << where;
        EXPECT_EQ(statusBar->sheetNumber(), c.sheet.toInt()) << where;
        EXPECT_EQ(w.find<QLineEdit>(QStringLiteral("spSkinEdit5"))->text(), cassini::title(c.sheet.toInt())) << where;
        EXPECT_EQ(cassini->spSkinGroupBox5->title(), QStringLiteral("Carte ") + c.sheet + QStringLiteral(" sélectionnée"))
            << where;
    }
    EXPECT_TRUE(w.desktop.calls.empty());
    EXPECT_EQ(w.window->pageControl()->currentIndex(), 1);   // "Calculer" stays on the page
}

TEST_F(VillesPageTest, EmptyCellProposesThePreviousSheetAgain)
{
    calculate(QStringLiteral("47,08"), QStringLiteral("2,40"));
    ASSERT_EQ(page->spSkinEdit8->text(), QStringLiteral("10"));
    calculate(QStringLiteral("43,1"), QStringLiteral("4,5"));
    EXPECT_EQ(page->spSkinEdit8->text(), QStringLiteral("10"));
    EXPECT_EQ(selection().sheetNumber, QStringLiteral("10"));
    EXPECT_TRUE(w.desktop.calls.empty());
}

TEST_F(VillesPageTest, EmptyCellAfterAnArchiveMapProposesTheCassiniSheet)
{
    statusBar->setSheetNumber(57);
    auto *archive = w.window->archive();
    archive->spSkinCheckListBox1->setCurrentRow(814);   // archive map 815
    ASSERT_EQ(selection().sheetNumber, QStringLiteral("815"));
    ASSERT_TRUE(selection().isArchive());

    calculate(QStringLiteral("43,1"), QStringLiteral("4,5"));
    EXPECT_EQ(page->spSkinEdit8->text(), QStringLiteral("57"));
    EXPECT_EQ(selection().sheetNumber, QStringLiteral("57"));
    EXPECT_EQ(selection().editionFolder, editions::kColour);
    EXPECT_TRUE(selection().folderSuffix.isEmpty());
    EXPECT_EQ(statusBar->sheetNumber(), 57);
}

TEST_F(VillesPageTest, TextThatIsNotANumberStopsWithTheMessage)
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
        EXPECT_TRUE(page->spSkinEdit8->text().isEmpty());
        EXPECT_EQ(selection().sheetNumber, QStringLiteral("1"));
        EXPECT_EQ(statusBar->sheetNumber(), 1);
    }
}

TEST_F(VillesPageTest, OkColoursOneButtonRedAndBringsTheCassiniPageToTheFront)
{
    calculate(QStringLiteral("47,08"), QStringLiteral("2,40"));
    // Tiles installed since the proposal: "OK" refreshes the status.
    testing_support::writeTiles(w.programFolder() + QStringLiteral("Cassini couleurs/Carte10"),
                                testing_support::firstTiles(5));
    cassini->sheetButton(57)->setNumberColour(colours::kRed);   // a stale colour from elsewhere
    page->spSkinButton32->click();

    EXPECT_EQ(redButtons(), QList<int>{10});
    EXPECT_EQ(w.window->page(w.window->pageControl()->currentIndex()), cassini);
    EXPECT_EQ(w.window->windowTitle(), QStringLiteral("Sélection d'une carte de Cassini"));
    EXPECT_EQ(w.context().currentPage, 3);
    EXPECT_EQ(selection().sheetNumber, QStringLiteral("10"));
    EXPECT_EQ(selection().installationState, CassiniWithTiles);
    EXPECT_EQ(cassini->Shape19->colour(), colours::kFuchsia);
    EXPECT_TRUE(w.desktop.calls.empty());
}

TEST_F(VillesPageTest, OkTakesTheNumberTypedInTheProposal)
{
    calculate(QStringLiteral("47,08"), QStringLiteral("2,40"));
    page->spSkinEdit8->setText(QStringLiteral("57"));
    page->spSkinButton32->click();
    EXPECT_EQ(redButtons(), QList<int>{57});
    EXPECT_EQ(selection().sheetNumber, QStringLiteral("57"));
    EXPECT_EQ(selection().editionFolder, editions::kColour);
    EXPECT_EQ(w.window->page(w.window->pageControl()->currentIndex()), cassini);
}

TEST_F(VillesPageTest, OkAfterAnArchiveMapGoesToTheCassiniSheet)
{
    w.window->archive()->spSkinCheckListBox1->setCurrentRow(9);   // archive map 10
    ASSERT_TRUE(selection().isArchive());
    page->spSkinEdit8->setText(QStringLiteral("10"));
    page->spSkinButton32->click();
    EXPECT_EQ(selection().editionFolder, editions::kColour);
    EXPECT_TRUE(selection().folderSuffix.isEmpty());
    EXPECT_EQ(selection().sheetNumber, QStringLiteral("10"));
    EXPECT_EQ(selection().installationState, CassiniEmpty);
    EXPECT_EQ(redButtons(), QList<int>{10});
}

TEST_F(VillesPageTest, OkRefusesAProposalThatIsNoSheetNumber)
{
    for (const QString &text : {QString(), QStringLiteral("abc"), QStringLiteral("0"), QStringLiteral("183"),
                                QStringLiteral("12,5")}) {
        w.desktop.calls.clear();
        page->spSkinEdit8->setText(text);
        page->spSkinButton32->click();
        EXPECT_EQ(w.desktop.kinds(), QStringList{QStringLiteral("error")}) << text.toStdString();
        EXPECT_EQ(selection().sheetNumber, QStringLiteral("1")) << text.toStdString();
        EXPECT_EQ(redButtons(), QList<int>{1}) << text.toStdString();
        EXPECT_EQ(w.window->page(w.window->pageControl()->currentIndex()), page) << text.toStdString();
    }
}

TEST_F(VillesPageTest, CoordinatesSiteOpensTheGeographicNamesPage)
{
    page->spSkinButton34->click();
    ASSERT_EQ(w.desktop.kinds(), QStringList{QStringLiteral("open")});
    EXPECT_EQ(w.desktop.calls.back().text, QStringLiteral("https://geonames.nga.mil/gns/html/cntry_files.html"));
    EXPECT_EQ(selection().sheetNumber, QStringLiteral("1"));
}

} // namespace
