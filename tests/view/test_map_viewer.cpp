// The map views in the real window, offscreen: opening and closing, what the cells show,
// panning, the "Affichage impossible" panel, the menu and the magnifier.
#include "app/PreferencesPage.h"
#include "widgets/StatusBar.h"
#include "widgets/SpinEdit.h"
#include "store/TileStore.h"
#include "support/TestWindow.h"
#include "view/Magnifier.h"
#include "view/MapViewer.h"
#include "render/Mosaic.h"
#include "view/MosaicPanel.h"
#include "view/ViewGeometry.h"
#include "widgets/CheckBox.h"

#include <QAction>
#include <QApplication>
#include <QBuffer>
#include <QFile>
#include <QFileInfo>
#include <sys/stat.h>
#include <QGroupBox>
#include <QMenuBar>
#include <QMouseEvent>
#include <QProgressBar>
#include <QScrollArea>
#include <QScrollBar>
#include <QSlider>
#include <QTabWidget>
#include <gtest/gtest.h>

using namespace testing_support;
using view::TileCell;

namespace {

struct ViewerWindow : TestWindow {
    explicit ViewerWindow(bool fullScreen = false)
        : TestWindow({{QStringLiteral("affichage"), fullScreen ? QStringLiteral("1") : QStringLiteral("0")}})
    {
        start();
        window->show();
    }
    view::MapViewer &viewer() { return *window->mapViewer(); }
    QString mapFolder() { return context().selectedMapFolder(); }
    QString tile(int walkIndex) { return mapFolder() + u'/' + store::walkFileName(walkIndex); }
    bool exists(int walkIndex) { return QFileInfo::exists(tile(walkIndex)); }
    void writeAll(int width, int height)
    {
        const QByteArray bytes = jpegBytes(width, height);
        for (int i = 0; i < store::kTileCount; ++i)
            writeFile(tile(i), bytes);
        context().refreshSelectionStatus();
    }
    void trigger(const QString &action) { find<QAction>(action)->trigger(); }
    TileCell *cell(const QString &name) { return find<TileCell>(name); }
    QWidget *panel() { return find(QStringLiteral("PanelCarte")); }
    QScrollArea *scrollBox() { return find<QScrollArea>(QStringLiteral("ScrollBox1")); }
    QPoint scroll()
    {
        return {scrollBox()->horizontalScrollBar()->value(), scrollBox()->verticalScrollBar()->value()};
    }
    void paintVisible()
    {
        QApplication::processEvents();   // the window is exposed, the scroll area laid out
        scrollBox()->viewport()->repaint();
    }
    bool pagesShown() { return find(QStringLiteral("spSkinPageControl1"))->isVisible(); }
    bool menuShown() { return find(QStringLiteral("spSkinMainMenuBar1"))->isVisible(); }
};

void sendMouse(QWidget *target, QEvent::Type type, QPoint local, Qt::MouseButton button = Qt::LeftButton)
{
    const Qt::MouseButtons buttons = type == QEvent::MouseButtonRelease || type == QEvent::MouseMove
                                         ? Qt::MouseButtons() : Qt::MouseButtons(button);
    QMouseEvent event(type, QPointF(local), QPointF(target->mapToGlobal(local)),
                      type == QEvent::MouseMove ? Qt::NoButton : button, buttons, Qt::NoModifier);
    QApplication::sendEvent(target, &event);
}

// A picture of one colour (makePicture draws a sheet of paper around its colour).
QImage solid(int width, int height, QColor colour)
{
    QImage picture(width, height, QImage::Format_RGB32);
    picture.fill(colour);
    return picture;
}

void sendWheel(QWidget *target, int delta)
{
    const QPoint local(10, 10);
    QWheelEvent event(QPointF(local), QPointF(target->mapToGlobal(local)), QPoint(), QPoint(0, delta),
                      Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(target, &event);
}

} // namespace

TEST(MapViewer, OpensAndClosesFromTwoPages)
{
    ViewerWindow w;
    w.writeAll(16, 12);
    w.window->showPage(2);   // "Cartes de Cassini"
    w.click(QStringLiteral("spSkinButton16"));

    EXPECT_FALSE(w.pagesShown());
    EXPECT_TRUE(w.menuShown());
    EXPECT_EQ(w.window->windowTitle(), QStringLiteral("Carte de Cassini n° 1 - Bnf/Gallica"));
    EXPECT_EQ(w.viewer().viewKind(), 0);
    // Rows of (500 - 44) div 26 = 17 pixels, columns of 17 x 16 div 12 = 22.
    EXPECT_EQ(w.panel()->geometry(), QRect(63, 22, 26 * 22 + 2, 444));
    EXPECT_EQ(w.cell(QStringLiteral("ImageA1"))->geometry(), QRect(1, 1, 22, 17));
    EXPECT_EQ(w.cell(QStringLiteral("ImageA676"))->geometry(), QRect(1 + 25 * 22, 1 + 25 * 17, 22, 17));
    EXPECT_EQ(w.find(QStringLiteral("ZoneClic"))->cursor().shape(), Qt::WhatsThisCursor);
    const auto *gauge = w.find<QProgressBar>(QStringLiteral("spSkinGauge1"));
    EXPECT_EQ(gauge->maximum(), 1359);
    EXPECT_EQ(gauge->value(), 0);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);

