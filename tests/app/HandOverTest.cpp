// The pages hand the selected map to each other: the archive page to the download page, the
// views and printing, and an open view to the one-page print.
#include "catalogue/ArchivePage.h"
#include "print/PrintPanel.h"
#include "store/TileStore.h"
#include "support/TestWindow.h"
#include "view/MapViewer.h"
#include "widgets/SpinEdit.h"

#include <QAction>
#include <QLineEdit>
#include <QListWidget>
#include <QTabWidget>
#include <gtest/gtest.h>

using namespace testing_support;

namespace {

class HandOver : public ::testing::Test {
protected:
    void SetUp() override
    {
        t.start();
        t.window->show();
        t.window->showPage(3);
        // Highlighting the row of position 12 selects its map.
        t.find<QListWidget>(QStringLiteral("spSkinCheckListBox1"))->setCurrentRow(11);
        t.find<SpinEdit>(QStringLiteral("spSkinSpinEdit2"))->setValue(7);
    }
    QString archiveFolder() const { return t.programFolder() + QStringLiteral("Archives Bnf/Carte12/F007"); }
    int currentIndex() const { return t.window->pageControl()->currentIndex(); }
    TestWindow t;
};

TEST_F(HandOver, ArchiveDownloadBringsTheDownloadPageForTheMap)
{
    t.click(QStringLiteral("spSkinButton23"));
    EXPECT_EQ(currentIndex(), 4);
    EXPECT_EQ(t.context().selection().documentNumber, QStringLiteral("10012"));
    EXPECT_EQ(t.window->windowTitle(), QStringLiteral("Téléchargement de la Carte n° 12\\F007 ( Archives Bnf )"));
}

TEST_F(HandOver, ArchivePrintOpensThePrintPage)
{
    t.click(QStringLiteral("spSkinButton7"));
    EXPECT_EQ(currentIndex(), 5);
    EXPECT_EQ(t.window->windowTitle(), QStringLiteral("Choix d'une zone à imprimer - Carte n° 12\\F007 ( Archives Bnf )"));
}

TEST_F(HandOver, ArchivePreviewOpensTheViewAndItsImprimerPrintsTheCapture)
{
    writeTiles(archiveFolder(), firstTiles(676), 16, 12);
    t.click(QStringLiteral("spSkinButton24"));
    view::MapViewer *viewer = t.window->mapViewer();
    ASSERT_TRUE(viewer->isOpen());
    EXPECT_TRUE(t.window->pageControl()->isHidden());
    const QString caption = t.window->windowTitle();
    EXPECT_TRUE(caption.contains(QStringLiteral("12\\F007"))) << caption.toStdString();

    t.find<QAction>(QStringLiteral("Imprimer1"))->trigger();
    auto *panel = t.find<PrintPanel>(QStringLiteral("VisuImp"));
    EXPECT_TRUE(panel->isVisible());
    EXPECT_EQ(t.find<QLineEdit>(QStringLiteral("spSkinEdit7"))->text(), caption);
    EXPECT_EQ(panel->printBitmap().size(), viewer->captureView().size());
}

TEST_F(HandOver, ArchiveDetailOfAMapWithoutTilesSaysSo)
{
    t.click(QStringLiteral("spSkinButton25"));
    EXPECT_TRUE(t.find(QStringLiteral("MessageAbsent"))->isVisible());
}

} // namespace
