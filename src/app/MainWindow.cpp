#include "app/MainWindow.h"
#include "app/WindowFit.h"
#include "library/CassiniSheetSearch.h"
#include "app/PrinterSetupDialog.h"
#include "app/AboutPage.h"
#include "app/HomePage.h"
#include "widgets/Keyboard.h"
#include "app/PreferencesPage.h"
#include "session/SettingsStore.h"
#include "widgets/Skin.h"
#include "widgets/StatusBar.h"
#include "platform/Desktop.h"
#include "platform/Paths.h"
#include "catalogue/ArchivePage.h"
#include "catalogue/CassiniCatalogue.h"
#include "catalogue/CassiniPage.h"
#include "download/DownloadPage.h"
#include "finder/TownPage.h"
#include "print/PosterPage.h"
#include "print/PrintPanel.h"
#include "print/PrintZonePage.h"
#include "store/TileStore.h"
#include "store/TileWriter.h"
#include "view/MapViewer.h"
#include "widgets/CheckBox.h"
#include "widgets/SpinEdit.h"
#include "widgets/TextFit.h"

#include <memory>
#include <QApplication>
#include <QThreadPool>
#include <QMenuBar>
#include <QPrintDialog>
#include <QStackedWidget>
#include <QTabBar>
#include <QTabWidget>
#include <QScreen>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>
#include <utility>

namespace {
constexpr int kClientWidth = 696;
constexpr int kClientHeight = 500;
constexpr int kStatusBarHeight = 21;
} // namespace

MainWindow::MainWindow(Desktop &desktop, SettingsStore &settings, const QString &programFolder,
                       const QString &installFolder, PageBuilding building, QWidget *parent)
    : QMainWindow(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint
                              | Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint),
      m_context(settings, desktop, programFolder, installFolder)
{
    m_context.loadSettings();
    setObjectName(QStringLiteral("TForm1"));
    setWindowTitle(QStringLiteral("Orvantis"));
    // The skin's palette and font before the controls are made: made in them at once, no
    // control has to follow a change of either (the start-up sequence does not load it again).
    applySkin();
    auto *client = new QWidget(this);
    client->setObjectName(QStringLiteral("ClientArea"));
    setCentralWidget(client);

    // The views' menu bar (made with the views) belongs in the window, never in a
    // desktop-wide menu (and asking the desktop for one waits for its message bus).
    QCoreApplication::setAttribute(Qt::AA_DontUseNativeMenuBar);

    m_pageControl = new QTabWidget(client);
    m_pageControl->setObjectName(QStringLiteral("spSkinPageControl1"));
    m_pageControl->setGeometry(0, 0, kClientWidth, kClientHeight - kStatusBarHeight);
    // Nine tabs share the window's width.
    m_pageControl->tabBar()->setUsesScrollButtons(false);
    m_pageControl->tabBar()->setExpanding(false);
    // Styled on the tab bar alone: a style sheet on the page control would be applied
    // again to every page as it is added.
    m_pageControl->tabBar()->setStyleSheet(QStringLiteral("QTabBar::tab { padding: 3px 4px; }"));
    m_statusBar = new StatusBar(client);
    m_context.setStatusGauge(&m_statusBar->gauge());
    m_statusBar->setGeometry(0, kClientHeight - kStatusBarHeight, kClientWidth, kStatusBarHeight);
    // The status bar stays at the bottom of the client area, whatever the window's size.
    client->installEventFilter(this);

    loadSharedOptions();
    buildPageSlots();
    loadStartUpSettings();
    showPage(0);
    if (building == PageBuilding::Immediate)
        ensurePagesBuilt();
    else
        m_buildAfterFirstPaint = true;
}

MainWindow::~MainWindow() = default;