    w.trigger(QStringLiteral("Fermer1"));
    EXPECT_TRUE(w.pagesShown());
    EXPECT_FALSE(w.menuShown());
    EXPECT_FALSE(w.panel()->isVisible());
    EXPECT_EQ(w.window->pageControl()->currentIndex(), 2);
    EXPECT_EQ(w.window->windowTitle(), QStringLiteral("Sélection d'une carte de Cassini"));

    // From "Villes", by the button of the status bar's sheet name: the detail.
    w.window->showPage(1);
    w.click(QStringLiteral("spSkinEdit5Button"));
    EXPECT_EQ(w.viewer().viewKind(), 1);
    EXPECT_TRUE(w.scrollBox()->isVisible());
    EXPECT_EQ(w.scrollBox()->geometry(), QRect(0, 22, 696, 456));
    EXPECT_EQ(w.cell(QStringLiteral("ImageC27"))->geometry(), QRect(1, 13, 16, 12));
    EXPECT_EQ(gauge->maximum(), 1362);
    EXPECT_FALSE(w.find<QAction>(QStringLiteral("Afficher1"))->isEnabled());   // not full screen
    w.trigger(QStringLiteral("Quitter1"));
    EXPECT_TRUE(w.pagesShown());
    EXPECT_EQ(w.window->pageControl()->currentIndex(), 1);
    EXPECT_EQ(w.context().currentPageNumber(), 2);
    EXPECT_TRUE(w.window->isVisible());   // "Quitter" of the view does not end the program
}

TEST(MapViewer, ShowsPresentTilesAndDeletesBrokenOnes)
{
    ViewerWindow w;
    writeFile(w.tile(0), jpegBytes(makePicture(32, 24, Qt::red)));
    writeFile(w.tile(1), QByteArray());                          // empty
    writeFile(w.tile(2), QByteArray("not a picture"));           // corrupt
    writeFile(w.tile(40), jpegBytes(makePicture(40, 30, Qt::blue)));   // last readable
    writeFile(w.tile(675), QByteArray("not a picture either"));
    w.context().refreshSelectionStatus();
    w.viewer().showPreview();

    EXPECT_EQ(w.viewer().cellSize(), QSize(40, 30));
    for (int i : {1, 2, 675})
        EXPECT_FALSE(w.exists(i)) << i;
    EXPECT_TRUE(w.exists(0));
    EXPECT_TRUE(w.cell(QStringLiteral("ImageA1"))->hasPicture());
    EXPECT_TRUE(w.cell(QStringLiteral("ImageA41"))->hasPicture());
    for (const char *empty : {"ImageA2", "ImageA3", "ImageA4", "ImageA676"})
        EXPECT_FALSE(w.cell(QString::fromLatin1(empty))->hasPicture()) << empty;

    // The capture of the preview is the whole panel with its black border; a missing
    // tile is black, a present one shows.
    const QImage capture = w.viewer().captureView();
    ASSERT_EQ(capture.size(), w.panel()->size());
    EXPECT_EQ(capture.pixel(0, 0), qRgb(0, 0, 0));
    const QSize cell = w.cell(QStringLiteral("ImageA1"))->size();
    EXPECT_GT(qRed(capture.pixel(1 + cell.width() / 2, 1 + cell.height() / 2)), 150);
    EXPECT_EQ(capture.pixel(1 + cell.width() * 3 / 2, 1 + cell.height() / 2), qRgb(0, 0, 0));
}

