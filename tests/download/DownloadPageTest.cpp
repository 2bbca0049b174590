#include "widgets/StatusBar.h"
#include "catalogue/CassiniCatalogue.h"
#include "download/DownloadEngine.h"
#include "download/DownloadPage.h"
#include "TileServer.h"
#include "view/MapViewer.h"
#include "view/PreviewCache.h"
#include "net/TestServer.h"
#include "support/Wait.h"
#include "support/ScriptedConnection.h"
#include "store/TileStore.h"
#include "support/TestWindow.h"
#include "widgets/SpinEdit.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSettings>
#include <QTabWidget>
#include <gtest/gtest.h>

using namespace testing_support;

namespace {

class DownloadPageTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        server.tile = jpegBytes(16, 12);
        w = std::make_unique<TestWindow>(QList<std::pair<QString, QString>>{{"serveur", server.authority()}});
        w->start();
        w->context().setConnection(&connection);
        page = w->window->download();
    }
    void selectSheet(int sheet) { w->window->statusBarWidget()->setSheetNumber(sheet); }
    // Sets a picker the way the user does: choose the letter, then its change handler runs.
    void pick(const QString &name, int index)
    {
        auto *box = w->find<QComboBox>(name);
        box->setCurrentIndex(index);
        emit box->activated(index);
    }
    QStringList rowNames() const
    {
        QStringList names;
        for (int i = 0; i < page->list().count(); ++i)
            names << page->list().fileName(i);
        return names;
    }
    QString title() const { return w->window->windowTitle(); }
    bool runAndWait()
    {
        bool ended = false;
        auto link = QObject::connect(&page->engine(), &DownloadEngine::finished, [&] { ended = true; });
        w->click("spSkinButton31");
        const bool ok = waitUntil([&] { return ended; });
        QObject::disconnect(link);
        return ok;
    }

    TestServer server;
    ScriptedConnection connection;
    std::unique_ptr<TestWindow> w;
    DownloadPage *page = nullptr;
};

TEST_F(DownloadPageTest, ListHoldsTheRectangleInWalkingOrder)
{
    w->window->showPage(4);
    struct Case {
        int c1, c2, r1, r2;
        int count;
        QStringList first;
    };
    const Case cases[] = {
        {0, 25, 0, 25, 676, {"MAXI_AA.jpg", "MAXI_BA.jpg"}},
        {2, 4, 1, 2, 6, {"MAXI_CB.jpg", "MAXI_DB.jpg", "MAXI_EB.jpg", "MAXI_CC.jpg", "MAXI_DC.jpg", "MAXI_EC.jpg"}},
        {12, 12, 12, 12, 1, {"MAXI_MM.jpg"}},
    };
    for (const Case &c : cases) {
        pick("spSkinComboBox1", c.c2);
        pick("spSkinComboBox7", c.c1);
        pick("spSkinComboBox2", c.r2);
        pick("spSkinComboBox8", c.r1);
        w->click("spSkinButton8");
        EXPECT_EQ(page->list().count(), c.count);
        EXPECT_EQ(rowNames().mid(0, c.first.size()), c.first);
        for (int i = 0; i < page->list().count(); ++i)
            ASSERT_EQ(page->list().text(i), "En attente");
        EXPECT_EQ(w->find<QProgressBar>("spSkinGauge3")->maximum(), c.count);
        EXPECT_TRUE(w->find<QPushButton>("spSkinButton31")->isEnabled());
    }
    pick("spSkinComboBox1", 25);
    pick("spSkinComboBox7", 0);
    pick("spSkinComboBox2", 25);
    pick("spSkinComboBox8", 0);
    w->click("spSkinButton8");
    EXPECT_EQ(page->list().fileName(26), "MAXI_AB.jpg");
    EXPECT_EQ(page->list().fileName(675), "MAXI_ZZ.jpg");
    EXPECT_EQ(title(), "Téléchargement de la Carte n° 1 ( Cassini couleurs )");
    EXPECT_EQ(w->find<QLineEdit>("spSkinEdit3")->text(), "Cliquez sur Télécharger pour démarrer");
}

