// The IIIF source in the real window: "Ajouter une carte IIIF" on "Autres cartes", the
// added map in the list after the catalogue and back at the next start, its download
// through the download page; "Adresse IIIF de la carte" for a Cassini sheet; the
// preference "Requêtes simultanées".

#include "IiifServers.h"
#include "app/AppContext.h"
#include "app/SettingsStore.h"
#include "catalogue/AddedMaps.h"
#include "net/Wait.h"
#include "store/TileStore.h"
#include "support/TestWindow.h"

#include <QDir>
#include <QImage>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSpinBox>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace testing_support;

namespace {

#define REQUIRE_PROGRAM(p)                                                                                             \
    do {                                                                                                               \
        QString why;                                                                                                   \
        if (!haveProgram(p, &why))                                                                                     \
            GTEST_SKIP() << why.toStdString();                                                                         \
    } while (0)

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
        return waitUntil([&] { return w.desktop.last(kind) != nullptr; }, 20000);
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
                  QStringLiteral("Carte n° 1925 : Carte IIIF map\n1000 x 700 pixels"));
        ASSERT_EQ(list->count(), 1925);
        EXPECT_EQ(list->item(1924)->text(), QStringLiteral("Carte IIIF map"));
        EXPECT_EQ(w.context().selection.sheetNumber, QStringLiteral("1925"));
        EXPECT_EQ(w.context().selection.folderSuffix, QStringLiteral("\\F001"));
        EXPECT_TRUE(w.find<QPushButton>(QStringLiteral("AjouterIiif"))->isEnabled());

        // Handed over like an archive map, downloaded by the page.
        w.click(QStringLiteral("spSkinButton23"));
        downloadFromPage(w);
        EXPECT_EQ(store::tileCount(root + QStringLiteral("/Archives Bnf/Carte1925/F001")), 12);
    }
    QFile file(root + u'/' + iiif::kAddedMapsFileName);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(QString::fromUtf8(file.readAll()),
              QStringLiteral("Archives Bnf\t1925\tCarte IIIF map\t%1/map\t1000 x 700\n").arg(server.base()));

    TestWindow again({{QStringLiteral("cartes"), root}});
    again.start();
    auto *list = again.find<QListWidget>(QStringLiteral("spSkinCheckListBox1"));
    ASSERT_EQ(list->count(), 1925);
    EXPECT_EQ(list->item(1924)->text(), QStringLiteral("Carte IIIF map"));
    // The search finds it like any title.
    auto *search = again.find<QLineEdit>(QStringLiteral("spSkinEdit1"));
    search->setText(QStringLiteral("iiif map"));
    again.click(QStringLiteral("spSkinButton52"));
    EXPECT_EQ(again.context().selection.sheetNumber, QStringLiteral("1925"));
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
              QStringLiteral("Carte n° 1925 : Atlas en deux feuilles\n2 feuilles : 1000 x 700, 600 x 300 pixels"));

    w.find<QSpinBox>(QStringLiteral("spSkinSpinEdit2"))->setValue(2);
    EXPECT_EQ(w.context().selection.folderSuffix, QStringLiteral("\\F002"));
    w.click(QStringLiteral("spSkinButton23"));
    downloadFromPage(w);
    const QString folder = maps.path() + QStringLiteral("/Archives Bnf/Carte1925/F002");
    EXPECT_EQ(store::tileCount(folder), 3 * 2);
    EXPECT_EQ(QImage(folder + QStringLiteral("/MAXI_CB.jpg")).size(), QSize(600 - 512, 300 - 256));
    EXPECT_TRUE(server.paths().contains(QStringLiteral("/second/512,256,88,44/88,44/0/default.jpg")));
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
    ASSERT_EQ(context.selection.editionFolder, QStringLiteral("Cassini couleurs"));
    ASSERT_EQ(context.selection.sheetNumber, QStringLiteral("1"));
    w.click(QStringLiteral("spSkinButton4"));   // "Télécharger et installer"
    w.desktop.inputAnswers.push_back(server.base() + QStringLiteral("/map"));
    w.click(QStringLiteral("AdresseIiif"));
    ASSERT_TRUE(waitForDesktop(w, QStringLiteral("message")));
    const auto sheet = context.addedMaps().sheet(QStringLiteral("Cassini couleurs"), QStringLiteral("1"), QString());
    ASSERT_TRUE(sheet);
    EXPECT_EQ(sheet->imageBase, server.base() + QStringLiteral("/map"));
    EXPECT_EQ(sheet->size, QSize(1000, 700));

    downloadFromPage(w);
    EXPECT_EQ(store::tileCount(maps.path() + QStringLiteral("/Cassini couleurs/Carte1")), 12);
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
