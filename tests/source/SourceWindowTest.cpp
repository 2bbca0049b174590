// Deep Zoom and Zoomify maps in the real window: "Ajouter une carte en ligne" on "Autres
// cartes" takes a ".dzi" address, an "ImageProperties.xml" address or its folder, says
// which kind it recognised and the size that will be installed; the download page installs
// the map whole and its square turns green.

#include "iiif/IiifServers.h"
#include "catalogue/InstallationStatus.h"
#include "support/Wait.h"
#include "session/AppContext.h"
#include "store/TileStore.h"
#include "support/TestWindow.h"
#include "widgets/ColourSquare.h"

#include <QDir>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace testing_support;

namespace {

// A 700 x 500 picture as a Deep Zoom pyramid ("dz.dzi") and a Zoomify one ("zoomify/"),
// served by Python's http.server.
void servePyramids(const QTemporaryDir &work, PythonServer &server)
{
    const QString png = work.filePath(QStringLiteral("carte.png"));
    ASSERT_TRUE(makeSmoothPicture(700, 500).save(png));
    for (const QString &layout : {QStringLiteral("dz"), QStringLiteral("zoomify")}) {
        QProcess vips;
        vips.start(findProgram(QStringLiteral("vips")),
                   {QStringLiteral("dzsave"), png, work.filePath(layout), QStringLiteral("--layout"), layout,
                    QStringLiteral("--suffix"), QStringLiteral(".jpg[Q=95]")});
        ASSERT_TRUE(vips.waitForFinished(120000) && vips.exitCode() == 0) << vips.readAllStandardError().toStdString();
    }
    QString error;
    ASSERT_TRUE(server.start(work.path(), {}, &error)) << error.toStdString();
}

} // namespace

class SourceWindowTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        REQUIRE_PROGRAM(QStringLiteral("vips"));
        REQUIRE_PROGRAM(QStringLiteral("python3"));
        servePyramids(work, server);
    }
    // "Créer la liste d'images à télécharger" and "Télécharger" on the download page, to the
    // end of the run.
    static void installFromPage(TestWindow &w)
    {
        w.click(QStringLiteral("spSkinButton8"));    // the list of the sheet's tiles
        w.click(QStringLiteral("spSkinButton31"));   // "Télécharger"
        ASSERT_TRUE(w.context().downloadRunning());
        ASSERT_TRUE(waitUntil([&] { return !w.context().downloadRunning(); }, 60000));
    }

    QTemporaryDir work;
    PythonServer server;
};

TEST_F(SourceWindowTest, PyramidMapsAreAddedByTheirAddressAndInstalledWhole)
{

    struct Case {
        QString address;
        QString message;
    } cases[] = {
        {server.base() + QStringLiteral("/dz.dzi"), QStringLiteral("Carte n° 1925 : Carte Deep Zoom dz\nDeep Zoom : 700 x 500 pixels")},
        {server.base() + QStringLiteral("/zoomify/ImageProperties.xml"),
         QStringLiteral("Carte n° 1925 : Carte Zoomify zoomify\nZoomify : 700 x 500 pixels")},
        {server.base() + QStringLiteral("/zoomify/"), QStringLiteral("Carte n° 1925 : Carte Zoomify zoomify\nZoomify : 700 x 500 pixels")},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.address.toStdString());
        QTemporaryDir maps;
        TestWindow w({{QStringLiteral("cartes"), maps.path()}});
        w.start();
        auto *installedSquare = w.find<ColourSquare>(QStringLiteral("Shape69"));
        w.desktop.inputAnswers.push_back(c.address);
        w.click(QStringLiteral("AjouterIiif"));
        ASSERT_TRUE(waitUntil([&] { return w.desktop.last(QStringLiteral("message")) != nullptr; }, 60000));
        EXPECT_EQ(w.desktop.last(QStringLiteral("message"))->text, c.message);
        EXPECT_EQ(w.context().selectedTileGrid(), QSize(3, 2));
        EXPECT_EQ(installedSquare->colour(), colours::kDarkRed);

        w.click(QStringLiteral("spSkinButton23"));   // to the download page
        installFromPage(w);
        ASSERT_FALSE(HasFatalFailure());
        EXPECT_EQ(store::tileCount(maps.path() + QStringLiteral("/Archives Bnf/Carte1925/F001")), 6);
        w.context().refreshSelectionStatus();
        EXPECT_EQ(installedSquare->colour(), colours::kGreen);
    }
}

// "Adresse en ligne de la carte" on the download page gives a Cassini sheet a Deep Zoom or
// Zoomify address, says the kind recognised, and the sheet installs from it.
TEST_F(SourceWindowTest, DownloadPageTakesPyramidAddressesForASheet)
{
    const struct {
        QString address;
        source::Kind kind;
        QString message;
    } cases[] = {
        {server.base() + QStringLiteral("/dz.dzi"), source::Kind::DeepZoom,
         QStringLiteral("Carte Deep Zoom dz\nDeep Zoom : 700 x 500 pixels")},
        {server.base() + QStringLiteral("/zoomify/"), source::Kind::Zoomify,
         QStringLiteral("Carte Zoomify zoomify\nZoomify : 700 x 500 pixels")},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.address.toStdString());
        QTemporaryDir maps;
        TestWindow w({{QStringLiteral("cartes"), maps.path()}});
        w.start();
        ASSERT_EQ(w.context().selection().editionFolder, QStringLiteral("Cassini couleurs"));
        w.click(QStringLiteral("spSkinButton4"));   // "Télécharger et installer"
        w.desktop.inputAnswers.push_back(c.address);
        w.click(QStringLiteral("AdresseIiif"));
        ASSERT_TRUE(waitUntil([&] { return w.desktop.last(QStringLiteral("message")) != nullptr; }, 60000));
        EXPECT_EQ(w.desktop.last(QStringLiteral("message"))->text, c.message);
        EXPECT_EQ(w.desktop.last(QStringLiteral("message"))->caption, QStringLiteral("Adresse en ligne de la carte"));
        const auto sheet = w.context().addedMaps().sheet(SheetId::cassini(editions::kColour, 1));
        ASSERT_TRUE(sheet);
        EXPECT_EQ(sheet->kind, c.kind);

        installFromPage(w);
        ASSERT_FALSE(HasFatalFailure());
        EXPECT_EQ(store::tileCount(maps.path() + QStringLiteral("/Cassini couleurs/Carte1")), 6);
    }
}
