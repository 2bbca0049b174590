// Start-up against temporary configuration and program folders.
#include "app/PreferencesPage.h"
#include "session/SettingsStore.h"
#include "widgets/StatusBar.h"
#include "catalogue/CassiniPage.h"
#include "support/TestWindow.h"
#include "widgets/CheckBox.h"
#include "widgets/NumberButton.h"
#include "widgets/SpinEdit.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGroupBox>
#include <QMenuBar>
#include <QLabel>
#include <QLineEdit>
#include <QSettings>
#include <QSignalSpy>
#include <QTabWidget>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace testing_support;

namespace {

QString stored(const TestWindow &t, const char *name)
{
    return QSettings(t.settingsFile(), QSettings::IniFormat).value(QLatin1String(name)).toString();
}

TEST(Startup, FirstStartCreatesTheSettingsAndTheFolders)
{
    TestWindow t;
    t.start();
    for (const char *name : {"connexion", "deconnexion", "affichage"})
        EXPECT_EQ(stored(t, name), QStringLiteral("1")) << name;
    EXPECT_TRUE(stored(t, "cartes").isEmpty());   // a fallback is not written back
    EXPECT_EQ(t.context().mapsRoot(), t.programFolder());
    EXPECT_EQ(t.find<QLabel>(QStringLiteral("DirCartes"))->text(), t.programFolder());
    for (const char *folder : {"Cassini couleurs", "Cassini noir et blanc", "Archives Bnf", "Mes cartes"})
        EXPECT_TRUE(QFileInfo(t.programFolder() + QLatin1String(folder)).isDir()) << folder;

    const SelectionState &s = t.context().selection();
    EXPECT_EQ(s.editionFolder, QStringLiteral("Cassini couleurs"));
    EXPECT_EQ(s.sheetNumber, QStringLiteral("1"));
    EXPECT_TRUE(s.folderSuffix.isEmpty());
    EXPECT_TRUE(s.documentNumber.isEmpty());
    EXPECT_EQ(s.installationState, CassiniEmpty);
    EXPECT_EQ(t.find<QLineEdit>(QStringLiteral("spSkinEdit5"))->text(), QStringLiteral("Carte 1 : Paris"));
    EXPECT_EQ(t.find<SpinEdit>(QStringLiteral("spSkinSpinEdit1"))->value(), 1);
    EXPECT_EQ(t.find<QGroupBox>(QStringLiteral("spSkinGroupBox5"))->title(), QStringLiteral("Carte 1 sélectionnée"));
    EXPECT_EQ(t.find<NumberButton>(QStringLiteral("SpeedButton%1").arg(1))->numberColour(), QColor(255, 0, 0));
    EXPECT_EQ(t.window->printer().pageLayout().orientation(), QPageLayout::Landscape);
    EXPECT_TRUE(t.desktop.calls.empty());
}

TEST(Startup, OptionsReadAsOnOnlyForEmptyOrOneAndAreWrittenBack)
{
    const std::pair<const char *, bool> cases[] = {{"1", true}, {"", true}, {"0", false}, {"2", false},
                                                   {" ", false}, {"oui", false}};
    for (const auto &[text, on] : cases) {
        TestWindow t({{QStringLiteral("affichage"), QString::fromLatin1(text)},
                      {QStringLiteral("connexion"), QString::fromLatin1(text)}});
        t.start();
        EXPECT_EQ(t.find<CheckBox>(QStringLiteral("PleinEcran"))->isChecked(), on) << '"' << text << '"';
        EXPECT_EQ(t.find<CheckBox>(QStringLiteral("spSkinCheckRadioBox3"))->isChecked(), on) << text;
        EXPECT_EQ(stored(t, "affichage"), on ? QStringLiteral("1") : QStringLiteral("0")) << text;
        EXPECT_EQ(stored(t, "deconnexion"), QStringLiteral("1"));
        EXPECT_EQ(t.context().options().fullScreenView(), on) << text;
        EXPECT_EQ(t.context().options().dialUnattended(), on) << text;
        EXPECT_TRUE(t.context().options().hangUpAfterDownload());
    }
}

TEST(Startup, StoredMapsRootIsUsedOnlyWhileItExists)
{
    QTemporaryDir maps;
    {
        TestWindow t({{QStringLiteral("cartes"), maps.path()}});
        t.start();
        EXPECT_EQ(t.context().mapsRoot(), maps.path());
        EXPECT_TRUE(QFileInfo(maps.path() + QStringLiteral("/Cassini noir et blanc")).isDir());
    }
    const QString deleted = maps.path() + QStringLiteral("/gone");
    TestWindow t({{QStringLiteral("cartes"), deleted}});
    t.start();
    EXPECT_EQ(t.context().mapsRoot(), t.programFolder());
    EXPECT_EQ(stored(t, "cartes"), deleted);   // left for a later run
}

TEST(Startup, AnUnwritableSettingsFileIsReportedAndStartUpGoesOn)
{
    TestWindow t;
    // A folder where the settings file should be: it can be neither created nor written.
    QDir().mkpath(t.settingsFile());
    t.start();
    ASSERT_FALSE(t.desktop.calls.empty());
    EXPECT_EQ(t.desktop.calls.front().kind, QStringLiteral("error"));
    EXPECT_EQ(t.desktop.calls.front().text,
              QStringLiteral("Echec à la création de la clé ") + t.settingsFile());
    EXPECT_TRUE(t.find<CheckBox>(QStringLiteral("PleinEcran"))->isChecked());
    EXPECT_TRUE(QFileInfo(t.programFolder() + QStringLiteral("Mes cartes")).isDir());
    EXPECT_EQ(t.context().selection().sheetNumber, QStringLiteral("1"));
}

TEST(Startup, AnUnwritableSettingsFileIsReportedOncePerOption)
{
    TestWindow t;
    QDir().mkpath(t.settingsFile());
    t.start();
    int errors = 0;
    for (const auto &call : t.desktop.calls)
        if (call.kind == QStringLiteral("error")) {
            ++errors;
            EXPECT_EQ(call.text, QStringLiteral("Echec à la création de la clé ") + t.settingsFile());
        }
    EXPECT_EQ(errors, 3);
}

// Start-up saves its three options in one go: nothing reaches the file before the batch
// ends, reads see the gathered values, and a save that fails names every gathered write.
TEST(SettingsBatch, GatheredWritesAreSavedTogetherAtTheEnd)
{
    QTemporaryDir dir;
    const QString file = dir.path() + QStringLiteral("/sub/Orvantis.ini");
    SettingsStore store(file);
    ASSERT_TRUE(store.write(QStringLiteral("cartes"), QStringLiteral("/x")));
    store.beginBatch();
    EXPECT_TRUE(store.write(QStringLiteral("connexion"), QStringLiteral("1")));
    EXPECT_TRUE(store.write(QStringLiteral("affichage"), QStringLiteral("0")));
    EXPECT_EQ(store.read(QStringLiteral("affichage")), QStringLiteral("0"));
    EXPECT_EQ(store.read(QStringLiteral("cartes")), QStringLiteral("/x"));
    {
        // The file itself (QSettings objects of one process share what they have not saved).
        QFile onDisk(file);
        ASSERT_TRUE(onDisk.open(QIODevice::ReadOnly));
        EXPECT_FALSE(onDisk.readAll().contains("connexion"));
    }
    EXPECT_TRUE(store.endBatch().isEmpty());
    QSettings saved(file, QSettings::IniFormat);
    EXPECT_EQ(saved.value(QStringLiteral("connexion")).toString(), QStringLiteral("1"));
    EXPECT_EQ(saved.value(QStringLiteral("affichage")).toString(), QStringLiteral("0"));
    EXPECT_EQ(saved.value(QStringLiteral("cartes")).toString(), QStringLiteral("/x"));
    // After the batch a write is saved at once again.
    EXPECT_TRUE(store.write(QStringLiteral("deconnexion"), QStringLiteral("0")));
    EXPECT_EQ(QSettings(file, QSettings::IniFormat).value(QStringLiteral("deconnexion")).toString(),
              QStringLiteral("0"));

    // A folder where the file should be: each write of the batch is a failure, said either
    // at once or by the end of the batch.
    const QString blocked = dir.path() + QStringLiteral("/blocked.ini");
    QDir().mkpath(blocked);
    SettingsStore unwritable(blocked);
    unwritable.beginBatch();
    QStringList failed;
    for (const char *name : {"connexion", "deconnexion"})
        if (!unwritable.write(QLatin1String(name), QStringLiteral("1")))
            failed << QLatin1String(name);
    failed << unwritable.endBatch();
    EXPECT_EQ(failed, QStringList({QStringLiteral("connexion"), QStringLiteral("deconnexion")}));
}

TEST(Window, PagesControlsAndSize)
{
    TestWindow t;
    t.start();
    EXPECT_EQ(t.window->size(), QSize(696, 500));
    EXPECT_EQ(t.window->windowTitle(), QStringLiteral("Orvantis"));
    auto *pages = t.find<QTabWidget>(QStringLiteral("spSkinPageControl1"));
    const std::tuple<const char *, const char *> expected[] = {
        {"spSkinTabSheet1", "Recherche"},   {"spSkinTabSheet8", "Villes"},
        {"spSkinTabSheet3", "Cartes de Cassini"}, {"spSkinTabSheet5", "Autres cartes"},
        {"spSkinTabSheet4", "Téléchargement"}, {"spSkinTabSheet6", "Impression"},
        {"spSkinTabSheet7", "Impression poster"}, {"spSkinTabSheet9", "Préférences"},
        {"spSkinTabSheet2", "A Propos"},
    };
    ASSERT_EQ(pages->count(), 9);
    for (int i = 0; i < 9; ++i) {
        EXPECT_EQ(t.window->page(i)->objectName(), QLatin1String(std::get<0>(expected[i])));
        EXPECT_EQ(pages->tabText(i), QString::fromUtf8(std::get<1>(expected[i])));
    }
    EXPECT_EQ(pages->currentIndex(), 0);
    EXPECT_FALSE(t.window->menuBar()->isVisible());
    // The views' menu bar is part of the window, also where the desktop has a menu of its own.
    EXPECT_FALSE(t.window->menuBar()->isNativeMenuBar());
    for (const char *name : {"spSkinStatusPanel1", "spSkinSpinEdit1", "spSkinEdit5", "spSkinGauge1", "Image1",
                             "SpeedButton182", "Shape2", "Shape19", "Shape18", "Shape6", "spSkinGauge4",
                             "spSkinGauge5", "spSkinButton13", "spSkinButton16", "spSkinButton2",
                             "spSkinButton4", "spSkinButton6", "spSkinButton35", "spSkinButton3",
                             "spSkinButton54", "spSkinCheckRadioBox1", "spSkinCheckRadioBox2"})
        EXPECT_NO_THROW(t.find(QLatin1String(name))) << name;
    EXPECT_EQ(t.find<QLabel>(QStringLiteral("spSkinStatusPanel1"))->text(), QStringLiteral("Carte de Cassini : "));
}

// The program shows its window before making the pages that are not on screen: the home page
// and the status bar are there for the first paint, the other pages follow on their own, and
// a page asked for earlier is made at once.
const char *const kPageNames[] = {"spSkinTabSheet1", "spSkinTabSheet8", "spSkinTabSheet3",
                                  "spSkinTabSheet5", "spSkinTabSheet4", "spSkinTabSheet6",
                                  "spSkinTabSheet7", "spSkinTabSheet9", "spSkinTabSheet2"};

void expectEveryPage(const TestWindow &t)
{
    for (int i = 0; i < 9; ++i) {
        ASSERT_NE(t.window->page(i), nullptr) << i;
        EXPECT_EQ(t.window->page(i)->objectName(), QLatin1String(kPageNames[i]));
    }
}

TEST(Window, PagesAfterTheFirstPaintFollowOnTheirOwn)
{
    TestWindow t;
    t.start(MainWindow::PageBuilding::AfterFirstPaint);
    EXPECT_EQ(t.window->pageControl()->count(), 9);
    ASSERT_NE(t.window->page(0), nullptr);
    EXPECT_EQ(t.window->pageControl()->currentIndex(), 0);
    EXPECT_EQ(t.find<QLineEdit>(QStringLiteral("spSkinEdit5"))->text(), QStringLiteral("Carte 1 : Paris"));
    EXPECT_FALSE(t.window->pagesBuilt());

    QSignalSpy ready(t.window.get(), &MainWindow::pagesReady);
    t.window->show();
    ASSERT_TRUE(ready.count() == 1 || ready.wait(60000));
    expectEveryPage(t);
    EXPECT_EQ(t.window->pageControl()->currentIndex(), 0);
    // The Cassini page shows the first sheet as selected, as when it is made at once.
    EXPECT_EQ(t.find<NumberButton>(QStringLiteral("SpeedButton1"))->numberColour(), QColor(255, 0, 0));
    EXPECT_EQ(t.find<QGroupBox>(QStringLiteral("spSkinGroupBox5"))->title(), QStringLiteral("Carte 1 sélectionnée"));
    EXPECT_EQ(t.context().selection().editionFolder, QStringLiteral("Cassini couleurs"));
    // Wired as at once: a page's button reaches another page.
    t.click(QStringLiteral("spSkinButton35"));
    EXPECT_EQ(t.window->pageControl()->currentIndex(), 5);
}

TEST(Window, APageAskedForBeforeTheFirstPaintIsMadeAtOnce)
{
    for (const bool byTab : {false, true}) {
        TestWindow t;
        t.start(MainWindow::PageBuilding::AfterFirstPaint);
        QSignalSpy ready(t.window.get(), &MainWindow::pagesReady);
        if (byTab)
            t.window->pageControl()->setCurrentIndex(4);
        else
            t.window->showPage(4);
        EXPECT_EQ(ready.count(), 1) << byTab;
        expectEveryPage(t);
        EXPECT_EQ(t.window->page(t.window->pageControl()->currentIndex()), t.window->page(4)) << byTab;
        EXPECT_TRUE(t.window->page(4)->isVisibleTo(t.window.get())) << byTab;
        // Made once: showing the window later makes nothing again.
        t.window->show();
        QCoreApplication::processEvents();
        EXPECT_EQ(ready.count(), 1) << byTab;
    }
}

} // namespace