TEST_F(DownloadPageTest, MovedPickerGivesWayAndClearsTheList)
{
    w->window->showPage(4);
    pick("spSkinComboBox1", 3);   // last column D
    w->click("spSkinButton8");
    pick("spSkinComboBox7", 10);  // the user picks K as first column
    EXPECT_EQ(w->find<QComboBox>("spSkinComboBox7")->currentText(), "D");
    EXPECT_EQ(w->find<QComboBox>("spSkinComboBox1")->currentText(), "D");
    EXPECT_EQ(page->list().count(), 0);
    EXPECT_FALSE(w->find<QPushButton>("spSkinButton31")->isEnabled());

    pick("spSkinComboBox8", 10);  // first row K
    pick("spSkinComboBox2", 2);   // the user picks C as last row
    EXPECT_EQ(w->find<QComboBox>("spSkinComboBox2")->currentText(), "K");
    EXPECT_EQ(w->find<QComboBox>("spSkinComboBox8")->currentText(), "K");
}

TEST_F(DownloadPageTest, ShowingThePageAgainDiscardsAnUnstartedList)
{
    w->window->showPage(4);
    w->click("spSkinButton8");
    ASSERT_EQ(page->list().count(), 676);
    w->window->showPage(2);
    w->window->showPage(4);
    EXPECT_EQ(page->list().count(), 0);
    EXPECT_FALSE(w->find<QPushButton>("spSkinButton31")->isEnabled());
}

TEST_F(DownloadPageTest, CassiniButtonBringsThePageForwardWithTheSheet)
{
    w->window->showPage(2);
    selectSheet(57);
    w->click("spSkinButton4");
    EXPECT_EQ(w->window->pageControl()->currentIndex(), 4);
    EXPECT_EQ(w->context().currentPageNumber(), 5);
    EXPECT_EQ(title(), "Téléchargement de la Carte n° 57 ( Cassini couleurs )");
    EXPECT_EQ(w->context().selection().documentNumber, cassini::documentNumber(57, 0));
}

// The connection boxes, on either page, are what the run uses: the dial asks for the
// password unless "Connexion automatique" is on; the line is hung up at the end only with
// "Déconnexion automatique".
TEST_F(DownloadPageTest, ConnectionBoxesOfEitherPageDecideTheDialAndTheHangUp)
{
    struct Case {
        int page;
        const char *box;   // unchecked by the user; nothing for the options as stored
        bool unattended;
        int hangUps;
    };
    const Case cases[] = {
        {4, nullptr, true, 1},
        {4, "spSkinCheckRadioBox1", false, 1},
        {4, "spSkinCheckRadioBox2", true, 0},
        {7, "spSkinCheckRadioBox3", false, 1},
        {7, "spSkinCheckRadioBox4", true, 0},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.box ? c.box : "as stored");
        ScriptedConnection line;
        w->context().setConnection(&line);
        w->window->showPage(c.page);
        if (c.box)
            w->click(c.box);
        w->window->showPage(4);
        pick("spSkinComboBox1", 0);
        pick("spSkinComboBox2", 0);
        w->click("spSkinButton8");
        ASSERT_TRUE(runAndWait());
        EXPECT_EQ(line.dials, QList<bool>{c.unattended});
        EXPECT_EQ(line.hangUps, c.hangUps);
        w->context().setConnection(&connection);
        w->context().options().setDialUnattended(true);
        w->context().options().setHangUpAfterDownload(true);
    }
}