TEST(MapViewer, DetailDecodesWhatIsSeenAndPans)
{
    ViewerWindow w;
    w.writeAll(100, 100);
    w.viewer().showDetail();   // before any double-click: the top-left corner
    EXPECT_EQ(w.scroll(), QPoint(0, 0));
    w.paintVisible();
    EXPECT_TRUE(w.cell(QStringLiteral("ImageC1"))->hasPicture());
    EXPECT_FALSE(w.cell(QStringLiteral("ImageC676"))->hasPicture());
    EXPECT_LT(w.viewer().mosaic()->cachedCount(), 60);

    // Back to the preview; a double-click in its middle opens the detail there.
    w.trigger(QStringLiteral("Aperu1"));
    ASSERT_EQ(w.panel()->size(), QSize(444, 444));
    QWidget *zone = w.find(QStringLiteral("ZoneClic"));
    sendWheel(zone, -120);   // the wheel does nothing in the preview
    sendMouse(zone, QEvent::MouseButtonPress, {222, 222});   // nor does a drag
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    sendMouse(zone, QEvent::MouseButtonRelease, {222, 222});
    sendMouse(zone, QEvent::MouseButtonDblClick, {222, 222});
    sendMouse(w.find(QStringLiteral("ZoneClic")), QEvent::MouseButtonRelease, {222, 222});
    ASSERT_EQ(w.viewer().viewKind(), 1);
    EXPECT_EQ(w.viewer().detailCentre(), QPoint(1301, 1301));
    const QSize viewport = w.scrollBox()->viewport()->size();
    const QPoint centred = view::geometry::centredScroll({1301, 1301}, viewport, {2602, 2602});
    EXPECT_EQ(w.scroll(), centred);
    w.paintVisible();
    EXPECT_FALSE(w.cell(QStringLiteral("ImageC1"))->hasPicture());
    EXPECT_TRUE(w.cell(QStringLiteral("ImageC352"))->hasPicture());   // row 14, column 14

    // The next detail from the menu opens on the same point.
    w.trigger(QStringLiteral("Dtail1"));
    EXPECT_EQ(w.scroll(), centred);

    // Wheel: 20 pixels a step, vertical only.
    zone = w.find(QStringLiteral("ZoneClic"));
    sendWheel(zone, -120);
    EXPECT_EQ(w.scroll(), centred + QPoint(0, 20));
    sendWheel(zone, 240);
    EXPECT_EQ(w.scroll(), centred + QPoint(0, -20));

    // Dragging with any button moves the map with the pointer, from the anchor.
    const QPoint start = w.scroll();
    sendMouse(zone, QEvent::MouseButtonPress, {300, 300}, Qt::RightButton);
    EXPECT_NE(QApplication::overrideCursor(), nullptr);
    sendMouse(zone, QEvent::MouseMove, {270, 290});
    EXPECT_EQ(w.scroll(), start + QPoint(30, 10));
    sendMouse(zone, QEvent::MouseMove, {300 + 5000, 300 + 5000});
    EXPECT_EQ(w.scroll(), QPoint(0, 0));   // stops at the edge
    sendMouse(zone, QEvent::MouseButtonRelease, {300, 300}, Qt::RightButton);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    sendMouse(zone, QEvent::MouseMove, {0, 0});
    EXPECT_EQ(w.scroll(), QPoint(0, 0));   // no button: no drag

    // Far tiles are released while panning.
    w.paintVisible();
    EXPECT_TRUE(w.cell(QStringLiteral("ImageC1"))->hasPicture());
    EXPECT_FALSE(w.cell(QStringLiteral("ImageC352"))->hasPicture());
}

