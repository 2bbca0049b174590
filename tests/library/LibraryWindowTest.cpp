// The library's search in the real window, against the tests' own search service whose
// documents are static IIIF trees: a map found by words, its picture shown, added with its
// title and installed; a series shown and not addable; a Cassini sheet given its scan from
// the search and installed.

#include "LibraryDocuments.h"
#include "iiif/IiifServers.h"
#include "library/LibraryAddresses.h"
#include "library/LibrarySearch.h"
#include "library/LibrarySearchPanel.h"
#include "library/ThumbnailCache.h"
#include "net/HostPace.h"
#include "support/Wait.h"
#include "session/AppContext.h"
#include "store/TileStore.h"
#include "support/TestWindow.h"

#include <QDir>
#include <QDoubleSpinBox>
#include <QDirIterator>
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace testing_support;

namespace {

class LibraryWindowTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        REQUIRE_PROGRAM(QStringLiteral("python3"));
        REQUIRE_PROGRAM(QStringLiteral("vips"));
        QJsonObject series = document(QStringLiteral("cb3275"), QStringLiteral("Bulletin de géographie"));
        series.insert(QStringLiteral("series"), true);
        const QJsonArray documents{document(QStringLiteral("btv1bmapa"), QStringLiteral("Plan de Paris")), series,
                                   document(QStringLiteral("btv1bmapb"), QStringLiteral("Carte de Cassini. 1, Paris"))};
        QImage(40, 60, QImage::Format_RGB32).save(served.filePath(QStringLiteral("thumbnail.jpg")));
        QString error;
        ASSERT_TRUE(server.startSearch(served.path(), documents, 0, &error)) << error.toStdString();
        ASSERT_TRUE(writeArkTree(served.path(), server.base(), QStringLiteral("btv1bmapa"), QStringLiteral("Plan"), 1000,
                                 700, &error))
            << error.toStdString();
        ASSERT_TRUE(writeArkTree(served.path(), server.base(), QStringLiteral("btv1bmapb"), QStringLiteral("Cassini"), 600,
                                 400, &error))
            << error.toStdString();
    }
    QList<std::pair<QString, QString>> settings() const
    {
        return {{QStringLiteral("cartes"), maps.path()},
                {QStringLiteral("catalogue"), server.catalogue()},
                {QStringLiteral("bibliotheque"), server.base()},
                {QStringLiteral("intervalle"), QStringLiteral("0")}};
    }
    // The panel shown over a page, once its first page of answers is listed.
    LibrarySearchPanel *openPanel(TestWindow &w)
    {
        LibrarySearchPanel *shown = nullptr;
        waitUntil([&] {
            for (auto *panel : w.window->findChildren<LibrarySearchPanel *>())
                if (!panel->isHidden() && !panel->search().busy() && !panel->search().records().isEmpty())
                    shown = panel;
            return shown != nullptr;
        }, 60000);
        return shown;
    }
    static void chooseRow(LibrarySearchPanel *panel, int row)
    {
        panel->findChild<QListWidget *>(QStringLiteral("ResultatsRecherche"))->setCurrentRow(row);
    }
    static QPushButton *panelButton(LibrarySearchPanel *panel, const QString &name)
    {
        return panel->findChild<QPushButton *>(name);
    }
    void downloadFromPage(TestWindow &w)
    {
        w.click(QStringLiteral("spSkinButton8"));
        w.click(QStringLiteral("spSkinButton31"));
        ASSERT_TRUE(w.context().downloadRunning());
        EXPECT_TRUE(waitUntil([&] { return !w.context().downloadRunning(); }, 60000));
    }

    QTemporaryDir served, maps;
    PythonServer server;
};

} // namespace

