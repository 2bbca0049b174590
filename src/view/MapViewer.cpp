#include "view/MapViewer.h"
#include "session/AppContext.h"
#include "widgets/Controls.h"
#include "catalogue/ArchiveCatalogue.h"
#include "export/ExportDialog.h"
#include "platform/Desktop.h"
#include "platform/Logging.h"
#include "store/TileStore.h"
#include "view/Magnifier.h"
#include "render/Mosaic.h"
#include "view/MosaicPanel.h"
#include "view/ViewCapture.h"
#include "view/ViewGeometry.h"
#include "view/ViewInput.h"
#include "view/ViewMenu.h"
#include "widgets/OverrideCursor.h"

#include <QAction>
#include <QApplication>
#include <QScreen>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QTimer>
#include <utility>

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

// The message that lists the tiles deleted as unreadable, at most kListedTiles of them.
constexpr int kListedTiles = 20;
QString deletedTilesMessage(const QStringList &tiles)
{
    QString text = QStringLiteral("Fichiers illisibles supprimés :");
    for (const QString &tile : tiles.mid(0, kListedTiles))
        text += u'\n' + tile;
    if (tiles.size() > kListedTiles)
        text += QStringLiteral("\n(et %1 autres)").arg(tiles.size() - kListedTiles);
    return text;
}

} // namespace

MapViewer::MapViewer(ViewHost &host, AppContext &context, QObject *parent)
    : QObject(parent), m_host(host), m_context(context), m_window(host.viewWindow())
{
    setObjectName(QStringLiteral("MapViewer"));
    m_menu = std::make_unique<ViewMenu>(&host.viewMenuBar());

    m_scrollBox = new QScrollArea(&m_window);
    m_scrollBox->setObjectName(QStringLiteral("ScrollBox1"));
    m_scrollBox->setFrameShape(QFrame::NoFrame);
    m_scrollBox->setWidgetResizable(false);
    m_scrollBox->setBackgroundRole(QPalette::Window);
    {
        QPalette palette = m_scrollBox->palette();
        palette.setColor(QPalette::Window, Qt::black);
        m_scrollBox->setPalette(palette);
        m_scrollBox->viewport()->setPalette(palette);
        m_scrollBox->viewport()->setAutoFillBackground(true);
    }
    for (QScrollBar *bar : {m_scrollBox->horizontalScrollBar(), m_scrollBox->verticalScrollBar()}) {
        bar->setSingleStep(5);
        bar->setTracking(true);
        connect(bar, &QScrollBar::valueChanged, this, &MapViewer::trimDetailCache);
    }
    m_scrollBox->hide();

    m_mouseSurface = new MouseSurface(m_scrollBox);
    m_mouseSurface->setFocusPolicy(Qt::StrongFocus);   // an open view owns the keyboard
    m_mouseSurface->hide();

    m_notInstalledBox = controls::group(&m_window, QStringLiteral("MessageAbsent"),
                                        QStringLiteral("Affichage impossible"), QRect(QPoint(0, 0), kMessageSize));
    m_notInstalledBox->setAutoFillBackground(true);
    auto *text = controls::label(m_notInstalledBox, QStringLiteral("spSkinStdLabel16"),
                                 QStringLiteral("Cette carte n'est pas installée\n"
                                                "ou le dossier ne contient pas d'image.\n"
                                                "Vous devez la télécharger\n"
                                                "ou l'importer d'une sauvegarde."),
                                 QRect(6, 20, 229, 80));
    text->setAlignment(Qt::AlignCenter);
    auto *okButton = controls::button(m_notInstalledBox, QStringLiteral("spSkinButton18"), QStringLiteral("OK"),
                                      QRect(83, 108, 75, 25), QStringLiteral("Fermer la fenêtre"));
    connect(okButton, &QPushButton::clicked, this, &MapViewer::onNotInstalledOkClicked);
    m_notInstalledBox->hide();

    m_magnifier = new Magnifier(&m_window);

    connect(m_menu->previewAction, &QAction::triggered, this, &MapViewer::showPreview);
    connect(m_menu->detailAction, &QAction::triggered, this, &MapViewer::showDetail);
    connect(m_menu->saveAction, &QAction::triggered, this, &MapViewer::onSaveTriggered);
    connect(m_menu->printAction, &QAction::triggered, this, &MapViewer::printViewRequested);
    connect(m_menu->closeAction, &QAction::triggered, this, &MapViewer::closeView);
    connect(m_menu->quitAction, &QAction::triggered, this, &MapViewer::closeView);
    connect(m_menu->copyAction, &QAction::triggered, this, &MapViewer::onCopyTriggered);
    connect(m_menu->exportAction, &QAction::triggered, this, [this] { exporting::exportSelectedMap(&m_window, m_context); });
    connect(m_menu->magnifierAction, &QAction::triggered, this, &MapViewer::onMagnifierTriggered);

    // The wheel, the keys and the mouse of the views.
    m_input = std::make_unique<ViewInput>(
        *this, ViewInput::Parts{host, m_window, *m_scrollBox, *m_mouseSurface, *m_magnifier, *m_notInstalledBox});
    connect(m_input.get(), &ViewInput::previewDoubleClicked, this, &MapViewer::openDetailAt);
    // The view follows the window's size.
    m_window.installEventFilter(this);
}

