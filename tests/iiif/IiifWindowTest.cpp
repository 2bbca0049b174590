// The IIIF source in the real window: "Ajouter une carte en ligne" on "Autres cartes", the
// added map in the list after the catalogue and back at the next start, its download
// through the download page; "Adresse en ligne de la carte" for a Cassini sheet; the
// preference "Requêtes simultanées".

#include "IiifServers.h"
#include "session/AppContext.h"
#include "session/SettingsStore.h"
#include "catalogue/AddedMaps.h"
#include "support/Wait.h"
#include "store/TileStore.h"
#include "print/PrintZonePage.h"
#include "support/TestWindow.h"
#include "view/MapViewer.h"
#include "view/MosaicPanel.h"
#include "widgets/ColourSquare.h"

#include <QComboBox>
#include <QDir>
#include <QGuiApplication>
#include <QStandardItemModel>
#include <QImage>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSpinBox>
#include <QTreeView>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace testing_support;

namespace {

class IiifWindowTest : public ::testing::Test {
protected:
    void serveTree()
    {
        QString error;
        ASSERT_TRUE(writeVipsTree(makeSmoothPicture(1000, 700), work.filePath(QStringLiteral("map")),
                                  QStringLiteral("iiif"), 256, &error))
            << error.toStdString();
        ASSERT_TRUE(server.start(work.path(), {}, &error)) << error.toStdString();
    }
    // Presses "Télécharger" of the download page after building the list; waits for the end.
    void downloadFromPage(TestWindow &w)
    {
        w.click(QStringLiteral("spSkinButton8"));
        w.click(QStringLiteral("spSkinButton31"));
        ASSERT_TRUE(w.context().downloadRunning());
        EXPECT_TRUE(waitUntil([&] { return !w.context().downloadRunning(); }, 60000));
    }
    bool waitForDesktop(TestWindow &w, const QString &kind)
    {
        return waitUntil([&] { return w.desktop.last(kind) != nullptr; }, 60000);
    }

    QTemporaryDir work;
    PythonServer server;
};

TEST_F(IiifWindowTest, AddedMapIsListedDownloadedAndComesBackAtTheNextStart)
{
    REQUIRE_PROGRAM(QStringLiteral("vips"));
    REQUIRE_PROGRAM(QStringLiteral("python3"));
    serveTree();
    QTemporaryDir maps;
    const QString root = maps.path();
    {
        TestWindow w({{QStringLiteral("cartes"), root}});
        w.start();
        auto *list = w.find<QListWidget>(QStringLiteral("spSkinCheckListBox1"));
        EXPECT_EQ(list->count(), 1924);

        // A refused address says so and adds nothing.
        w.desktop.inputAnswers.push_back(QStringLiteral("bonjour"));
        w.click(QStringLiteral("AjouterIiif"));
        ASSERT_NE(w.desktop.last(QStringLiteral("error")), nullptr);
        EXPECT_EQ(w.desktop.last(QStringLiteral("error"))->text, QStringLiteral("Adresse IIIF incorrecte : bonjour"));
        EXPECT_EQ(list->count(), 1924);

        w.desktop.inputAnswers.push_back(server.base() + QStringLiteral("/map/info.json"));
        w.click(QStringLiteral("AjouterIiif"));
        ASSERT_TRUE(waitForDesktop(w, QStringLiteral("message")));
        EXPECT_EQ(w.desktop.last(QStringLiteral("message"))->text,
                  QStringLiteral("Carte n° 1925 : Carte IIIF map\nIIIF : 1000 x 700 pixels"));
        ASSERT_EQ(list->count(), 1925);
        EXPECT_EQ(list->item(1924)->text(), QStringLiteral("Carte IIIF map"));
        EXPECT_EQ(w.context().selection().sheetNumber, QStringLiteral("1925"));
        EXPECT_EQ(w.context().selection().folderSuffix, QStringLiteral("\\F001"));
        EXPECT_TRUE(w.find<QPushButton>(QStringLiteral("AjouterIiif"))->isEnabled());
        EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);   // the busy cursor of the reading is gone

        // Handed over like an archive map, downloaded by the page.
        w.click(QStringLiteral("spSkinButton23"));
        downloadFromPage(w);
        EXPECT_EQ(store::tileCount(root + QStringLiteral("/Archives Bnf/Carte1925/F001")), 12);
    }
    QFile file(root + u'/' + catalogue::kAddedMapsFileName);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(QString::fromUtf8(file.readAll()),
              catalogue::kAddedMapsHeader
                  + QStringLiteral("\nArchives Bnf\t1925\tCarte IIIF map\t%1/map\t1000 x 700\tgrille 4 x 3\n")
                        .arg(server.base()));

