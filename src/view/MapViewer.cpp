#include "view/MapViewer.h"
#include "session/AppContext.h"
#include "widgets/Controls.h"
#include "app/MainWindow.h"
#include "widgets/StatusBar.h"
#include "catalogue/ArchiveCatalogue.h"
#include "catalogue/CassiniPage.h"
#include "print/PrintPanel.h"
#include "platform/Desktop.h"
#include "store/TileStore.h"
#include "view/Magnifier.h"
#include "render/Mosaic.h"
#include "view/MosaicPanel.h"
#include "view/ViewCapture.h"
#include "view/ViewGeometry.h"
#include "view/ViewMenu.h"
#include "widgets/CheckBox.h"
#include "widgets/SpinEdit.h"
#include "widgets/OverrideCursor.h"

#include <QAction>
#include <QApplication>
#include <QScreen>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QMenuBar>
#include <QMouseEvent>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QTabWidget>
#include <QTimer>
#include <QWheelEvent>

namespace view {
namespace {

// A tile that could not be decoded for want of memory is kept; the user is told once the
// current step is over.
void reportKeptFailure(render::Mosaic *mosaic, QObject *context, Desktop &desktop)
{
    const QString failure = mosaic ? mosaic->takeKeptFailure() : QString();
    if (!failure.isEmpty())
        QTimer::singleShot(0, context, [&desktop, failure] { desktop.error(failure); });
}

constexpr int kPreviewGaugeMaximum = 1359;
constexpr int kDetailGaugeMaximum = 1362;
constexpr int kNormalWidth = 696;
constexpr int kNormalHeight = 500;
constexpr int kStatusBarHeight = 21;
constexpr int kWheelStep = 20;
constexpr int kKeptMargin = 1;   // cells kept decoded around the visible ones
const QSize kMessageSize(241, 145);

// The cell of a sheet's views. A sheet whose tiles fill only part of the grid has a
// picture that is no whole number of tiles: its last column and row are narrower, so its
// first tile gives the cell.
QSize sheetCell(const Mosaic &mosaic, QSize grid)
{
    if (grid != QSize(store::kGridSide, store::kGridSide) && mosaic.tile(0, 0).present)
        return mosaic.tile(0, 0).size;
    return mosaic.cellSize();
}

QLabel *hiddenPicture(QWidget *parent, const QString &name)
{
    auto *label = new QLabel(parent);
    label->setObjectName(name);
    label->setProperty("tag", 0);
    label->hide();
    return label;
}

} // namespace

MapViewer::MapViewer(MainWindow &window) : QObject(&window), m_window(window)
{
    setObjectName(QStringLiteral("MapViewer"));
    m_menu = std::make_unique<ViewMenu>(window.menuBar());
    window.menuBar()->hide();

    ScrollBox1 = new QScrollArea(&window);
    ScrollBox1->setObjectName(QStringLiteral("ScrollBox1"));
    ScrollBox1->setFrameShape(QFrame::NoFrame);
    ScrollBox1->setWidgetResizable(false);
    ScrollBox1->setBackgroundRole(QPalette::Window);
    {
        QPalette palette = ScrollBox1->palette();
        palette.setColor(QPalette::Window, Qt::black);
        ScrollBox1->setPalette(palette);
        ScrollBox1->viewport()->setPalette(palette);
        ScrollBox1->viewport()->setAutoFillBackground(true);
    }
    for (QScrollBar *bar : {ScrollBox1->horizontalScrollBar(), ScrollBox1->verticalScrollBar()}) {
        bar->setSingleStep(5);
        bar->setTracking(true);
        connect(bar, &QScrollBar::valueChanged, this, &MapViewer::trimDetailCache);
    }
    ScrollBox1->hide();

    ZoneClic = new ZoneSurface(ScrollBox1);
    ZoneClic->hide();
    connect(ZoneClic, &ZoneSurface::pressed, this, &MapViewer::ZoneClicMouseDown);
    connect(ZoneClic, &ZoneSurface::moved, this, &MapViewer::ZoneClicMouseMove);
    connect(ZoneClic, &ZoneSurface::released, this, &MapViewer::ZoneClicMouseUp);
    connect(ZoneClic, &ZoneSurface::doubleClicked, this, &MapViewer::ZoneClicDblClick);

    ImageTest = hiddenPicture(&window, QStringLiteral("ImageTest"));
    Capture = hiddenPicture(&window, QStringLiteral("Capture"));

    MessageAbsent = controls::group(&window, QStringLiteral("MessageAbsent"),
                                    QStringLiteral("Affichage impossible"), QRect(QPoint(0, 0), kMessageSize));
    MessageAbsent->setAutoFillBackground(true);
    auto *text = controls::label(MessageAbsent, QStringLiteral("spSkinStdLabel16"),
                                 QStringLiteral("Cette carte n'est pas installée\n"
                                                "ou le dossier ne contient pas d'image.\n"
                                                "Vous devez la télécharger\n"
                                                "ou l'importer d'une sauvegarde."),
                                 QRect(6, 20, 229, 80));
    text->setAlignment(Qt::AlignCenter);
    spSkinButton18 = controls::button(MessageAbsent, QStringLiteral("spSkinButton18"), QStringLiteral("OK"),
                                      QRect(83, 108, 75, 25), QStringLiteral("Fermer la fenêtre"));
    connect(spSkinButton18, &QPushButton::clicked, this, &MapViewer::spSkinButton18Click);
    MessageAbsent->hide();

    m_magnifier = new Magnifier(&window);

    connect(m_menu->Aperu1, &QAction::triggered, this, &MapViewer::spSkinButton16Click);
    connect(m_menu->Dtail1, &QAction::triggered, this, &MapViewer::spSkinButton2Click);
    connect(m_menu->Enregistrer2, &QAction::triggered, this, &MapViewer::Enregistrer2Click);
    connect(m_menu->Imprimer1, &QAction::triggered, this, &MapViewer::printViewRequested);
    connect(m_menu->Fermer1, &QAction::triggered, this, &MapViewer::Fermer1Click);
    connect(m_menu->Quitter1, &QAction::triggered, this, &MapViewer::Fermer1Click);
    connect(m_menu->Copier1, &QAction::triggered, this, &MapViewer::Copier1Click);
    connect(m_menu->Afficher1, &QAction::triggered, this, &MapViewer::Afficher1Click);

    // Through the application: the status bar stays at the bottom of the client area and
    // the view follows the window's size; the wheel and the keys of an open view work
    // wherever the pointer or the focus is in its window.
    qApp->installEventFilter(this);
}

MapViewer::~MapViewer()
{
    // The cells of a detail panel read the mosaic: they go first.
    delete m_panel;
}

// --- Entry points -----------------------------------------------------------------------

void MapViewer::spSkinButton16Click()
{
    if (m_window.context().selection.isArchive())
        ShowArchivePreview();
    else
        ShowCassiniPreview();
}

void MapViewer::spSkinButton2Click()
{
    if (m_window.context().selection.isArchive())
        ShowArchiveDetail();
    else
        ShowCassiniDetail();
}

void MapViewer::spSkinButton18Click()
{
    MessageAbsent->hide();
    m_menu->Fermer1->trigger();
}

void MapViewer::ShowCassiniPreview() { showCassini(0); }
void MapViewer::ShowCassiniDetail() { showCassini(1); }
void MapViewer::ShowArchivePreview() { showArchive(0); }
void MapViewer::ShowArchiveDetail() { showArchive(1); }

// Checks the Cassini selection, takes its edition from the edition choice and builds the
// view of that kind (0 preview, 1 detail). A Cassini detail discards the print composition.
void MapViewer::showCassini(int kind)
{
    AppContext &context = m_window.context();
    if (context.selection.installationState != CassiniWithTiles) {
        ShowNotInstalled();
        return;
    }
    if (kind == 1)
        emit printCompositionDiscarded();
    OverrideCursor busy;
    startGauge(kind == 1 ? kDetailGaugeMaximum : kPreviewGaugeMaximum);
    context.selection.editionFolder = editions::cassiniFolder(m_window.cassini()->editionItem());
    context.selection.folderSuffix.clear();
    stepGauge();
    m_window.statusBarWidget()->setSheetNumber(context.selection.sheetNumber.toInt());
    kind == 1 ? BuildDetail() : BuildPreview();
}

// Checks the archive selection, takes its folder suffix from the sheet index and builds the
// view of that kind.
void MapViewer::showArchive(int kind)
{
    AppContext &context = m_window.context();
    if (context.selection.installationState != ArchiveWithTiles) {
        ShowNotInstalled();
        return;
    }
    context.selection.editionFolder = editions::kArchive;
    const QString index = m_archiveSheetIndex ? m_archiveSheetIndex() : QString();
    context.selection.folderSuffix = archive::sheetIndexSuffix(index, context.selection.folderSuffix);
    OverrideCursor busy;
    kind == 1 ? BuildDetail() : BuildPreview();
}

// --- Building the views -----------------------------------------------------------------

QSize MapViewer::clientSize() const
{
    return m_window.size();
}

void MapViewer::openView(int kind)
{
    m_viewKind = kind;
    m_grid = m_window.context().selectedTileGrid();
    Capture->setProperty("tag", kind);
    if (kind == 1) {
        stepGauge();
        m_menu->Afficher1->setEnabled(m_window.context().options().fullScreenView());
    } else {
        m_menu->Afficher1->setEnabled(false);
        m_magnifier->hideOnly();
    }
    ScrollBox1->hide();
    if (m_panel)
        m_panel->hide();
    m_window.pageControl()->hide();
    m_window.menuBar()->show();
    if (kind == 1)
        stepGauge();

    const SelectionState &s = m_window.context().selection;
    if (s.editionFolder == editions::kColour || s.editionFolder == editions::kBlackAndWhite)
        m_window.setWindowTitle(QStringLiteral("Carte de Cassini n° ") + s.sheetNumber + s.folderSuffix
                                + QStringLiteral(" - Bnf/Gallica"));
    else
        m_window.setWindowTitle(QStringLiteral("Carte n° ") + s.sheetNumber + s.folderSuffix
                                + QStringLiteral(" - Archives Bnf/Gallica"));

    if (m_window.context().options().fullScreenView() && !m_window.isMaximized()) {
        m_fullScreen = true;
        m_window.setMinimumSize(0, 0);
        m_window.setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
        m_window.showMaximized();
        // The new size is needed for the layout below: let the window take it now.
        QApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    }
    m_open = true;
}

void MapViewer::replacePanel(QWidget *panel)
{
    ZoneClic->hide();
    ZoneClic->setParent(ScrollBox1);
    if (m_panel) {
        if (ScrollBox1->widget() == m_panel)
            ScrollBox1->takeWidget();
        delete m_panel;
    }
    m_panel = panel;
}

bool MapViewer::MeasureTiles()
{
    ImageTest->setProperty("tag", 0);
    replacePanel(nullptr);   // its cells may read the mosaic being replaced
    m_mosaic = std::make_unique<Mosaic>(m_window.context().selectedMapFolder());
    const Mosaic::Scan scan = m_mosaic->measure();
    m_cellSize = sheetCell(*m_mosaic, m_grid);
    if (!scan.unopenable.isEmpty()) {
        stopGauge();
        m_window.context().desktop().error(QStringLiteral("Impossible d'ouvrir le fichier %1").arg(scan.unopenable));
        return false;
    }
    ImageTest->setProperty("tag", m_mosaic->tilesFound() ? 1 : 0);
    if (!m_mosaic->tilesFound()) {
        stopGauge();
        ShowNotInstalled();
        return false;
    }
    return true;
}


void MapViewer::BuildDetail()
{
    openView(1);
    stepGauge(2);
    if (!MeasureTiles())
        return;

    const QSize client = clientSize();
    ScrollBox1->setGeometry(0, geometry::kMenuBarHeight, client.width(),
                            client.height() - 2 * geometry::kMenuBarHeight);
    stepGauge(2);

    auto *panel = new MosaicPanel(ScrollBox1, m_cellSize, QStringLiteral("ImageC"), m_mosaic.get(), m_grid);
    replacePanel(panel);
    if (m_grid != QSize(store::kGridSide, store::kGridSide)) {
        // The picture ends with its last column and row, narrower than a cell: so does the panel.
        const QSize lastColumn = m_mosaic->tile(m_grid.width() - 1, 0).size;
        const QSize lastRow = m_mosaic->tile(0, m_grid.height() - 1).size;
        QSize size = panel->size();
        if (lastColumn.width() > 0 && lastColumn.width() < m_cellSize.width())
            size.rwidth() -= m_cellSize.width() - lastColumn.width();
        if (lastRow.height() > 0 && lastRow.height() < m_cellSize.height())
            size.rheight() -= m_cellSize.height() - lastRow.height();
        panel->resize(size);
    }
    stepGauge();
    stepGauge(store::kTileCount);

    ZoneClic->setParent(panel);
    ZoneClic->setGeometry(QRect(QPoint(0, 0), panel->size()));
    ZoneClic->setCursor(Qt::ArrowCursor);
    ZoneClic->raise();
    ZoneClic->show();
    stepGauge();

    // The cells get their tiles when they are painted: only the visible ones are decoded.
    ScrollBox1->setWidget(panel);
    stepGauge(store::kTileCount);
    panel->show();
    ScrollBox1->show();
    keepFloatingPanelsOnTop();

    const QSize viewport = ScrollBox1->viewport()->size();
    ScrollBox1->horizontalScrollBar()->setValue(m_detailCentre.x() - viewport.width() / 2);
    ScrollBox1->verticalScrollBar()->setValue(m_detailCentre.y() - viewport.height() / 2);
    trimDetailCache();
    // The tiles about to be painted, decoded side by side rather than one by one.
    Mosaic::Placement detail;
    detail.origin = QPoint(1, 1);
    detail.pitch = m_cellSize;
    m_mosaic->preloadVisible(detail, QRect(ScrollBox1->horizontalScrollBar()->value(),
                                           ScrollBox1->verticalScrollBar()->value(), viewport.width(),
                                           viewport.height()));
    reportKeptFailure(m_mosaic.get(), this, m_window.context().desktop());
    stopGauge();
}

// A preview kept in the cache under the folder's present key is shown as it is; any other
// is built from the tiles and kept.
void MapViewer::BuildPreview()
{
    openView(0);
    stepGauge(3);
    if (showPreview())
        stopGauge();
}

// The preview for the client area the window has now, its cells filling the height: from the
// cache when it holds the sheet at this size, else decoded from the tiles.
bool MapViewer::showPreview()
{
    const QString folder = m_window.context().selectedMapFolder();
    const QSize client = clientSize();
    m_previewHeights[m_window.isMaximized() ? 1 : 0] = client.height();
    const QByteArray key = PreviewCache::keyOf(folder);
    std::optional<PreviewCache::Entry> cached = m_previewCache.find(folder, key);
    if (cached && cached->cell != geometry::previewCell(client, cached->tileCell, m_grid))
        cached.reset();
    if (cached) {
        replacePanel(nullptr);
        m_mosaic = std::make_unique<Mosaic>(folder);
        m_cellSize = cached->tileCell;
        ImageTest->setProperty("tag", 1);
    } else if (!MeasureTiles()) {
        return false;
    }

    const QSize cell = geometry::previewCell(client, m_cellSize, m_grid);
    auto *panel = new MosaicPanel(&m_window, cell, QStringLiteral("ImageA"), nullptr, m_grid);
    replacePanel(panel);
    panel->move(geometry::previewPanelLeft(client.width(), cell.width(), m_grid.width()), geometry::kMenuBarHeight);
    stepGauge();
    stepGauge(store::kTileCount);

    ZoneClic->setParent(panel);
    ZoneClic->setGeometry(QRect(QPoint(0, 0), panel->size()));
    ZoneClic->setCursor(Qt::WhatsThisCursor);   // a double-click opens the detail
    ZoneClic->raise();
    ZoneClic->show();
    stepGauge();

    panel->show();
    keepFloatingPanelsOnTop();
    if (cached)
        showPreviewPictures(cached->cells);
    else
        loadPreviewTiles(key);
    return true;
}

// The open view laid out again for the window's present size: a window manager maximises
// the window some time after it was asked to, and the user may resize it later.
void MapViewer::layOutForWindow()
{
    const QSize client = clientSize();
    if (MessageAbsent->isVisible())
        MessageAbsent->move(geometry::centredBox(kMessageSize, client));
    // The print panel stays centred, also when the view closes under it.
    if (QWidget *printPanel = m_window.printPanel(); printPanel->isVisible())
        printPanel->move(geometry::centredBox(printPanel->size(), client));
    if (!m_open || !m_mosaic)
        return;
    if (m_viewKind == 1 && ScrollBox1->isVisible()) {
        const QRect area(0, geometry::kMenuBarHeight, client.width(), client.height() - 2 * geometry::kMenuBarHeight);
        if (ScrollBox1->geometry() == area)
            return;
        const QSize before = ScrollBox1->viewport()->size();
        const QPoint centre(ScrollBox1->horizontalScrollBar()->value() + before.width() / 2,
                            ScrollBox1->verticalScrollBar()->value() + before.height() / 2);
        ScrollBox1->setGeometry(area);
        // The point that was in the middle stays in the middle.
        const QSize viewport = ScrollBox1->viewport()->size();
        ScrollBox1->horizontalScrollBar()->setValue(centre.x() - viewport.width() / 2);
        ScrollBox1->verticalScrollBar()->setValue(centre.y() - viewport.height() / 2);
        if (m_magnifier->isVisible())
            m_magnifier->move(viewport.width() - Magnifier::kWidth, m_magnifier->y());
        trimDetailCache();
    } else if (m_viewKind == 0 && m_panel && m_panel->isVisible()) {
        auto *panel = qobject_cast<MosaicPanel *>(m_panel.data());
        const QSize cell = geometry::previewCell(client.height(), m_cellSize);
        if (panel && panel->cell(0, 0)->size() == cell)
            panel->move(geometry::previewPanelLeft(client.width(), cell.width()), geometry::kMenuBarHeight);
        else if (showPreview())
            stopGauge();
    }
    if (m_window.printPanel()->isVisible())
        m_window.printPanel()->raise();
}

QSize MapViewer::previewClientSize() const
{
    if (!m_window.context().options().fullScreenView() || m_window.isMaximized())
        return clientSize();
    // Not opened in full screen yet: the maximised window's client area, about.
    const QScreen *screen = m_window.screen();
    const int frame = m_window.frameGeometry().height() - m_window.height();
    const QSize maximised =
        screen ? QSize(screen->availableGeometry().width(), screen->availableGeometry().height() - frame) : clientSize();
    return {maximised.width(), m_previewHeights[1] > 0 ? m_previewHeights[1] : maximised.height()};
}

void MapViewer::cachePreviewOf(const QString &mapFolder)
{
    const QByteArray key = PreviewCache::keyOf(mapFolder);
    if (key.isEmpty())
        return;
    Mosaic mosaic(mapFolder);
    if (!mosaic.measure().unopenable.isEmpty() || !mosaic.tilesFound())
        return;
    const QSize grid = m_window.context().tileGridOfFolder(mapFolder);
    const QSize tileCell = sheetCell(mosaic, grid);
    const QSize cell = geometry::previewCell(previewClientSize(), tileCell, grid);
    if (const auto kept = m_previewCache.find(mapFolder, key); kept && kept->cell == cell)
        return;
    std::vector<QImage> pictures =
        mosaic.decodeStretched(QRect(0, 0, store::kGridSide, store::kGridSide), cell);
    pictures.resize(size_t(store::kTileCount));
    // Kept only when no tile changed meanwhile (measuring may have removed broken ones).
    if (PreviewCache::keyOf(mapFolder) == key)
        m_previewCache.store(mapFolder, key, {tileCell, cell, std::move(pictures)});
}

void MapViewer::keepFloatingPanelsOnTop()
{
    if (m_magnifier->isVisible())
        m_magnifier->raise();
    if (MessageAbsent->isVisible())
        MessageAbsent->raise();
    if (m_window.printPanel()->isVisible())
        m_window.printPanel()->raise();
}

void MapViewer::loadPreviewTiles(const QByteArray &key)
{
    auto *panel = qobject_cast<MosaicPanel *>(m_panel.data());
    if (!panel)
        return;
    // Every tile decoded once, at the smallest DCT scale that still covers its cell.
    const QSize cell = panel->cell(0, 0)->size();
    std::vector<QImage> pictures =
        m_mosaic->decodeStretched(QRect(0, 0, store::kGridSide, store::kGridSide), cell);
    pictures.resize(size_t(store::kTileCount));
    showPreviewPictures(pictures);
    // Kept for the next time, unless a tile changed while the preview was built (measuring
    // and decoding remove the tiles that cannot be read).
    const QString folder = m_mosaic->mapFolder();
    if (!cell.isEmpty() && PreviewCache::keyOf(folder) == key)
        m_previewCache.store(folder, key, {m_cellSize, cell, std::move(pictures)});
}

void MapViewer::showPreviewPictures(const std::vector<QImage> &pictures)
{
    auto *panel = qobject_cast<MosaicPanel *>(m_panel.data());
    if (!panel)
        return;
    for (int row = 0; row < store::kGridSide; ++row) {
        for (int column = 0; column < store::kGridSide; ++column) {
            const size_t index = size_t(Mosaic::index(column, row));
            if (TileCell *cell = panel->cell(column, row))   // none past the sheet's grid
                cell->setPicture(index < pictures.size() ? pictures[index] : QImage());
        }
        stepGauge(store::kGridSide);
    }
    reportKeptFailure(m_mosaic.get(), this, m_window.context().desktop());
}

QRect MapViewer::visibleCells() const
{
    const QRect area(ScrollBox1->horizontalScrollBar()->value(), ScrollBox1->verticalScrollBar()->value(),
                     ScrollBox1->viewport()->width(), ScrollBox1->viewport()->height());
    return geometry::cellsIn(area, m_cellSize);
}

void MapViewer::trimDetailCache()
{
    if (!m_mosaic || m_viewKind != 1 || !m_panel || ScrollBox1->widget() != m_panel)
        return;
    m_mosaic->retainNear(visibleCells(), kKeptMargin);
    reportKeptFailure(m_mosaic.get(), this, m_window.context().desktop());
}

void MapViewer::ShowNotInstalled()
{
    MessageAbsent->move(geometry::centredBox(kMessageSize, clientSize()));
    MessageAbsent->show();
    MessageAbsent->raise();
}

void MapViewer::startGauge(int maximum)
{
    QProgressBar *gauge = m_window.statusBarWidget()->gaugeBar();
    gauge->setMaximum(maximum);
    gauge->setTextVisible(true);
    stepGauge();
}

void MapViewer::stepGauge(int steps)
{
    QProgressBar *gauge = m_window.statusBarWidget()->gaugeBar();
    gauge->setValue(qMin(gauge->value() + steps, gauge->maximum()));
}

void MapViewer::stopGauge()
{
    QProgressBar *gauge = m_window.statusBarWidget()->gaugeBar();
    gauge->setTextVisible(false);
    gauge->setValue(0);
}

// --- Closing ----------------------------------------------------------------------------

void MapViewer::Fermer1Click()
{
    m_magnifier->BoxLoupeClose();
    if (m_dragging) {
        m_dragging = false;
        ScrollBox1->setProperty("tag", 0);
        m_dragCursor.reset();
    }
    if (m_fullScreen || m_window.isMaximized()) {
        m_fullScreen = false;
        m_window.showNormal();
        m_window.setFixedSize(kNormalWidth, kNormalHeight);
    }
    m_window.menuBar()->hide();
    if (m_panel)
        m_panel->hide();
    ScrollBox1->hide();
    if (m_mosaic)
        m_mosaic->clearCache();   // hidden cells need no decoded tiles
    m_open = false;

    QTabWidget *pages = m_window.pageControl();
    pages->show();
    const int page = m_window.context().currentPage;
    if (page >= 1 && page <= 9)
        m_window.showPage(page - 1);
}

// --- The mouse --------------------------------------------------------------------------

void MapViewer::ZoneClicMouseDown(QMouseEvent *event)
{
    if (m_viewKind != 1 || m_dragging)
        return;
    m_dragging = true;
    ScrollBox1->setProperty("tag", 9);
    m_dragCursor.emplace(Qt::DragCopyCursor);
    m_anchorPointer = event->globalPosition().toPoint();
    m_anchorScroll = QPoint(ScrollBox1->horizontalScrollBar()->value(), ScrollBox1->verticalScrollBar()->value());
}

void MapViewer::ZoneClicMouseMove(QMouseEvent *event)
{
    if (m_magnifier->isVisible())
        m_magnifier->refresh(m_window.mapFromGlobal(event->globalPosition().toPoint()));
    if (!m_dragging)
        return;
    QApplication::changeOverrideCursor(Qt::DragCopyCursor);
    const QPoint pointer = event->globalPosition().toPoint();
    ScrollBox1->horizontalScrollBar()->setValue(m_anchorScroll.x() + m_anchorPointer.x() - pointer.x());
    ScrollBox1->verticalScrollBar()->setValue(m_anchorScroll.y() + m_anchorPointer.y() - pointer.y());
    ScrollBox1->viewport()->update();
}

void MapViewer::ZoneClicMouseUp(QMouseEvent *)
{
    if (!m_dragging)
        return;
    m_dragging = false;
    ScrollBox1->setProperty("tag", 0);
    m_dragCursor.reset();
}

void MapViewer::ZoneClicDblClick(QMouseEvent *event)
{
    if (m_viewKind != 0 || !m_panel)
        return;
    {
        OverrideCursor busy;
        startGauge(kPreviewGaugeMaximum);
        const QPoint clicked = event->globalPosition().toPoint() - m_panel->mapToGlobal(QPoint(0, 0));
        m_detailCentre = geometry::detailCentre(clicked, m_panel->size(), m_cellSize, m_grid);
        BuildDetail();
    }
    ZoneClic->setCursor(Qt::ArrowCursor);
}

bool MapViewer::FormMouseWheel(QWheelEvent *event)
{
    if (!ScrollBox1->isVisible())
        return false;
    m_wheelRemainder += event->angleDelta().y();
    const int steps = m_wheelRemainder / 120;   // positive: wheel turned up
    m_wheelRemainder -= steps * 120;
    QScrollBar *bar = ScrollBox1->verticalScrollBar();
    bar->setValue(bar->value() - steps * kWheelStep);
    return true;   // the scroll area would scroll again by its own step
}

// Whether `widget` is part of the open view's window outside its floating panels (the
// magnifier, the print panel, "Affichage impossible"), which keep the wheel and the keys.
bool MapViewer::isViewArea(QObject *object) const
{
    auto *widget = qobject_cast<QWidget *>(object);
    if (!widget || widget->window() != &m_window)
        return false;
    for (const QWidget *w = widget; w && w != &m_window; w = w->parentWidget())
        if (w == m_magnifier || w == MessageAbsent || w == m_window.printPanel())
            return false;
    return true;
}

// Keys of the open view: the arrows pan by 20 pixels, Page Up and Page Down by a screen.
bool MapViewer::viewKey(QKeyEvent *event)
{
    if (!ScrollBox1->isVisible() || event->modifiers() & ~Qt::KeypadModifier)
        return false;
    QScrollBar *horizontal = ScrollBox1->horizontalScrollBar();
    QScrollBar *vertical = ScrollBox1->verticalScrollBar();
    const int screen = ScrollBox1->viewport()->height();
    switch (event->key()) {
    case Qt::Key_Left: horizontal->setValue(horizontal->value() - kWheelStep); return true;
    case Qt::Key_Right: horizontal->setValue(horizontal->value() + kWheelStep); return true;
    case Qt::Key_Up: vertical->setValue(vertical->value() - kWheelStep); return true;
    case Qt::Key_Down: vertical->setValue(vertical->value() + kWheelStep); return true;
    case Qt::Key_PageUp: vertical->setValue(vertical->value() - screen); return true;
    case Qt::Key_PageDown: vertical->setValue(vertical->value() + screen); return true;
    default: return false;
    }
}

bool MapViewer::eventFilter(QObject *watched, QEvent *event)
{
    switch (event->type()) {
    case QEvent::Wheel:
        // Anywhere in the view's window: map, scroll bars, menu bar, status bar, empty area.
        if (m_open && isViewArea(watched))
            return FormMouseWheel(static_cast<QWheelEvent *>(event));
        break;
    case QEvent::ShortcutOverride:
        // Échap while the print panel is open cancels the panel; the view closes on the next one.
        if (m_open && static_cast<QKeyEvent *>(event)->key() == Qt::Key_Escape && m_window.printPanel()->isVisible()
            && qobject_cast<QWidget *>(watched) && static_cast<QWidget *>(watched)->window() == &m_window) {
            m_window.printPanel()->cancel();
            event->accept();
            return true;
        }
        break;
    case QEvent::KeyPress:
        if (m_open && isViewArea(watched) && viewKey(static_cast<QKeyEvent *>(event)))
            return true;
        break;
    case QEvent::Resize:
        if (watched == m_window.centralWidget()) {
            const QWidget *client = m_window.centralWidget();
            m_window.statusBarWidget()->move(0, client->height() - kStatusBarHeight);
            layOutForWindow();
        }
        break;
    default:
        break;
    }
    return QObject::eventFilter(watched, event);
}

// --- Magnifier, capture, save, copy -------------------------------------------------------

void MapViewer::Afficher1Click()
{
    m_magnifier->open(ScrollBox1->viewport()->width() - Magnifier::kWidth, 1);
}

QImage MapViewer::captureView() const
{
    if (!m_open)
        return {};
    return view::captureView(m_viewKind, ScrollBox1, m_panel);
}

void MapViewer::Enregistrer2Click()
{
    QImage capture = captureView();
    saveCapture(capture, m_window.context(), m_lastSaveType);
}

void MapViewer::Copier1Click()
{
    copyCapture(captureView(), m_window.context());
}

} // namespace view