MapViewer::~MapViewer()
{
    // The cells of a detail panel read the mosaic: they go first.
    delete m_panel;
}

// --- Entry points -----------------------------------------------------------------------

void MapViewer::showPreview()
{
    m_context.selection().isArchive() ? showArchive(Preview) : showCassini(Preview);
}

void MapViewer::showDetail()
{
    m_context.selection().isArchive() ? showArchive(Detail) : showCassini(Detail);
}

void MapViewer::onNotInstalledOkClicked()
{
    m_notInstalledBox->hide();
    m_menu->closeAction->trigger();
}

// Checks the Cassini selection, takes its edition from the edition choice and builds the
// view of that kind. A Cassini detail discards the print composition.
void MapViewer::showCassini(Kind kind)
{
    const SelectionState &selection = m_context.selection();
    if (selection.installationState != CassiniWithTiles) {
        showNotInstalled();
        return;
    }
    if (kind == Detail)
        emit printCompositionDiscarded();
    OverrideCursor busy;
    startGauge(kind == Detail ? kDetailGaugeMaximum : kPreviewGaugeMaximum);
    m_context.select(SheetId::cassini(editions::cassiniFolder(m_host.cassiniEdition()), selection.sheetNumber.toInt()));
    stepGauge();
    m_host.showSheetNumber(selection.sheetNumber.toInt());
    kind == Detail ? buildDetail() : buildPreview();
}

// Checks the archive selection, takes its folder suffix from the sheet index and builds the
// view of that kind.
void MapViewer::showArchive(Kind kind)
{
    const SelectionState &selection = m_context.selection();
    if (selection.installationState != ArchiveWithTiles) {
        showNotInstalled();
        return;
    }
    m_context.select(SheetId::archive(selection.sheetNumber.toInt(),
                                      archive::sheetIndex(m_host.archiveSheetIndex(), selection.sheet().sheetIndex)));
    OverrideCursor busy;
    kind == Detail ? buildDetail() : buildPreview();
}

// --- Building the views -----------------------------------------------------------------

QSize MapViewer::clientSize() const
{
    return m_window.size();
}

qreal MapViewer::pixelRatio() const
{
    return m_window.devicePixelRatioF();
}

// The views lay their cells out in device pixels: the client area and the menu bars in them.
QSize MapViewer::inDevicePixels(QSize size) const
{
    return (QSizeF(size) * pixelRatio()).toSize();
}

int MapViewer::menuBarDevicePixels() const
{
    return qRound(geometry::kMenuBarHeight * pixelRatio());
}