    TestWindow again({{QStringLiteral("cartes"), root}});
    again.start();
    auto *list = again.find<QListWidget>(QStringLiteral("spSkinCheckListBox1"));
    ASSERT_EQ(list->count(), 1925);
    EXPECT_EQ(list->item(1924)->text(), QStringLiteral("Carte IIIF map"));
    // The search finds it like any title.
    auto *search = again.find<QLineEdit>(QStringLiteral("spSkinEdit1"));
    search->setText(QStringLiteral("iiif map"));
    again.click(QStringLiteral("spSkinButton52"));
    EXPECT_EQ(again.context().selection().sheetNumber, QStringLiteral("1925"));
}

// A manifest of two canvases: one map of two sheets, the sheet number chooses the image.
TEST_F(IiifWindowTest, ManifestMapDownloadsTheSheetOfTheSheetNumber)
{
    REQUIRE_PROGRAM(QStringLiteral("vips"));
    REQUIRE_PROGRAM(QStringLiteral("python3"));
    serveTree();
    QString error;
    ASSERT_TRUE(writeVipsTree(makeSmoothPicture(600, 300), work.filePath(QStringLiteral("second")),
                              QStringLiteral("iiif3"), 256, &error));
    QDir().mkpath(work.filePath(QStringLiteral("atlas")));
    writeFile(work.filePath(QStringLiteral("atlas/manifest.json")),
              QStringLiteral(R"({"@context": "http://iiif.io/api/presentation/3/context.json", "type": "Manifest",
  "label": {"fr": ["Atlas en deux feuilles"]}, "items": [
   {"type": "Canvas", "items": [{"type": "AnnotationPage", "items": [{"type": "Annotation",
     "body": {"type": "Image", "service": [{"id": "%1/map", "type": "ImageService2"}]}}]}]},
   {"type": "Canvas", "items": [{"type": "AnnotationPage", "items": [{"type": "Annotation",
     "body": {"type": "Image", "service": [{"id": "%1/second", "type": "ImageService3"}]}}]}]}]})")
                  .arg(server.base())
                  .toUtf8());
    QTemporaryDir maps;
    TestWindow w({{QStringLiteral("cartes"), maps.path()}});
    w.start();
    w.desktop.inputAnswers.push_back(server.base() + QStringLiteral("/atlas/manifest.json"));
    w.click(QStringLiteral("AjouterIiif"));
    ASSERT_TRUE(waitForDesktop(w, QStringLiteral("message")));
    EXPECT_EQ(w.desktop.last(QStringLiteral("message"))->text,
              QStringLiteral("Carte n° 1925 : Atlas en deux feuilles\nIIIF : 2 feuilles : 1000 x 700, 600 x 300 pixels"));

    w.find<QSpinBox>(QStringLiteral("spSkinSpinEdit2"))->setValue(2);
    EXPECT_EQ(w.context().selection().folderSuffix, QStringLiteral("\\F002"));
    w.click(QStringLiteral("spSkinButton23"));
    downloadFromPage(w);
    const QString folder = maps.path() + QStringLiteral("/Archives Bnf/Carte1925/F002");
    EXPECT_EQ(store::tileCount(folder), 3 * 2);
    EXPECT_EQ(QImage(folder + QStringLiteral("/MAXI_CB.jpg")).size(), QSize(600 - 512, 300 - 256));
    EXPECT_TRUE(server.paths().contains(QStringLiteral("/second/512,256,88,44/88,44/0/default.jpg")));
}

