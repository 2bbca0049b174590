// The map viewer in a window of its own through the view host: it needs no main window of
// the program, only what the host interface gives, and tells the host what a view changes.
#include "session/AppContext.h"
#include "session/SettingsStore.h"
#include "store/TileStore.h"
#include "support/TestFiles.h"
#include "view/MapViewer.h"
#include "view/ViewHost.h"

#include <QMainWindow>
#include <QMenuBar>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace testing_support;

namespace {

// A plain window that records what the viewer asks of it.
class RecordingHost final : public view::ViewHost {
public:
    QMainWindow window;
    QWidget printPanel{&window};
    QStringList calls;
    int cassiniEditionItem = 1;

    RecordingHost()
    {
        window.setCentralWidget(new QWidget);
        window.resize(696, 500);
        printPanel.hide();
    }
    QWidget &viewWindow() override { return window; }
    QMenuBar &viewMenuBar() override { return *window.menuBar(); }
    void showViewBars() override { calls << QStringLiteral("view bars"); }
    void showPages() override { calls << QStringLiteral("pages"); }
    void setCaption(const QString &caption) override { calls << QStringLiteral("caption ") + caption; }
    void maximise() override { calls << QStringLiteral("maximise"); }
    void restore() override { calls << QStringLiteral("restore"); }
    void showSheetNumber(int sheet) override { calls << QStringLiteral("sheet %1").arg(sheet); }
    int cassiniEdition() const override { return cassiniEditionItem; }
    QString archiveSheetIndex() const override { return QStringLiteral("1"); }
    QWidget &floatingPrintPanel() override { return printPanel; }
    void cancelPrintPanel() override { calls << QStringLiteral("cancel print"); }
};

} // namespace

TEST(ViewHost, TheViewerWorksInAnyHostWindow)
{
    QTemporaryDir root, config;
    SettingsStore settings(config.path() + QStringLiteral("/Orvantis.ini"));
    ScriptedDesktop desktop;
    AppContext context(settings, desktop, root.path() + u'/', root.path() + u'/');
    context.setMapsRoot(root.path() + u'/');
    context.select(SheetId::cassini(editions::kColour, 7));
    RecordingHost host;
    view::MapViewer viewer(host, context);
    host.window.show();

    // The black and white edition chosen in the host: the sheet's folder of that edition.
    // The colour edition is selected (a tile of it installed): the view takes the host's choice.
    writeTiles(store::mapFolder(context.mapsRoot(), SheetId::cassini(editions::kBlackAndWhite, 7)),
               firstTiles(store::kTileCount));
    writeTiles(store::mapFolder(context.mapsRoot(), SheetId::cassini(editions::kColour, 7)), firstTiles(1));
    context.refreshSelectionStatus();
    ASSERT_EQ(context.selection().installationState, CassiniWithTiles);
    viewer.showPreview();
    EXPECT_TRUE(viewer.isOpen());
    EXPECT_EQ(context.selection().editionFolder, editions::kBlackAndWhite);
    EXPECT_EQ(host.calls, QStringList({QStringLiteral("sheet 7"), QStringLiteral("view bars"),
                                       QStringLiteral("caption Carte de Cassini n° 7 - Bnf/Gallica")}));
    EXPECT_TRUE(host.window.findChild<QWidget *>(QStringLiteral("PanelCarte"))->isVisible());

    // The full-screen option maximises the host's window for a view and restores it after.
    host.calls.clear();
    context.options().setFullScreenView(true);
    viewer.showDetail();
    EXPECT_TRUE(host.calls.contains(QStringLiteral("maximise")));
    viewer.closeView();
    EXPECT_EQ(host.calls.mid(host.calls.size() - 2), QStringList({QStringLiteral("restore"), QStringLiteral("pages")}));
    EXPECT_FALSE(viewer.isOpen());
    EXPECT_TRUE(desktop.calls.empty());
}