void MapViewer::openView(Kind kind)
{
    if (m_open)
        reportDeletedTiles();   // what the view shown until now deleted
    m_viewKind = kind;
    m_grid = m_context.selectedTileGrid();
    if (kind == Detail) {
        stepGauge();
        m_menu->magnifierAction->setEnabled(m_context.options().fullScreenView());
    } else {
        m_menu->magnifierAction->setEnabled(false);
        m_magnifier->hideOnly();
    }
    m_scrollBox->hide();
    if (m_panel)
        m_panel->hide();
    m_host.showViewBars();
    if (kind == Detail)
        stepGauge();

    const SelectionState &s = m_context.selection();
    if (s.editionFolder == editions::kColour || s.editionFolder == editions::kBlackAndWhite)
        m_host.setCaption(QStringLiteral("Carte de Cassini n° ") + s.sheetNumber + s.folderSuffix
                          + QStringLiteral(" - Bnf/Gallica"));
    else
        m_host.setCaption(QStringLiteral("Carte n° ") + s.sheetNumber + s.folderSuffix
                          + QStringLiteral(" - Archives Bnf/Gallica"));

    if (m_context.options().fullScreenView() && !m_window.isMaximized()) {
        m_fullScreen = true;
        m_sizeBeforeFullScreen = m_window.size();
        m_host.maximise();
        // The new size is needed for the layout below: let the window take it now.
        QApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    }
    m_open = true;
}

void MapViewer::replacePanel(QWidget *panel)
{
    m_mouseSurface->hide();
    m_mouseSurface->setParent(m_scrollBox);
    if (m_panel) {
        if (m_scrollBox->widget() == m_panel)
            m_scrollBox->takeWidget();
        delete m_panel;
    }
    m_panel = panel;
}

// The width of the sheet's last column and the height of its last row when its tiles fill
// only part of the grid (a map that is no whole number of tiles); empty otherwise.
QSize MapViewer::lastTileSize() const
{
    if (!m_mosaic || m_grid == QSize(store::kGridSide, store::kGridSide) || m_cellSize.isEmpty())
        return {};
    const Mosaic::Tile &corner = m_mosaic->tile(m_grid.width() - 1, m_grid.height() - 1);
    const QSize lastColumn = corner.present ? corner.size : m_mosaic->tile(m_grid.width() - 1, 0).size;
    const QSize lastRow = corner.present ? corner.size : m_mosaic->tile(0, m_grid.height() - 1).size;
    return {lastColumn.width() > 0 ? std::min(lastColumn.width(), m_cellSize.width()) : m_cellSize.width(),
            lastRow.height() > 0 ? std::min(lastRow.height(), m_cellSize.height()) : m_cellSize.height()};
}

bool MapViewer::measureTiles()
{
    replacePanel(nullptr);   // its cells may read the mosaic being replaced
    m_mosaic = std::make_unique<Mosaic>(m_context.selectedMapFolder());
    const Mosaic::Scan scan = m_mosaic->measure();
    m_deletedTiles << scan.deleted;
    if (!scan.renamed.isEmpty()) {
        QString text = QStringLiteral("Images d'un autre format que JPEG, renommées et conservées :");
        for (const QString &file : scan.renamed.mid(0, kListedTiles))
            text += u'\n' + file;
        tellOnceLaidOut(text);
    }
    m_cellSize = sheetCell(*m_mosaic, m_grid);
    if (!scan.unopenable.isEmpty()) {
        stopGauge();
        reportDeletedTiles();
        m_context.desktop().error(QStringLiteral("Impossible d'ouvrir le fichier %1").arg(scan.unopenable));
        return false;
    }
    if (!m_mosaic->tilesFound()) {
        stopGauge();
        showNotInstalled();
        reportDeletedTiles();
        return false;
    }
    return true;
}