// The nine tabs, each holding the slot its page is made in. The first thing shown needs only
// the home page: it is made now, the others by buildPages().
void MainWindow::buildPageSlots()
{
    const QString captions[] = {
        QStringLiteral("Recherche"),         QStringLiteral("Villes"),
        QStringLiteral("Cartes de Cassini"), QStringLiteral("Autres cartes"),
        QStringLiteral("Téléchargement"),    QStringLiteral("Impression"),
        QStringLiteral("Impression poster"), QStringLiteral("Préférences"),
        QStringLiteral("A Propos"),
    };
    // Each page is made in its slot, where it stays: moving a page afterwards would make
    // each of its controls look up its font and palette again.
    auto *stack = m_pageControl->findChild<QStackedWidget *>(QString(), Qt::FindDirectChildrenOnly);
    for (const QString &caption : captions) {
        auto *slot = new QWidget(stack);
        slot->setObjectName(QStringLiteral("PageSlot"));
        auto *layout = new QVBoxLayout(slot);
        layout->setContentsMargins(0, 0, 0, 0);
        m_pageControl->addTab(slot, caption);
    }

    m_home = addPage(0, new HomePage(m_context, pageSlot(0)));
    connect(m_home, &HomePage::quitRequested, qApp, &QApplication::quit, Qt::QueuedConnection);
    connect(m_home, &HomePage::aboutRequested, this, [this] { showPage(8); });
    connect(m_home, &HomePage::preferencesRequested, this, [this] { showPage(7); });
    // A tab chosen before its page was made makes the pages first.
    connect(m_pageControl, &QTabWidget::currentChanged, this, [this](int index) {
        if (!page(index))
            ensurePagesBuilt();
        if (Page *p = page(index))
            p->onShow();
    });
}

QWidget *MainWindow::pageSlot(int index) const
{
    return m_pageControl->widget(index);
}

template <typename P>
P *MainWindow::addPage(int index, P *page)
{
    page->setIndex(index);
    pageSlot(index)->layout()->addWidget(page);
    giveMnemonics(page);
    connect(page, &Page::captionChanged, this, &QWidget::setWindowTitle);
    return page;
}

void MainWindow::buildPages()
{
    m_preferences = addPage(7, new PreferencesPage(m_context, pageSlot(7)));
    m_cassini = addPage(2, new CassiniPage(m_context, *m_statusBar, pageSlot(2)));
    m_towns = addPage(1, new TownPage(m_context, *m_statusBar, pageSlot(1)));
    m_archive = addPage(3, new ArchivePage(m_context, pageSlot(3)));
    m_download = addPage(4, new DownloadPage(m_context, pageSlot(4)));
    // A child of the window itself, so that it comes above a map view as well as above the pages.
    m_printPanel = new PrintPanel(m_context, [this]() -> QPrinter & { return printer(); }, this);
    m_printZone = addPage(5, new PrintZonePage(m_context, *m_printPanel, pageSlot(5)));
    m_poster = addPage(6, new PosterPage(m_context, *m_printZone, *m_printPanel, pageSlot(6)));
    m_about = addPage(8, new AboutPage(m_context, pageSlot(8)));
    menuBar()->setObjectName(QStringLiteral("spSkinMainMenuBar1"));
    menuBar()->hide();
    m_mapViewer = new view::MapViewer(*this, m_context, this);
    giveMnemonics(m_printPanel);
}

void MainWindow::ensurePagesBuilt()
{
    if (m_pagesBuilt)
        return;
    m_pagesBuilt = true;
    m_buildAfterFirstPaint = false;
    buildPages();
    wirePages();
    // The Cassini page selects the sheet the status bar shows in the edition it shows, and
    // every page takes the selection's state.
    m_statusBar->setSheetNumber(m_statusBar->sheetNumber());
    emit pagesReady();
}

void MainWindow::fitToScreen()
{
    // Not while a view has the window maximised (nor on its way to it).
    if (isMaximized() || isFullScreen() || m_placeBeforeFullScreen)
        return;
    const QScreen *shownOn = screen();
    const QRect available = shownOn ? shownOn->availableGeometry() : QRect();
    // The frame the window manager adds, once the window has one.
    const QSize frame = isVisible() ? frameGeometry().size() - size() : QSize(0, 0);
    const QSize client = windowfit::fittedClient(QSize(kClientWidth, kClientHeight), frame, available);
    if (minimumSize() != client || maximumSize() != client)
        setFixedSize(client);
    if (isVisible() && !frame.isEmpty())
        m_fitUntilFramed = false;
    if (isVisible()) {
        const QPoint place = windowfit::keptInside(QRect(frameGeometry().topLeft(), client + frame), available);
        if (place != frameGeometry().topLeft())
            move(place);
    }
}

bool MainWindow::event(QEvent *event)
{
    // A window that shows is fitted to its screen, again once the window manager has given
    // it its frame (a later move is the user's).
    if (event->type() == QEvent::Show)
        m_fitUntilFramed = true;
    if (m_fitUntilFramed && (event->type() == QEvent::Show || event->type() == QEvent::Move))
        QTimer::singleShot(0, this, &MainWindow::fitToScreen);
    if (event->type() == QEvent::Paint && m_buildAfterFirstPaint) {
        m_buildAfterFirstPaint = false;
        QTimer::singleShot(0, this, &MainWindow::ensurePagesBuilt);
    }
    return QMainWindow::event(event);
}