TEST(MapViewer, AffichageImpossible)
{
    ViewerWindow w;
    w.window->showPage(2);
    auto *message = w.find<QGroupBox>(QStringLiteral("MessageAbsent"));
    EXPECT_EQ(message->title(), QStringLiteral("Affichage impossible"));

    // A sheet without tiles: the panel over the pages, nothing else changes.
    w.viewer().showPreview();
    EXPECT_TRUE(message->isVisible());
    EXPECT_EQ(message->geometry(), QRect(227, 177, 241, 145));
    EXPECT_TRUE(w.pagesShown());
    EXPECT_FALSE(w.menuShown());
    w.click(QStringLiteral("spSkinButton18"));
    EXPECT_FALSE(message->isVisible());
    EXPECT_TRUE(w.pagesShown());
    EXPECT_EQ(w.window->pageControl()->currentIndex(), 2);

    // A folder whose only tile is unreadable: the view opens, the file goes, the panel says so.
    for (bool detail : {false, true}) {
        writeFile(w.tile(5), QByteArray("broken"));
        w.context().refreshSelectionStatus();
        detail ? w.viewer().showDetail() : w.viewer().showPreview();
        EXPECT_FALSE(w.exists(5));
        EXPECT_TRUE(message->isVisible());
        EXPECT_TRUE(w.menuShown());
        EXPECT_FALSE(w.pagesShown());
        EXPECT_FALSE(w.viewer().mosaic()->tilesFound());
        EXPECT_EQ(w.find<QProgressBar>(QStringLiteral("spSkinGauge1"))->value(), 0);
        w.click(QStringLiteral("spSkinButton18"));
        EXPECT_FALSE(message->isVisible());
        EXPECT_TRUE(w.pagesShown());
        EXPECT_FALSE(w.menuShown());
        EXPECT_EQ(w.window->pageControl()->currentIndex(), 2);
    }
}

TEST(MapViewer, FullScreenMenuSwitchesAndMagnifier)
{
    ViewerWindow w(true);
    w.writeAll(100, 100);
    auto *magnifier = w.find<view::Magnifier>(QStringLiteral("BoxLoupe"));
    auto *afficher = w.find<QAction>(QStringLiteral("Afficher1"));

    w.viewer().showDetail();
    EXPECT_TRUE(w.window->isMaximized());
    EXPECT_TRUE(afficher->isEnabled());
    EXPECT_EQ(w.find<QSlider>(QStringLiteral("spSkinTrackBar2"))->value(), 150);
    afficher->trigger();
    EXPECT_TRUE(magnifier->isVisible());
    EXPECT_EQ(magnifier->geometry(),
              QRect(w.scrollBox()->viewport()->width() - 321, 1, 321, 365));

    // Moving over the map copies the square under the pointer, kept inside the window.
    QWidget *zone = w.find(QStringLiteral("ZoneClic"));
    const QPoint inWindow(400, 300);
    sendMouse(zone, QEvent::MouseMove, zone->mapFrom(w.window.get(), inWindow));
    EXPECT_EQ(magnifier->lastSquare(), QRect(325, 225, 150, 150));
    sendMouse(zone, QEvent::MouseMove, zone->mapFrom(w.window.get(), QPoint(3, 40)));
    EXPECT_EQ(magnifier->lastSquare(), QRect(0, 0, 150, 150));
    w.find<QSlider>(QStringLiteral("spSkinTrackBar2"))->setValue(250);
    sendMouse(zone, QEvent::MouseMove, zone->mapFrom(w.window.get(), inWindow));
    EXPECT_EQ(magnifier->lastSquare(), QRect(275, 175, 250, 250));
    EXPECT_EQ(magnifier->scratch().size(), QSize(250, 250));

    // Another detail keeps the magnifier; the preview hides it and disables its entry.
    w.trigger(QStringLiteral("Dtail1"));
    EXPECT_TRUE(magnifier->isVisible());
    w.trigger(QStringLiteral("Aperu1"));
    EXPECT_FALSE(magnifier->isVisible());
    EXPECT_FALSE(afficher->isEnabled());
    EXPECT_FALSE(magnifier->scratch().isNull());   // hidden, not cleared

    // Closing the view clears it and gives the window its fixed size back.
    w.trigger(QStringLiteral("Fermer1"));
    EXPECT_FALSE(w.window->isMaximized());
    EXPECT_EQ(w.window->minimumSize(), QSize(696, 500));
    EXPECT_EQ(w.window->maximumSize(), QSize(696, 500));
    EXPECT_TRUE(magnifier->scratch().isNull());
}