void MapViewer::buildDetail()
{
    openView(Detail);
    stepGauge(2);
    if (!measureTiles())
        return;

    const QSize client = clientSize();
    m_scrollBox->setGeometry(0, geometry::kMenuBarHeight, client.width(),
                            client.height() - 2 * geometry::kMenuBarHeight);
    stepGauge(2);

    auto *panel = new MosaicPanel(m_scrollBox, m_cellSize, QStringLiteral("ImageC"), m_mosaic.get(), m_grid, pixelRatio());
    replacePanel(panel);
    // The picture ends with its last column and row, narrower than a cell: so does the panel.
    if (const QSize last = lastTileSize(); !last.isEmpty())
        panel->setLastCellSize(last);
    stepGauge();
    stepGauge(store::kTileCount);

    m_mouseSurface->setParent(panel);
    m_mouseSurface->setGeometry(QRect(QPoint(0, 0), panel->size()));
    m_mouseSurface->setCursor(Qt::ArrowCursor);
    m_mouseSurface->raise();
    m_mouseSurface->show();
    stepGauge();

    // The cells get their tiles when they are painted: only the visible ones are decoded.
    m_scrollBox->setWidget(panel);
    stepGauge(store::kTileCount);
    panel->show();
    m_scrollBox->show();
    m_input->takeKeyboard();
    keepFloatingPanelsOnTop();

    const QSize viewport = m_scrollBox->viewport()->size();
    m_scrollBox->horizontalScrollBar()->setValue(qRound(m_detailCentre.x() / pixelRatio()) - viewport.width() / 2);
    m_scrollBox->verticalScrollBar()->setValue(qRound(m_detailCentre.y() / pixelRatio()) - viewport.height() / 2);
    trimDetailCache();
    // The tiles about to be painted, decoded side by side rather than one by one.
    Mosaic::Placement detail;
    detail.origin = QPoint(1, 1);
    detail.pitch = m_cellSize;
    m_mosaic->preloadVisible(detail, visibleArea());
    reportKeptFailure(m_mosaic.get(), this, m_context.desktop());
    reportDeletedTiles();
    stopGauge();
}

// A preview kept in the cache under the folder's present key is shown as it is; any other
// is built from the tiles and kept.
void MapViewer::buildPreview()
{
    openView(Preview);
    stepGauge(3);
    if (showPreviewForWindow())
        stopGauge();
}

// The preview for the client area the window has now, its cells filling the height: from the
// cache when it holds the sheet at this size, else decoded from the tiles.
bool MapViewer::showPreviewForWindow()
{
    const QString folder = m_context.selectedMapFolder();
    const QSize client = clientSize();
    const QSize deviceClient = inDevicePixels(client);
    m_previewHeights[m_window.isMaximized() ? 1 : 0] = client.height();
    const QByteArray key = PreviewCache::keyOf(folder);
    std::optional<PreviewCache::Entry> cached = m_previewCache.find(folder, key);
    if (cached && cached->cell != geometry::previewCell(deviceClient, cached->tileCell, m_grid, menuBarDevicePixels()))
        cached.reset();
    if (cached) {
        replacePanel(nullptr);
        m_mosaic = std::make_unique<Mosaic>(folder);
        m_cellSize = cached->tileCell;
        if (m_grid != QSize(store::kGridSide, store::kGridSide))   // the size of the last column and row
            m_mosaic->measure(QRect(m_grid.width() - 1, m_grid.height() - 1, 1, 1), false);
    } else if (!measureTiles()) {
        return false;
    }

    const QSize cell = geometry::previewCell(deviceClient, m_cellSize, m_grid, menuBarDevicePixels());
    auto *panel = new MosaicPanel(&m_window, cell, QStringLiteral("ImageA"), nullptr, m_grid, pixelRatio());
    replacePanel(panel);
    if (const QSize last = lastTileSize(); !last.isEmpty())   // in proportion to its tiles
        panel->setLastCellSize(QSize(qRound(double(cell.width()) * last.width() / m_cellSize.width()),
                                     qRound(double(cell.height()) * last.height() / m_cellSize.height())));
    movePreviewPanel(panel, client);
    stepGauge();
    stepGauge(store::kTileCount);

    m_mouseSurface->setParent(panel);
    m_mouseSurface->setGeometry(QRect(QPoint(0, 0), panel->size()));
    m_mouseSurface->setCursor(Qt::WhatsThisCursor);   // a double-click opens the detail
    m_mouseSurface->raise();
    m_mouseSurface->show();
    stepGauge();

    panel->show();
    m_input->takeKeyboard();
    keepFloatingPanelsOnTop();
    if (cached)
        showPreviewPictures(cached->cells);
    else
        loadPreviewTiles(key);
    reportDeletedTiles();
    return true;
}