void MainWindow::wirePages()
{
    connect(m_about, &AboutPage::closeRequested, this, [this] { showPage(0); });
    connect(m_preferences, &PreferencesPage::closeRequested, this, [this] { showPage(0); });
    // "Télécharger et installer": the sheet of the chosen edition goes to the download page.
    connect(m_cassini, &CassiniPage::downloadRequested, this, [this] {
        m_cassini->applyEditionChoice();
        m_context.lookUpDocumentNumber();
        m_download->bringForwardForSelection();
    });
    connect(m_download, &DownloadPage::frontRequested, this, [this] { showPage(4); });
    // "Chercher la feuille dans la bibliothèque" opens the search of "Autres cartes".
    m_cassini->librarySearch().setPanel(m_archive->librarySearch(), [this] { showPage(3); });
    connect(m_towns, &TownPage::cassiniPageRequested, this, [this] { showPage(2); });
    connect(m_preferences, &PreferencesPage::printerSetupRequested, this, [this] {
        const std::unique_ptr<QPrintDialog> dialog(makePrinterSetupDialog(printer(), this));
        dialog->exec();
    });

    connect(m_cassini, &CassiniPage::printRequested, this, [this] { showPage(5); });
    connect(m_archive, &ArchivePage::printRequested, this, [this] { showPage(5); });
    connect(m_printZone, &PrintZonePage::posterRequested, this, [this] {
        showPage(6);
        m_poster->preparePoster();
    });
    // Leaving the poster page clears the compositions.
    connect(m_pageControl, &QTabWidget::currentChanged, this,
            [this, previous = m_pageControl->currentIndex()](int index) mutable {
                if (previous == 6 && index != 6)
                    m_poster->leavePage();
                previous = index;
            });
    connect(m_cassini, &CassiniPage::previewRequested, m_mapViewer, &view::MapViewer::showPreview);
    connect(m_cassini, &CassiniPage::detailRequested, m_mapViewer, &view::MapViewer::showDetail);
    connect(m_statusBar, &StatusBar::detailsRequested, m_mapViewer, &view::MapViewer::showDetail);

    // The archive page hands its highlighted map to the download, the views and printing.
    connect(m_archive, &ArchivePage::downloadRequested, m_download, &DownloadPage::bringForwardForSelection);
    connect(m_archive, &ArchivePage::previewRequested, m_mapViewer, &view::MapViewer::showPreview);
    connect(m_archive, &ArchivePage::detailRequested, m_mapViewer, &view::MapViewer::showDetail);

    // The view's "Imprimer" prints what the view shows, headed by the window caption.
    connect(m_mapViewer, &view::MapViewer::printViewRequested, this, [this] {
        m_printPanel->printImage(m_mapViewer->captureView(), windowTitle());
    });
    connect(m_mapViewer, &view::MapViewer::printCompositionDiscarded, m_printZone,
            &PrintZonePage::discardComposition);

    // After a download or an import the sheet's preview is built and kept, so that showing
    // it needs no decoding.
    connect(&m_context, &AppContext::tilesInstalled, m_mapViewer, &view::MapViewer::cachePreviewOf);
    connect(&m_context, &AppContext::downloadRunningChanged, this, [this](bool running) {
        const SheetId &sheet = m_context.downloadJob().sheet;
        if (!running && !sheet.isEmpty())
            m_mapViewer->cachePreviewOf(store::mapFolder(m_context.mapsRoot(), sheet));
    });
}

bool MainWindow::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::Resize && watched == centralWidget())
        m_statusBar->setGeometry(0, centralWidget()->height() - kStatusBarHeight,
                                 std::max(centralWidget()->width(), kClientWidth),
                                 kStatusBarHeight);   // across the window, maximised too
    return QMainWindow::eventFilter(watched, event);
}

QMenuBar &MainWindow::viewMenuBar()
{
    return *menuBar();
}

void MainWindow::showViewBars()
{
    m_pageControl->hide();
    menuBar()->show();
}

void MainWindow::showPages()
{
    menuBar()->hide();
    m_pageControl->show();
    const int index = m_context.currentPageIndex();
    if (index >= 0 && index < m_pageControl->count())
        showPage(index);
}

void MainWindow::maximise()
{
    m_placeBeforeFullScreen = pos();
    setMinimumSize(0, 0);
    setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
    showMaximized();
}

void MainWindow::restore()
{
    showNormal();
    const std::optional<QPoint> place = std::exchange(m_placeBeforeFullScreen, std::nullopt);
    fitToScreen();
    if (place)
        move(*place);   // where it was, not the corner
}