// A run in the real window: controls during and after it, a new selection made meanwhile.
TEST_F(DownloadPageTest, RunKeepsItsSheetWhileAnotherIsSelected)
{
    selectSheet(12);
    w->window->showPage(4);
    pick("spSkinComboBox1", 2);   // A..C
    pick("spSkinComboBox2", 1);   // A..B
    w->click("spSkinButton8");

    QMap<QString, bool> during;
    server.script = [&](const QByteArray &path) {
        if (server.paths.size() == 1) {
            for (const char *name : {"spSkinButton8", "spSkinComboBox7", "spSkinComboBox1", "spSkinComboBox8",
                                     "spSkinComboBox2", "spSkinButton31", "spSkinButton9", "spSkinButton54",
                                     "spSkinButton4", "spSkinButton42", "EditServeur"})
                during[name] = w->find<QWidget>(name)->isEnabled();
            during["running mark"] = page->engine().runningMark() == DownloadEngine::kRunningMark;
        }
        if (server.paths.size() == 3) {
            during["last tile shown"] = !w->find<QLabel>("Telimage")->pixmap().isNull();
            selectSheet(40);   // the user selects another sheet during the run
        }
        Q_UNUSED(path);
        return TestServer::Answer{TestServer::Reply::Jpeg};
    };
    ASSERT_TRUE(runAndWait());

    const QMap<QString, bool> expectedDuring{
        {"spSkinButton8", false}, {"spSkinComboBox7", false}, {"spSkinComboBox1", false}, {"spSkinComboBox8", false},
        {"spSkinComboBox2", false}, {"spSkinButton31", false}, {"spSkinButton9", true}, {"spSkinButton54", true},
        {"spSkinButton4", false}, {"spSkinButton42", false}, {"EditServeur", false}, {"running mark", true},
        {"last tile shown", true}};
    EXPECT_EQ(during, expectedDuring);

    ASSERT_EQ(server.paths.size(), 6);
    for (const QByteArray &path : server.paths)
        EXPECT_TRUE(path.contains("/077" + cassini::documentNumber(12, 0).toLatin1() + "/0000001/"));
    const QString root = w->programFolder();
    EXPECT_EQ(store::tileCount(root + "Cassini couleurs/Carte12"), 6);
    EXPECT_EQ(store::tileCount(root + "Cassini couleurs/Carte40"), 0);
    EXPECT_EQ(title(), "Arrêt carte n° 12. Nouvelle sélection = carte n° 40");

    // Idle again: pickers back to A..Z, list empty, "Télécharger" off until a new list.
    for (const auto &[name, letter] : {std::pair{"spSkinComboBox7", "A"}, std::pair{"spSkinComboBox1", "Z"},
                                       std::pair{"spSkinComboBox8", "A"}, std::pair{"spSkinComboBox2", "Z"}}) {
        EXPECT_EQ(w->find<QComboBox>(name)->currentText(), letter);
        EXPECT_TRUE(w->find<QComboBox>(name)->isEnabled());
    }
    EXPECT_EQ(page->list().count(), 0);
    EXPECT_TRUE(w->find<QPushButton>("spSkinButton8")->isEnabled());
    EXPECT_FALSE(w->find<QPushButton>("spSkinButton31")->isEnabled());
    EXPECT_FALSE(w->find<QPushButton>("spSkinButton9")->isEnabled());
    EXPECT_TRUE(w->find<QPushButton>("spSkinButton4")->isEnabled());
    EXPECT_EQ(w->find<QPushButton>("spSkinButton31")->property("tag").toInt(), 0);
    EXPECT_EQ(w->find<QLineEdit>("spSkinEdit3")->text(), "Déconnecté");
    EXPECT_EQ(w->find<QProgressBar>("spSkinGauge3")->value(), 0);
}

// The archive hand-over, then a run from the program's own tile server.
TEST_F(DownloadPageTest, ArchiveSheetDownloadsFromTheTileServer)
{
    QTemporaryDir served;
    const QByteArray tile = jpegBytes(20, 15, Qt::blue);
    for (const char *name : {"MAXI_AA.jpg", "MAXI_BA.jpg", "MAXI_AB.jpg"})
        writeFile(served.filePath(QStringLiteral("Archives Bnf/Carte12/F007/") + name), tile);
    TileServer tileServer(served.path());
    QStringList log;
    QObject::connect(&tileServer, &TileServer::logLine, [&](const QString &l) { log << l; });
    ASSERT_TRUE(tileServer.listen(QHostAddress::LocalHost, 0));
    w->context().setTileServer(QStringLiteral("127.0.0.1:%1").arg(tileServer.port()));

    w->context().select(SheetId::archive(12, 7));
    const SelectionState &s = w->context().selection();
    page->bringForwardForSelection();
    EXPECT_EQ(w->window->pageControl()->currentIndex(), 4);
    EXPECT_EQ(s.documentNumber, "10012");
    EXPECT_EQ(title(), "Téléchargement de la Carte n° 12\\F007 ( Archives Bnf )");

    pick("spSkinComboBox1", 1);
    pick("spSkinComboBox2", 1);
    w->click("spSkinButton8");
    ASSERT_TRUE(runAndWait());
    ASSERT_EQ(log.size(), 4);
    EXPECT_TRUE(log[0].contains("GET /Fonds_ImagesZoom/077/07710012/0000007/MAXI_AA.jpg HTTP/1.0\" 200"));
    EXPECT_TRUE(log[3].contains("/0000007/MAXI_BB.jpg HTTP/1.0\" 404"));
    const QString folder = w->programFolder() + "Archives Bnf/Carte12/F007/";
    EXPECT_EQ(store::tileCount(folder), 3);
    EXPECT_EQ(readFile(folder + "MAXI_AB.jpg"), tile);
    EXPECT_EQ(title(), "Arrêt carte n° 12\\F007. Nouvelle sélection = carte n° 12\\F007");

    // The end of the run keeps the sheet's preview: the three tiles, nothing elsewhere.
    const auto kept = w->window->mapViewer()->previewCache().find(folder, view::PreviewCache::keyOf(folder));
    ASSERT_TRUE(kept.has_value());
    for (int cell = 0; cell < store::kTileCount; ++cell)
        EXPECT_EQ(kept->cells[size_t(cell)].isNull(), cell != 0 && cell != 1 && cell != 26) << cell;
}