TEST(MapViewer, ArchiveMapsAndTheSignalsToPrinting)
{
    ViewerWindow w;
    // Archive entry 12, sheet index 7: folder suffix \F007.
    w.context().select(SheetId::archive(12, 7));
    const SelectionState &s = w.context().selection();
    writeTiles(w.context().selectedMapFolder(), firstTiles(3));
    w.context().refreshSelectionStatus();
    ASSERT_EQ(s.installationState, ArchiveWithTiles);
    // Another sheet of the map selected, installed too: the view takes the sheet index
    // from the field.
    writeTiles(store::mapFolder(w.context().mapsRoot(), SheetId::archive(12, 999)),
               firstTiles(3));
    w.context().select(SheetId::archive(12, 999));
    ASSERT_EQ(s.installationState, ArchiveWithTiles);
    w.find<SpinEdit>(QStringLiteral("spSkinSpinEdit2"))->setValue(7);   // no row highlighted: only the field

    int discarded = 0, printed = 0;
    QObject::connect(&w.viewer(), &view::MapViewer::printCompositionDiscarded, [&] { ++discarded; });
    w.viewer().showDetail();
    EXPECT_EQ(s.folderSuffix, QStringLiteral("\\F007"));
    EXPECT_EQ(w.window->windowTitle(), QStringLiteral("Carte n° 12\\F007 - Archives Bnf/Gallica"));
    EXPECT_TRUE(w.scrollBox()->isVisible());
    EXPECT_EQ(discarded, 0);   // only a Cassini detail discards the print composition
    EXPECT_TRUE(w.find<QAction>(QStringLiteral("Imprimer1"))->isEnabled());

    // The status bar stays at the bottom of the window under the menu bar.
    QApplication::processEvents();
    EXPECT_EQ(w.find(QStringLiteral("spSkinStatusBar1"))->mapTo(w.window.get(), QPoint(0, 0)), QPoint(0, 479));

    // A Cassini detail discards it; "Imprimer" asks printing for the view.
    w.trigger(QStringLiteral("Fermer1"));
    w.window->statusBarWidget()->setSheetNumber(1);
    w.writeAll(16, 12);
    ASSERT_EQ(s.installationState, CassiniWithTiles);
    QObject::connect(&w.viewer(), &view::MapViewer::printViewRequested, [&] { ++printed; });
    w.viewer().showDetail();
    EXPECT_EQ(discarded, 1);
    EXPECT_EQ(w.window->windowTitle(), QStringLiteral("Carte de Cassini n° 1 - Bnf/Gallica"));
    w.trigger(QStringLiteral("Imprimer1"));
    EXPECT_EQ(printed, 1);
    EXPECT_EQ(w.viewer().captureView().size(), w.scrollBox()->viewport()->size());
}

TEST(MapViewer, TileThatCannotBeOpenedIsReported)
{
    ViewerWindow w;
    writeTiles(w.mapFolder(), firstTiles(3));
    ASSERT_EQ(::mkfifo(QFile::encodeName(w.tile(3)).constData(), 0600), 0);
    w.context().refreshSelectionStatus();
    w.viewer().showPreview();
    const auto *error = w.desktop.last(QStringLiteral("error"));
    ASSERT_NE(error, nullptr);
    EXPECT_EQ(error->text, QStringLiteral("Impossible d'ouvrir le fichier ") + w.tile(3));
    EXPECT_TRUE(w.exists(3));
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    w.trigger(QStringLiteral("Fermer1"));
    EXPECT_TRUE(w.pagesShown());
}

namespace {

// The warnings of one logging category while it lives.
class CategoryWarnings {
public:
    explicit CategoryWarnings(const char *category) : m_category(category)
    {
        s_current = this;
        m_previous = qInstallMessageHandler(&CategoryWarnings::handle);
    }
    ~CategoryWarnings()
    {
        qInstallMessageHandler(m_previous);
        s_current = nullptr;
    }
    QStringList lines;

private:
    static void handle(QtMsgType type, const QMessageLogContext &context, const QString &text)
    {
        if (s_current && type == QtWarningMsg && context.category
            && qstrcmp(context.category, s_current->m_category) == 0)
            s_current->lines << text;
    }
    static inline CategoryWarnings *s_current = nullptr;
    const char *m_category;
    QtMessageHandler m_previous = nullptr;
};

QStringList messagesTold(const ScriptedDesktop &desktop)
{
    QStringList texts;
    for (const auto &call : desktop.calls)
        if (call.kind == QStringLiteral("message"))
            texts << call.text;
    return texts;
}

} // namespace