void MainWindow::showSheetNumber(int sheet)
{
    m_statusBar->setSheetNumber(sheet);
}

int MainWindow::cassiniEdition() const
{
    return m_cassini->editionItem();
}

QString MainWindow::archiveSheetIndex() const
{
    return m_archive->sheetIndexText();
}

QWidget &MainWindow::floatingPrintPanel()
{
    return *m_printPanel;
}

void MainWindow::cancelPrintPanel()
{
    m_printPanel->cancel();
}

Page *MainWindow::page(int index) const
{
    const QWidget *slot = pageSlot(index);
    return slot ? slot->findChild<Page *>(QString(), Qt::FindDirectChildrenOnly) : nullptr;
}

void MainWindow::showPage(int index)
{
    if (!page(index))
        ensurePagesBuilt();
    if (m_pageControl->currentIndex() == index) {
        if (Page *p = page(index))
            p->onShow();
        return;
    }
    m_pageControl->setCurrentIndex(index);
}

void MainWindow::applySkin()
{
    const auto skin = loadSkin(m_context.installFolder() + QStringLiteral("Skins/WinAqua/Skin.INI"),
                               QApplication::palette(), QApplication::font());
    if (!skin)
        return;
    QApplication::setPalette(skin->palette);
    QApplication::setFont(skin->font);
}

// The connection options and the full-screen option, which the context read before the pages
// that show them are made, are written back as the program read them ("1" or "0"), the three
// saved in one go. From then on the preferences page stores each option as it changes.
void MainWindow::loadSharedOptions()
{
    SettingsStore &settings = m_context.settings();
    const SharedOptions &options = m_context.options();
    const std::pair<Setting, bool> stored[] = {
        {Setting::DialUnattended, options.dialUnattended()},
        {Setting::HangUpAfterDownload, options.hangUpAfterDownload()},
        {Setting::FullScreenView, options.fullScreenView()},
    };
    QStringList failed;
    settings.beginBatch();
    for (const auto &[setting, on] : stored)
        if (!settings.writeOn(setting, on))
            failed << settings::key(setting);
    failed << settings.endBatch();
    for (qsizetype i = 0; i < failed.size(); ++i)
        m_context.desktop().error(settings.failureMessage());
}

// The start-up sequence, in its order.
void MainWindow::loadStartUpSettings()
{
    SettingsStore &settings = m_context.settings();
    const QString cartes = settings.text(Setting::MapsRoot);

    const QString storedRoot = paths::existingStoredFolder(cartes);
    // Lines of the added-maps file the program cannot read are kept in the file, and told
    // once in the window.
    connect(&m_context, &AppContext::addedMapsUnreadable, this, [this](const QString &file, const QStringList &lines) {
        m_context.desktop().error(QStringLiteral("Lignes illisibles, gardées telles quelles dans ") + file
                                  + QStringLiteral(" :\n") + lines.mid(0, 10).join(u'\n'));
    });
    m_context.setMapsRoot(!storedRoot.isEmpty() ? storedRoot : m_context.programFolder());
    // The skin is in use since the controls were made (applySkin() in the constructor).
    fitToScreen();
    // The tabs a step smaller than the pages, in the skin's font.
    QFont tabFont = QApplication::font();
    tabFont.setPixelSize(11);
    m_pageControl->tabBar()->setFont(tabFont);
    // Every text whole at the fonts now in use (once the window is shown and its pages have
    // their sizes), and kept whole when a text changes.
    textfit::keepFitted(this);

    // The first sheet is selected; the status bar shows it from the first paint on.
    m_context.select(SheetId::cassini(editions::kColour, 1));
    m_statusBar->setSheetNumber(1);
    m_statusBar->setSheetTitle(cassini::title(1));

    const QString root = m_context.mapsRoot();
    for (const QString &edition : {editions::kColour, editions::kBlackAndWhite, editions::kArchive})
        store::createFolderPath(paths::join(root, edition));
    store::createFolderPath(m_context.scratchFolder());
    // Temporary files of tiles that a program ended during a transfer left behind, once
    // they are too old to belong to a program running now; off the window's thread.
    QThreadPool::globalInstance()->start([root] { store::TileWriter::removeStaleTemporaries(root); });

    // The printer is set to landscape when it is made (printer()).
}

QPrinter &MainWindow::printer()
{
    if (!m_printer) {
        m_printer = std::make_unique<QPrinter>();
        m_printer->setPageOrientation(QPageLayout::Landscape);
    }
    return *m_printer;
}