TEST_F(LibraryWindowTest, MapFoundByWordsIsAddedWithItsTitleAndInstalled)
{
    TestWindow w(settings());
    w.start();
    w.find<QLineEdit>(QStringLiteral("MotsBibliothequePage"))->setText(QStringLiteral("plan"));
    w.click(QStringLiteral("RechercherDansBibliotheque"));
    LibrarySearchPanel *panel = openPanel(w);
    ASSERT_NE(panel, nullptr);
    auto *results = panel->findChild<QListWidget *>(QStringLiteral("ResultatsRecherche"));
    ASSERT_EQ(results->count(), 3);
    EXPECT_TRUE(results->item(0)->text().startsWith(QStringLiteral("Plan de Paris\n")));
    EXPECT_EQ(panel->findChild<QLabel *>(QStringLiteral("EtatRecherche"))->text(),
              QStringLiteral("3 documents trouvés, 3 affichés"));
    // Names a screen reader gives are the labels shown.
    EXPECT_EQ(results->accessibleName(), QStringLiteral("Résultats de la recherche"));
    EXPECT_EQ(panel->findChild<QLineEdit *>(QStringLiteral("MotsBibliotheque"))->accessibleName(),
              QStringLiteral("Mots à rechercher dans la bibliothèque"));
    for (QPushButton *b : panel->findChildren<QPushButton *>())
        EXPECT_EQ(b->accessibleName(), b->text().remove(u'&'));

    // The pictures come after the text, into the cache folder.
    const QString picture = panel->thumbnails().pathFor(panel->search().records()[0].thumbnail);
    EXPECT_TRUE(waitUntil([&] { return QFile::exists(picture); }, 60000));

    // A series is shown, not addable.
    chooseRow(panel, 1);
    EXPECT_FALSE(panelButton(panel, QStringLiteral("AjouterDocument"))->isEnabled());
    EXPECT_FALSE(panelButton(panel, QStringLiteral("InstallerDocument"))->isEnabled());

    auto *list = w.find<QListWidget>(QStringLiteral("spSkinCheckListBox1"));
    chooseRow(panel, 0);
    panelButton(panel, QStringLiteral("AjouterDocument"))->click();
    ASSERT_TRUE(waitUntil([&] { return list->count() == 1925; }, 60000));
    EXPECT_EQ(list->item(1924)->text(), QStringLiteral("Plan de Paris"));
    EXPECT_TRUE(results->item(0)->text().contains(QStringLiteral("[déjà ajoutée]")));
    EXPECT_FALSE(panelButton(panel, QStringLiteral("AjouterDocument"))->isEnabled());

    chooseRow(panel, 2);
    panelButton(panel, QStringLiteral("InstallerDocument"))->click();
    ASSERT_TRUE(waitUntil([&] { return list->count() == 1926 && panel->isHidden(); }, 60000));
    EXPECT_EQ(w.context().selection().sheetNumber, QStringLiteral("1926"));
    downloadFromPage(w);
    EXPECT_EQ(store::tileCount(maps.path() + QStringLiteral("/Archives Bnf/Carte1926/F001")), 6);
    for (const QString &agent : server.userAgents())
        EXPECT_EQ(agent, QStringLiteral("Orvantis/" ORVANTIS_VERSION));
}

TEST_F(LibraryWindowTest, CassiniSheetIsGivenItsScanFromTheSearchAndInstalled)
{
    TestWindow w(settings());
    w.start();
    // The library's own server serves no old tile paths: the sheet without address is searched.
    w.click(QStringLiteral("spSkinButton4"));
    LibrarySearchPanel *panel = openPanel(w);
    ASSERT_NE(panel, nullptr);
    EXPECT_TRUE(panel->forSheet());
    EXPECT_FALSE(w.context().downloadRunning());
    EXPECT_TRUE(panelButton(panel, QStringLiteral("AjouterDocument"))->isHidden());
    EXPECT_EQ(panel->findChild<QLineEdit *>(QStringLiteral("MotsBibliotheque"))->text(), QStringLiteral("Cassini 1 Paris"));

    chooseRow(panel, 2);
    panelButton(panel, QStringLiteral("InstallerDocument"))->click();
    ASSERT_TRUE(waitUntil([&] { return panel->isHidden(); }, 60000));
    const auto sheet = w.context().addedMaps().sheet(SheetId::cassini(editions::kColour, 1));
    ASSERT_TRUE(sheet);
    EXPECT_EQ(sheet->address, server.base() + QStringLiteral("/iiif/ark:/12148/btv1bmapb/f1"));
    EXPECT_EQ(w.context().selection().editionFolder, editions::kColour);
    downloadFromPage(w);
    EXPECT_EQ(store::tileCount(store::mapFolder(maps.path(), SheetId::cassini(editions::kColour, 1))), 6);

    // With its address, "Télécharger et installer" goes straight to the download.
    w.click(QStringLiteral("spSkinButton4"));
    EXPECT_TRUE(panel->isHidden());
}