TEST_F(DownloadPageTest, ArreterEndsTheRunAfterTheTileInFlight)
{
    selectSheet(12);
    w->window->showPage(4);
    w->click("spSkinButton8");
    server.script = [&](const QByteArray &) {
        if (server.paths.size() == 3)
            w->click("spSkinButton9");
        return TestServer::Answer{TestServer::Reply::Jpeg};
    };
    ASSERT_TRUE(runAndWait());
    EXPECT_EQ(server.paths.size(), 3);
    EXPECT_EQ(store::tileCount(w->programFolder() + "Cassini couleurs/Carte12"), 3);
    EXPECT_EQ(title(), "Arrêt carte n° 12. Nouvelle sélection = carte n° 12");
}

TEST_F(DownloadPageTest, NoConnectionKeepsTheListForAnotherTry)
{
    connection.connectedAnswer = false;
    w->window->showPage(4);
    w->click("spSkinButton8");
    w->click("spSkinButton31");
    EXPECT_EQ(w->find<QLineEdit>("spSkinEdit3")->text(), "Problème de connexion internet");
    EXPECT_EQ(page->list().count(), 676);
    EXPECT_TRUE(w->find<QPushButton>("spSkinButton31")->isEnabled());
    EXPECT_TRUE(w->find<QPushButton>("spSkinButton8")->isEnabled());
    EXPECT_FALSE(w->context().downloadRunning());
    EXPECT_TRUE(server.paths.isEmpty());
}

TEST_F(DownloadPageTest, ServerAddressIsShownStoredAndChecked)
{
    auto *edit = w->find<QLineEdit>("EditServeur");
    EXPECT_EQ(edit->text(), server.authority());
    EXPECT_EQ(w->context().tileServer(), server.authority());

    edit->setText("tiles.example:8080");
    emit edit->editingFinished();
    EXPECT_EQ(w->context().tileServer(), "tiles.example:8080");
    EXPECT_EQ(QSettings(w->settingsFile(), QSettings::IniFormat).value("serveur").toString(), "tiles.example:8080");

    edit->setText("bad host/x");
    emit edit->editingFinished();
    EXPECT_EQ(w->context().tileServer(), "tiles.example:8080");
    EXPECT_EQ(edit->text(), "tiles.example:8080");
    ASSERT_NE(w->desktop.last("error"), nullptr);

    edit->setText("");
    emit edit->editingFinished();
    EXPECT_EQ(w->context().tileServer(), "gallica.bnf.fr");
    EXPECT_EQ(edit->text(), "gallica.bnf.fr");
}

TEST(DownloadPageSetting, AServerSettingTheProgramRefusesIsKeptShownAndSaidAtTheDownload)
{
    // Written by hand or by another version: the program keeps it rather than going elsewhere.
    const QString refused = QStringLiteral("bad host/x:99");
    TestWindow w(QList<std::pair<QString, QString>>{{"serveur", refused}});
    w.start();
    ScriptedConnection connection;
    w.context().setConnection(&connection);
    EXPECT_EQ(w.context().tileServer(), refused);
    EXPECT_EQ(w.find<QLineEdit>("EditServeur")->text(), refused);
    EXPECT_EQ(QSettings(w.settingsFile(), QSettings::IniFormat).value("serveur").toString(), refused);

    w.window->showPage(4);
    w.click("spSkinButton8");
    w.click("spSkinButton31");
    const QString text = QStringLiteral("Adresse de serveur incorrecte : ") + refused;
    ASSERT_NE(w.desktop.last("error"), nullptr);
    EXPECT_EQ(w.desktop.last("error")->text, text);
    EXPECT_EQ(w.find<QLineEdit>("spSkinEdit3")->text(), text);
    EXPECT_FALSE(w.context().downloadRunning());
    EXPECT_TRUE(w.find<QPushButton>("spSkinButton31")->isEnabled());
    EXPECT_EQ(QSettings(w.settingsFile(), QSettings::IniFormat).value("serveur").toString(), refused);
    EXPECT_FALSE(w.window->download()->engine().client().busy());   // no request went anywhere
}

} // namespace