// Tiles deleted because they cannot be read are named to the user, one message per view,
// and in the render log. A tile whose header reads but whose picture data is damaged goes
// when it is decoded; a file that is no picture at all goes when the tiles are measured.
TEST(MapViewer, TellsWhichUnreadableTilesItDeleted)
{
    const QByteArray good = jpegBytes(makePicture(100, 100, Qt::red));
    const QByteArray damaged = withoutQuantTables(good);

    ViewerWindow w;
    for (int i = 0; i < store::kTileCount; ++i)
        writeFile(w.tile(i), good);
    writeFile(w.tile(1), damaged);                       // seen at once in both views
    writeFile(w.tile(2), QByteArray("not a picture"));   // no header
    w.context().refreshSelectionStatus();

    CategoryWarnings renderLog("orvantis.render");
    w.viewer().showPreview();
    QApplication::processEvents();   // the message comes once the view is built
    EXPECT_FALSE(w.exists(1));
    EXPECT_FALSE(w.exists(2));
    EXPECT_EQ(messagesTold(w.desktop),
              QStringList{QStringLiteral("Fichiers illisibles supprimés :\n") + w.tile(2) + u'\n' + w.tile(1)});
    ASSERT_EQ(renderLog.lines.size(), 2);
    EXPECT_TRUE(renderLog.lines[0].contains(w.tile(2))) << renderLog.lines[0].toStdString();
    EXPECT_TRUE(renderLog.lines[1].contains(w.tile(1))) << renderLog.lines[1].toStdString();

    // The detail: a damaged tile far from the opening place is found when it comes into
    // view, and named when the view closes; nothing already told is told again.
    writeFile(w.tile(1), damaged);
    writeFile(w.tile(store::kTileCount - 1), damaged);
    w.context().refreshSelectionStatus();
    w.desktop.calls.clear();
    w.viewer().showDetail();
    w.paintVisible();
    QApplication::processEvents();
    EXPECT_EQ(messagesTold(w.desktop), QStringList{QStringLiteral("Fichiers illisibles supprimés :\n") + w.tile(1)});
    EXPECT_TRUE(w.exists(store::kTileCount - 1));   // not seen yet

    w.scrollBox()->horizontalScrollBar()->setValue(w.scrollBox()->horizontalScrollBar()->maximum());
    w.scrollBox()->verticalScrollBar()->setValue(w.scrollBox()->verticalScrollBar()->maximum());
    w.paintVisible();
    EXPECT_FALSE(w.exists(store::kTileCount - 1));
    QApplication::processEvents();
    EXPECT_EQ(messagesTold(w.desktop).size(), 1);   // not while the user pans
    w.trigger(QStringLiteral("Fermer1"));
    QApplication::processEvents();
    EXPECT_EQ(messagesTold(w.desktop),
              QStringList({QStringLiteral("Fichiers illisibles supprimés :\n") + w.tile(1),
                           QStringLiteral("Fichiers illisibles supprimés :\n") + w.tile(store::kTileCount - 1)}));

    // A view that deletes nothing says nothing.
    w.desktop.calls.clear();
    w.viewer().showPreview();
    QApplication::processEvents();
    w.trigger(QStringLiteral("Fermer1"));
    QApplication::processEvents();
    EXPECT_TRUE(messagesTold(w.desktop).isEmpty());

    // A picture of another kind under a tile's name is kept aside, and the user told where.
    QByteArray png;
    {
        QBuffer buffer(&png);
        buffer.open(QIODevice::WriteOnly);
        ASSERT_TRUE(makePicture(100, 100, Qt::red).save(&buffer, "PNG"));
    }
    writeFile(w.tile(3), png);
    w.context().refreshSelectionStatus();
    w.viewer().showPreview();
    QApplication::processEvents();
    w.trigger(QStringLiteral("Fermer1"));
    QApplication::processEvents();
    EXPECT_FALSE(w.exists(3));
    EXPECT_TRUE(QFileInfo::exists(w.tile(3) + QStringLiteral(".png")));
    EXPECT_EQ(messagesTold(w.desktop),
              QStringList{QStringLiteral("Images d'un autre format que JPEG, renommées et conservées :\n") + w.tile(3)
                          + QStringLiteral(".png")});
}