// A picture of 3000 x 2000 in server tiles of 256 is planned as 12 x 8 tiles: the list holds
// those 96, once they are in the sheet counts as installed, and its views show those cells
// alone.
TEST_F(IiifWindowTest, SheetOfASmallerGridCountsAsInstalledAndIsShownWithoutMargin)
{
    REQUIRE_PROGRAM(QStringLiteral("vips"));
    REQUIRE_PROGRAM(QStringLiteral("python3"));
    QString error;
    ASSERT_TRUE(writeVipsTree(makeSmoothPicture(3000, 2000), work.filePath(QStringLiteral("large")),
                              QStringLiteral("iiif"), 256, &error))
        << error.toStdString();
    ASSERT_TRUE(server.start(work.path(), {}, &error)) << error.toStdString();
    QTemporaryDir maps;
    TestWindow w({{QStringLiteral("cartes"), maps.path()}, {QStringLiteral("affichage"), QStringLiteral("0")}});
    w.start();
    w.window->show();
    auto *installedSquare = w.find<ColourSquare>(QStringLiteral("Shape69"));

    w.desktop.inputAnswers.push_back(server.base() + QStringLiteral("/large"));
    w.click(QStringLiteral("AjouterIiif"));
    ASSERT_TRUE(waitForDesktop(w, QStringLiteral("message")));
    EXPECT_EQ(w.context().selectedTileGrid(), QSize(12, 8));
    EXPECT_EQ(installedSquare->colour(), colours::kDarkRed);

    // Columns past the grid make no list, and say which letters the sheet has.
    w.click(QStringLiteral("spSkinButton23"));
    w.find<QComboBox>(QStringLiteral("spSkinComboBox7"))->setCurrentIndex(15);   // first column "P"
    w.click(QStringLiteral("spSkinButton8"));
    EXPECT_EQ(w.find<QLineEdit>(QStringLiteral("spSkinEdit3"))->text(),
              QStringLiteral("Hors de la carte : colonnes A à L, lignes A à H"));
    EXPECT_FALSE(w.find<QPushButton>(QStringLiteral("spSkinButton31"))->isEnabled());
    w.find<QComboBox>(QStringLiteral("spSkinComboBox7"))->setCurrentIndex(0);

    // The list of the whole sheet holds the plan's cells only, A..L x A..H.
    w.click(QStringLiteral("spSkinButton8"));
    const QAbstractItemModel *list = w.find<QTreeView>(QStringLiteral("spSkinListView1"))->model();
    ASSERT_EQ(list->rowCount(), 96);
    EXPECT_EQ(list->index(95, 0).data().toString(), QStringLiteral("MAXI_LH.jpg"));
    w.click(QStringLiteral("spSkinButton31"));
    ASSERT_TRUE(w.context().downloadRunning());
    ASSERT_TRUE(waitUntil([&] { return !w.context().downloadRunning(); }, 60000));
    for (int row = 0; row < list->rowCount(); ++row)
        ASSERT_EQ(list->index(row, 1).data().toString(), QStringLiteral("Téléchargée    ")) << row;
    const QString folder = maps.path() + QStringLiteral("/Archives Bnf/Carte1925/F001");
    EXPECT_EQ(store::tileCount(folder), 96);

    w.context().refreshSelectionStatus();
    EXPECT_EQ(w.context().selection().installationState, ArchiveWithTiles);
    EXPECT_EQ(installedSquare->colour(), colours::kGreen);   // whole, not "partly installed"

    // A second list of the whole sheet: every row is "Déjà installée ", none asked again.
    const int asked = server.paths().size();
    w.click(QStringLiteral("spSkinButton23"));
    w.click(QStringLiteral("spSkinButton8"));
    ASSERT_EQ(list->rowCount(), 96);
    w.click(QStringLiteral("spSkinButton31"));
    ASSERT_TRUE(waitUntil([&] { return !w.context().downloadRunning(); }, 60000));
    for (int row = 0; row < list->rowCount(); ++row)
        ASSERT_EQ(list->index(row, 1).data().toString(), QStringLiteral("Déjà installée ")) << row;
    EXPECT_EQ(server.paths().size(), asked + 1);   // the description only

    // Printing: the zone pickers offer the grid's letters only, and the whole sheet is cut
    // into quarters of its own grid, all four holding tiles.
    w.window->showPage(5);
    PrintZonePage &print = *w.window->printZone();
    auto *lastColumn = w.find<QComboBox>(QStringLiteral("spSkinComboBox3"));
    auto *lastRow = w.find<QComboBox>(QStringLiteral("spSkinComboBox4"));
    EXPECT_EQ(lastColumn->currentIndex(), 11);   // "L"
    EXPECT_EQ(lastRow->currentIndex(), 7);       // "H"
    const auto *letters = qobject_cast<QStandardItemModel *>(lastColumn->model());
    ASSERT_NE(letters, nullptr);
    EXPECT_TRUE(letters->item(11)->isEnabled());
    EXPECT_FALSE(letters->item(12)->isEnabled());
    lastColumn->setCurrentIndex(20);
    emit lastColumn->activated(20);
    EXPECT_EQ(lastColumn->currentIndex(), 11);
    w.click(QStringLiteral("spSkinButton50"));   // "Carte entière"
    EXPECT_EQ(print.compositionSize(), QSize(12 * 256, 8 * 256));
    for (int quarter = 1; quarter <= 4; ++quarter)
        EXPECT_FALSE(print.quarter(quarter).isNull()) << quarter;
    EXPECT_EQ(print.quarter(1).size(), QSize(6 * 256, 4 * 256));
    // Columns G..L, rows E..H: the quarter ends with the map's narrower last column and row
    // (the map is 3000 x 2000), no white band.
    EXPECT_EQ(print.quarter(4).size(), QSize(3000 - 6 * 256, 2000 - 4 * 256));

    // The preview: 12 x 8 cells filling the client height (tiles of 256 in rows of
    // (500 - 44) div 8 = 57 pixels), no black cells past the picture; the last column and
    // row keep the map's proportions (184 and 208 of 256 pixels: 41 and 46).
    view::MapViewer &viewer = *w.window->mapViewer();
    viewer.showPreview();
    auto *panel = w.find<view::MosaicPanel>(QStringLiteral("PanelCarte"));
    ASSERT_NE(panel, nullptr);
    EXPECT_EQ(panel->size(), QSize(11 * 57 + 41 + 2, 7 * 57 + 46 + 2));
    const QList<view::TileCell *> cells = panel->findChildren<view::TileCell *>();
    EXPECT_EQ(cells.size(), 96);
    for (const view::TileCell *cell : cells)
        EXPECT_TRUE(cell->hasPicture()) << cell->objectName().toStdString();
    EXPECT_NE(panel->findChild<view::TileCell *>(QStringLiteral("ImageA12")), nullptr);
    EXPECT_EQ(panel->findChild<view::TileCell *>(QStringLiteral("ImageA13")), nullptr);
    EXPECT_EQ(panel->findChild<view::TileCell *>(QStringLiteral("ImageA209")), nullptr);
    EXPECT_EQ(panel->findChild<view::TileCell *>(QStringLiteral("ImageA194"))->geometry(),
              QRect(1 + 11 * 57, 1 + 7 * 57, 41, 46));

    // The detail: tiles at their size in cells of the first tile's size, 256; the last
    // column and row are narrower in the picture, the panel ends with them.
    viewer.showDetail();
    panel = w.find<view::MosaicPanel>(QStringLiteral("PanelCarte"));
    ASSERT_NE(panel, nullptr);
    EXPECT_EQ(viewer.cellSize(), QSize(256, 256));
    // 3000 = 11 x 256 + 184, 2000 = 7 x 256 + 208: the panel is the picture and its border.
    EXPECT_EQ(panel->size(), QSize(3000 + 2, 2000 + 2));
    EXPECT_EQ(w.find(QStringLiteral("ZoneClic"))->size(), panel->size());
    EXPECT_EQ(panel->findChildren<view::TileCell *>().size(), 96);
    viewer.closeView();
}