// The open view laid out again for the window's present size: a window manager maximises
// the window some time after it was asked to, and the user may resize it later.
void MapViewer::layOutForWindow()
{
    const QSize client = clientSize();
    if (m_notInstalledBox->isVisible())
        m_notInstalledBox->move(geometry::centredBox(kMessageSize, client));
    // The print panel stays centred, also when the view closes under it.
    if (QWidget &printPanel = m_host.floatingPrintPanel(); printPanel.isVisible())
        printPanel.move(geometry::centredBox(printPanel.size(), client));
    if (!m_open || !m_mosaic)
        return;
    if (m_viewKind == Detail && m_scrollBox->isVisible()) {
        const QRect area(0, geometry::kMenuBarHeight, client.width(), client.height() - 2 * geometry::kMenuBarHeight);
        if (m_scrollBox->geometry() == area)
            return;
        const QSize before = m_scrollBox->viewport()->size();
        const QPoint centre(m_scrollBox->horizontalScrollBar()->value() + before.width() / 2,
                            m_scrollBox->verticalScrollBar()->value() + before.height() / 2);
        m_scrollBox->setGeometry(area);
        // The point that was in the middle stays in the middle.
        const QSize viewport = m_scrollBox->viewport()->size();
        m_scrollBox->horizontalScrollBar()->setValue(centre.x() - viewport.width() / 2);
        m_scrollBox->verticalScrollBar()->setValue(centre.y() - viewport.height() / 2);
        if (m_magnifier->isVisible())
            m_magnifier->move(viewport.width() - Magnifier::kWidth, m_magnifier->y());
        trimDetailCache();
    } else if (m_viewKind == Preview && m_panel && m_panel->isVisible()) {
        auto *panel = qobject_cast<MosaicPanel *>(m_panel.data());
        const QSize cell = geometry::previewCell(inDevicePixels(client), m_cellSize, m_grid, menuBarDevicePixels());
        if (panel && panel->cell(0, 0)->size() == cell && panel->pixelRatio() == pixelRatio())
            movePreviewPanel(panel, client);
        else if (showPreviewForWindow())
            stopGauge();
    }
    if (m_host.floatingPrintPanel().isVisible())
        m_host.floatingPrintPanel().raise();
}

QSize MapViewer::previewClientSize() const
{
    if (!m_context.options().fullScreenView() || m_window.isMaximized())
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
    const QSize grid = m_context.tileGridOfFolder(mapFolder);
    const QSize tileCell = sheetCell(mosaic, grid);
    const QSize cell = geometry::previewCell(inDevicePixels(previewClientSize()), tileCell, grid, menuBarDevicePixels());
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
    if (m_notInstalledBox->isVisible())
        m_notInstalledBox->raise();
    if (m_host.floatingPrintPanel().isVisible())
        m_host.floatingPrintPanel().raise();
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
            if (TileCell *cell = panel->cell(column, row)) {   // none past the sheet's grid
                QImage picture = index < pictures.size() ? pictures[index] : QImage();
                // A tile of the narrower last column or row is squeezed back to its proportions.
                if (!picture.isNull() && picture.size() != cell->size())
                    picture = picture.scaled(cell->size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
                cell->setPicture(picture);
            }
        }
        stepGauge(store::kGridSide);
    }
    reportKeptFailure(m_mosaic.get(), this, m_context.desktop());
}

// The part of the detail's picture the scroll area shows, in the picture's pixels.
QRect MapViewer::visibleArea() const
{
    const qreal ratio = pixelRatio();
    return QRectF(m_scrollBox->horizontalScrollBar()->value() * ratio, m_scrollBox->verticalScrollBar()->value() * ratio,
                  m_scrollBox->viewport()->width() * ratio, m_scrollBox->viewport()->height() * ratio)
        .toAlignedRect();
}

QRect MapViewer::visibleCells() const
{
    return geometry::cellsIn(visibleArea(), m_cellSize);
}

// The preview centred in the client area, below the menu bar.
void MapViewer::movePreviewPanel(MosaicPanel *panel, QSize client)
{
    const int left = geometry::previewPanelLeft(inDevicePixels(client).width(), panel->cell(0, 0)->size().width(),
                                                panel->grid().width());
    panel->move(qRound(left / pixelRatio()), geometry::kMenuBarHeight);
}

void MapViewer::trimDetailCache()
{
    if (!m_mosaic || m_viewKind != Detail || !m_panel || m_scrollBox->widget() != m_panel)
        return;
    m_mosaic->retainNear(visibleCells(), kKeptMargin);
    reportKeptFailure(m_mosaic.get(), this, m_context.desktop());
}