// A map of 250 x 170 pixels cut into tiles of 100 x 100 from its top-left corner ends with
// a column 50 wide and a row 70 high: the preview keeps those proportions, its last cells
// filled with their tiles, and the detail shows the map at its own size.
TEST(MapViewer, NarrowerLastColumnAndRowKeepTheirProportions)
{
    ViewerWindow w;
    const int position = w.context().addedMaps().addArchiveMap(
        QStringLiteral("Carte étroite"),
        {{QStringLiteral("https://127.0.0.1/iiif/narrow"), QSize(250, 170), QSize(3, 2)}});
    w.context().select(SheetId::archive(position, 1));
    const SelectionState &s = w.context().selection();
    w.find<SpinEdit>(QStringLiteral("spSkinSpinEdit2"))->setValue(1);
    ASSERT_EQ(w.context().selectedTileGrid(), QSize(3, 2));
    const QColor colour(30, 160, 60);
    for (int row = 0; row < 2; ++row)
        for (int column = 0; column < 3; ++column)
            writeFile(store::tilePath(w.mapFolder(), column, row),
                      jpegBytes(solid(column == 2 ? 50 : 100, row == 1 ? 70 : 100, colour)));
    w.context().refreshSelectionStatus();
    ASSERT_EQ(s.installationState, ArchiveWithTiles);

    for (int pass = 0; pass < 2; ++pass) {   // built from the tiles, then from the kept preview
        SCOPED_TRACE(pass);
        w.viewer().showPreview();
        const QSize cell = w.cell(QStringLiteral("ImageA1"))->size();
        EXPECT_EQ(w.cell(QStringLiteral("ImageA3"))->size(), QSize(qRound(cell.width() * 0.5), cell.height()));
        EXPECT_EQ(w.cell(QStringLiteral("ImageA29"))->size(), QSize(qRound(cell.width() * 0.5), qRound(cell.height() * 0.7)));
        const QSize inside = w.panel()->size() - QSize(2, 2);
        EXPECT_NEAR(double(inside.width()) / inside.height(), 250.0 / 170, 0.03);
        // Filled to its edges: no black band where a stretched or cut tile would leave one.
        const QImage capture = w.viewer().captureView();
        ASSERT_EQ(capture.size(), w.panel()->size());
        for (const QPoint at : {QPoint(inside.width() - 1, 1), QPoint(inside.width(), inside.height()),
                                QPoint(1, inside.height())})
            EXPECT_GT(qGreen(capture.pixel(at)), 120) << at.x() << "," << at.y();
        w.trigger(QStringLiteral("Fermer1"));
    }
    w.viewer().showDetail();
    EXPECT_EQ(w.panel()->size(), QSize(252, 172));
}

// In the detail a tile larger than its cell shows at its own size where the cells it
// reaches have no tile of their own; a tile drawn there covers it.
TEST(MapViewer, DetailShowsATileLargerThanItsCellAtItsOwnSize)
{
    ViewerWindow w;
    const QColor blue(30, 40, 210), green(40, 200, 60);
    const QByteArray small = jpegBytes(solid(16, 12, blue));
    for (int i = 0; i < store::kTileCount; ++i)
        if (i != 1)   // BA missing
            writeFile(w.tile(i), small);
    writeFile(w.tile(0), jpegBytes(solid(40, 30, green)));   // AA: 40 x 30 in a 16 x 12 cell
    w.context().refreshSelectionStatus();
    w.viewer().showDetail();
    ASSERT_EQ(w.viewer().cellSize(), QSize(16, 12));
    w.paintVisible();
    const QImage capture = w.viewer().captureView();
    auto colourAt = [&](int x, int y) { return QColor(capture.pixel(1 + x, 1 + y)); };
    const struct { QPoint at; QColor expected; } points[] = {
        {{8, 6}, green},     // its own cell
        {{24, 6}, green},    // BA: no tile there, the large one shows
        {{30, 11}, green},   // BA's far corner
        {{36, 6}, blue},     // CA has its own tile, drawn over it
        {{8, 18}, blue},     // AB has its own tile
    };
    for (const auto &p : points) {
        const QColor c = colourAt(p.at.x(), p.at.y());
        EXPECT_LT(std::abs(c.green() - p.expected.green()) + std::abs(c.blue() - p.expected.blue()), 60)
            << p.at.x() << "," << p.at.y() << " " << c.name().toStdString();
    }
}