// A collection's address: the person picks one of its maps from the list it offers (here
// the second, by its number); cancelling the list adds nothing and says nothing.
TEST_F(IiifWindowTest, CollectionLetsThePersonPickTheMapToAdd)
{
    REQUIRE_PROGRAM(QStringLiteral("vips"));
    REQUIRE_PROGRAM(QStringLiteral("python3"));
    serveTree();
    auto manifest = [&](const QString &label) {
        return QStringLiteral(R"({"@type": "sc:Manifest", "label": "%1", "sequences": [{"canvases": [
            {"width": 1000, "height": 700, "images": [{"resource": {"service": {"@id": "%2/map",
             "profile": "http://iiif.io/api/image/2/level0.json"}}}]}]}]})")
            .arg(label, server.base())
            .toUtf8();
    };
    writeFile(work.filePath(QStringLiteral("m/1")), manifest(QStringLiteral("Plan de Brest")));
    writeFile(work.filePath(QStringLiteral("m/2")), manifest(QStringLiteral("Plan de Lorient")));
    writeFile(work.filePath(QStringLiteral("collection/bretagne")),
              QStringLiteral(R"({"@type": "sc:Collection", "label": "Ports de Bretagne", "manifests": [
                  {"@id": "%1/m/1", "@type": "sc:Manifest", "label": "Brest"},
                  {"@id": "%1/m/2", "@type": "sc:Manifest", "label": "Lorient"}]})")
                  .arg(server.base())
                  .toUtf8());
    QTemporaryDir maps;
    TestWindow w({{QStringLiteral("cartes"), maps.path()}});
    w.start();
    auto *list = w.find<QListWidget>(QStringLiteral("spSkinCheckListBox1"));
    auto *add = w.find<QPushButton>(QStringLiteral("AjouterIiif"));

    w.desktop.inputAnswers.push_back(server.base() + QStringLiteral("/collection/bretagne"));
    w.desktop.inputAnswers.push_back(QString());   // the list cancelled
    w.click(QStringLiteral("AjouterIiif"));
    ASSERT_TRUE(waitUntil([&] { return add->isEnabled(); }, 60000));
    EXPECT_EQ(list->count(), 1924);
    EXPECT_EQ(w.desktop.last(QStringLiteral("error")), nullptr);
    EXPECT_EQ(w.desktop.last(QStringLiteral("message")), nullptr);

    w.desktop.inputAnswers.push_back(server.base() + QStringLiteral("/collection/bretagne"));
    w.desktop.inputAnswers.push_back(QStringLiteral("2"));
    w.click(QStringLiteral("AjouterIiif"));
    ASSERT_TRUE(waitForDesktop(w, QStringLiteral("message")));
    EXPECT_EQ(w.desktop.last(QStringLiteral("message"))->text,
              QStringLiteral("Carte n° 1925 : Plan de Lorient\nIIIF : 1000 x 700 pixels"));
    EXPECT_TRUE(w.desktop.last(QStringLiteral("input"))->text.contains(QStringLiteral("Ports de Bretagne")));
    ASSERT_EQ(list->count(), 1925);
    EXPECT_EQ(list->item(1924)->text(), QStringLiteral("Plan de Lorient"));
}