void MapViewer::showNotInstalled()
{
    m_notInstalledBox->move(geometry::centredBox(kMessageSize, clientSize()));
    m_notInstalledBox->show();
    m_notInstalledBox->raise();
}

void MapViewer::startGauge(int maximum)
{
    m_context.statusGauge().start(maximum);
    stepGauge();
}

void MapViewer::stepGauge(int steps)
{
    ProgressGauge &gauge = m_context.statusGauge();
    gauge.setProgress(gauge.progress() + steps);
}

void MapViewer::stopGauge()
{
    m_context.statusGauge().stop();
}

void MapViewer::collectDeletedTiles()
{
    if (m_mosaic)
        m_deletedTiles << m_mosaic->takeDeletedWhileRendering();
}

void MapViewer::reportDeletedTiles()
{
    collectDeletedTiles();
    if (m_deletedTiles.isEmpty())
        return;
    qCWarning(lcView) << "told the user of" << m_deletedTiles.size() << "unreadable tiles deleted";
    const QString text = deletedTilesMessage(m_deletedTiles);
    m_deletedTiles.clear();
    tellOnceLaidOut(text);
}

// A message box is centred on the window as it is when it shows: one told while the window
// is being maximised for a view waits until it has its new size (or a second at most).
void MapViewer::tellOnceLaidOut(const QString &text)
{
    m_pendingMessages << text;
    const bool resizing = m_fullScreen && m_window.size() == m_sizeBeforeFullScreen;
    QTimer::singleShot(resizing ? 1000 : 0, this, &MapViewer::tellPendingMessages);
}

void MapViewer::tellPendingMessages()
{
    const QStringList texts = std::exchange(m_pendingMessages, {});
    for (const QString &text : texts)
        m_context.desktop().message(text, QStringLiteral("Affichage"));
}

// --- Closing ----------------------------------------------------------------------------

void MapViewer::closeView()
{
    m_magnifier->closeAndClear();
    m_input->endDrag();
    if (m_fullScreen || m_window.isMaximized()) {
        m_fullScreen = false;
        m_host.restore();
    }
    if (m_panel)
        m_panel->hide();
    m_scrollBox->hide();
    if (m_open)
        reportDeletedTiles();   // what showing the view deleted since it was built
    if (m_mosaic)
        m_mosaic->clearCache();   // hidden cells need no decoded tiles
    m_open = false;
    m_host.showPages();
}

// --- A double-click on the preview ------------------------------------------------------

// The detail centred on the point of the preview at `global` on the screen.
void MapViewer::openDetailAt(QPoint global)
{
    if (m_viewKind != Preview || !m_panel)
        return;
    {
        OverrideCursor busy;
        startGauge(kPreviewGaugeMaximum);
        const QPoint clicked = global - m_panel->mapToGlobal(QPoint(0, 0));
        const auto *panel = qobject_cast<MosaicPanel *>(m_panel.data());
        const qreal ratio = panel ? panel->pixelRatio() : 1;
        m_detailCentre = geometry::detailCentre((QPointF(clicked) * ratio).toPoint(),
                                                panel ? panel->pictureSize() : m_panel->size(), m_cellSize, m_grid);
        buildDetail();
    }
    m_mouseSurface->setCursor(Qt::ArrowCursor);
}

// The open view is laid out again when its window changes size.
bool MapViewer::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::Resize && watched == &m_window) {
        layOutForWindow();
        if (!m_pendingMessages.isEmpty())   // now centred on the window as it is
            QTimer::singleShot(0, this, &MapViewer::tellPendingMessages);
    }
    return QObject::eventFilter(watched, event);
}

// --- Magnifier, capture, save, copy -------------------------------------------------------

void MapViewer::onMagnifierTriggered()
{
    m_magnifier->open(m_scrollBox->viewport()->width() - Magnifier::kWidth, 1);
}

QImage MapViewer::captureView() const
{
    if (!m_open)
        return {};
    return view::captureView(m_viewKind, m_scrollBox, m_panel);
}

void MapViewer::onSaveTriggered()
{
    saveCapture(captureView(), m_context, m_lastSaveType);
}

void MapViewer::onCopyTriggered()
{
    copyCapture(captureView(), m_context);
}

} // namespace view