TEST_F(LibraryWindowTest, RefusalOfTheLibraryStopsTheDownloadAtOnce)
{
    // Every picture of the scan answers the challenge page in place of a JPEG.
    const QByteArray challenge = "<!DOCTYPE html><html><head><title>Vérification de sécurité</title></head></html>";
    QDirIterator tiles(served.filePath(QStringLiteral("iiif/ark:/12148/btv1bmapb/f1")), {QStringLiteral("*.jpg")},
                       QDir::Files, QDirIterator::Subdirectories);
    int replaced = 0;
    while (tiles.hasNext()) {
        QFile tile(tiles.next());
        ASSERT_TRUE(tile.open(QIODevice::WriteOnly | QIODevice::Truncate));
        tile.write(challenge);
        ++replaced;
    }
    ASSERT_GT(replaced, 0);
    TestWindow w(settings());
    w.start();
    w.click(QStringLiteral("ChercherFeuille"));
    LibrarySearchPanel *panel = openPanel(w);
    ASSERT_NE(panel, nullptr);
    chooseRow(panel, 2);
    panelButton(panel, QStringLiteral("InstallerDocument"))->click();
    ASSERT_TRUE(waitUntil([&] { return panel->isHidden(); }, 60000));
    const int before = int(server.paths().size());
    downloadFromPage(w);
    EXPECT_EQ(w.find<QLineEdit>(QStringLiteral("spSkinEdit3"))->text(),
              QStringLiteral("La bibliothèque refuse l'accès pour le moment (vérification demandée). Réessayez plus tard."));
    const QString folder = store::mapFolder(maps.path(), SheetId::cassini(editions::kColour, 1));
    EXPECT_EQ(store::tileCount(folder), 0);
    EXPECT_TRUE(QDir(folder).entryList(QDir::Files).isEmpty());
    // One request to the library at a time: the refusal is the only picture asked for.
    int pictureRequests = 0;
    for (const QString &path : server.paths().mid(before))
        pictureRequests += path.endsWith(QStringLiteral(".jpg"));
    EXPECT_EQ(pictureRequests, 1);
}

TEST_F(LibraryWindowTest, PreferencesShowAndStoreTheLibrarySettings)
{
    TestWindow w({{QStringLiteral("catalogue"), QStringLiteral("pas une adresse")}});
    w.start();
    w.click(QStringLiteral("ReglagesBibliotheque"));
    auto *catalogue = w.find<QLineEdit>(QStringLiteral("AdresseCatalogue"));
    auto *library = w.find<QLineEdit>(QStringLiteral("AdresseBibliotheque"));
    auto *interval = w.find<QDoubleSpinBox>(QStringLiteral("IntervalleRequetes"));
    // An unreadable value shows the default; absent ones too.
    EXPECT_EQ(catalogue->text(), QStringLiteral("https://gallica.bnf.fr/SRU"));
    EXPECT_EQ(library->text(), QStringLiteral("https://gallica.bnf.fr"));
    EXPECT_DOUBLE_EQ(interval->value(), 1.0);
    EXPECT_EQ(HostPace::shared().interval(), 1000);
    EXPECT_EQ(interval->accessibleName(), QStringLiteral("Intervalle entre requêtes"));
    EXPECT_EQ(w.find<QLabel>(QStringLiteral("LabelIntervalleRequetes"))->text(), interval->accessibleName());

    library->setText(server.base());
    emit library->editingFinished();
    interval->setValue(0.3);
    EXPECT_EQ(w.settings->read(QStringLiteral("bibliotheque")), server.base());
    EXPECT_EQ(w.settings->read(QStringLiteral("intervalle")), QStringLiteral("0.3"));
    EXPECT_EQ(HostPace::shared().interval(), 300);
    EXPECT_TRUE(HostPace::shared().isPaced(QUrl(server.base() + QStringLiteral("/x"))));

    catalogue->setText(QStringLiteral("ftp://ailleurs"));
    emit catalogue->editingFinished();
    ASSERT_NE(w.desktop.last(QStringLiteral("error")), nullptr);
    EXPECT_EQ(w.desktop.last(QStringLiteral("error"))->text, QStringLiteral("Adresse incorrecte : ftp://ailleurs"));
    EXPECT_EQ(catalogue->text(), QStringLiteral("https://gallica.bnf.fr/SRU"));
    EXPECT_EQ(w.settings->read(QStringLiteral("catalogue")), QString());
    library::applyPace(library::Addresses());
}