TEST_F(IiifWindowTest, CassiniSheetGetsItsAddressOnTheDownloadPage)
{
    REQUIRE_PROGRAM(QStringLiteral("vips"));
    REQUIRE_PROGRAM(QStringLiteral("python3"));
    serveTree();
    QTemporaryDir maps;
    TestWindow w({{QStringLiteral("cartes"), maps.path()}});
    w.start();
    AppContext &context = w.context();
    ASSERT_EQ(context.selection().editionFolder, QStringLiteral("Cassini couleurs"));
    ASSERT_EQ(context.selection().sheetNumber, QStringLiteral("1"));
    w.click(QStringLiteral("spSkinButton4"));   // "Télécharger et installer"
    w.desktop.inputAnswers.push_back(server.base() + QStringLiteral("/map"));
    w.click(QStringLiteral("AdresseIiif"));
    ASSERT_TRUE(waitForDesktop(w, QStringLiteral("message")));
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);   // the busy cursor of the reading is gone
    const auto sheet = context.addedMaps().sheet(SheetId::cassini(editions::kColour, 1));
    ASSERT_TRUE(sheet);
    EXPECT_EQ(sheet->address, server.base() + QStringLiteral("/map"));
    EXPECT_EQ(sheet->size, QSize(1000, 700));

    downloadFromPage(w);
    EXPECT_EQ(store::tileCount(maps.path() + QStringLiteral("/Cassini couleurs/Carte1")), 12);
    // Its 4 x 3 tiles are the whole sheet: the squares say installed, not partly.
    context.refreshSelectionStatus();
    EXPECT_EQ(w.find<ColourSquare>(QStringLiteral("Shape2"))->colour(), colours::kGreen);
    EXPECT_EQ(w.find<ColourSquare>(QStringLiteral("Shape19"))->colour(), colours::kWhite);
    // The IIIF server was asked, not the classic tile server.
    EXPECT_EQ(server.paths().size(), 2 + 12);   // the description when given, at the start, then the tiles
}

TEST_F(IiifWindowTest, SimultaneousRequestsPreferenceIsStored)
{
    TestWindow w;
    w.start();
    auto *spin = w.find<QSpinBox>(QStringLiteral("RequetesSimultanees"));
    EXPECT_EQ(spin->value(), 1);
    EXPECT_EQ(spin->maximum(), 8);
    spin->setValue(6);
    EXPECT_EQ(w.settings->read(QStringLiteral("requetes")), QStringLiteral("6"));
    EXPECT_EQ(w.context().requestLimitFor(QStringLiteral("127.0.0.2")), 6);
    EXPECT_EQ(w.context().requestLimitFor(QStringLiteral("gallica.bnf.fr")), 1);
    w.click(QStringLiteral("RequetesGallica"));
    EXPECT_EQ(w.settings->read(QStringLiteral("requetesgallica")), QStringLiteral("1"));
    EXPECT_EQ(w.context().requestLimitFor(QStringLiteral("gallica.bnf.fr")), 6);

    TestWindow again({{QStringLiteral("requetes"), QStringLiteral("3")}, {QStringLiteral("requetesgallica"), QStringLiteral("0")}});
    again.start();
    EXPECT_EQ(again.find<QSpinBox>(QStringLiteral("RequetesSimultanees"))->value(), 3);
    EXPECT_EQ(again.context().requestLimitFor(QStringLiteral("127.0.0.2")), 3);
}

} // namespace
