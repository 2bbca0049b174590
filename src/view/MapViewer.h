#pragma once
// The map views of the main window: the preview (the whole sheet, every tile shrunk to a
// small cell) and the detail (every tile at its own size in a scroll area), their menu
// bar, the magnifier, the "Affichage impossible" panel and the capture. While a view is
// open the pages are hidden; closing it brings back the page shown last. Its wheel, keys
// and mouse are ViewInput's.

#include "store/TileStore.h"
#include "view/ViewHost.h"
#include "view/PreviewCache.h"

#include <QImage>
#include <QObject>
#include <QPoint>
#include <QRect>
#include <QPointer>
#include <QSize>
#include <QStringList>
#include <memory>
#include <optional>

class AppContext;
class QGroupBox;
class QLabel;
class QPushButton;
class QScrollArea;

namespace render {
class Mosaic;
}

namespace view {

class Magnifier;
using render::Mosaic;
class MosaicPanel;
class MouseSurface;
class ViewInput;
struct ViewMenu;

class MapViewer : public QObject {
    Q_OBJECT
public:
    MapViewer(ViewHost &host, AppContext &context, QObject *parent = nullptr);
    ~MapViewer() override;

    // Previews kept in the user's cache folder. `cachePreviewOf` builds and keeps the
    // preview of a map folder (after a download or an import), for the window size the
    // preview would open at now; nothing when it is kept already.
    PreviewCache &previewCache() { return m_previewCache; }
    void cachePreviewOf(const QString &mapFolder);

    // 0 preview, 1 detail: the view built last.
    int viewKind() const { return m_viewKind; }
    bool isOpen() const { return m_open; }
    QSize cellSize() const { return m_cellSize; }
    // In the detail's picture, whose pixels are the screen's device pixels.
    QPoint detailCentre() const { return m_detailCentre; }
    // The point the next detail is centred on (a double-click on the preview sets it).
    void setDetailCentre(QPoint centre) { m_detailCentre = centre; }
    Mosaic *mosaic() const { return m_mosaic.get(); }

    // What the open view shows, as a picture (see ViewCapture.h).
    QImage captureView() const;

public slots:
    void showPreview();            // "Afficher l'aperçu", menu "Aperçu"
    void showDetail();             // "Afficher les détails", menu "Détails", status-bar button
    void closeView();              // "Fermer", "Quitter"

signals:
    // Opening the detail of a Cassini sheet discards the print composition.
    void printCompositionDiscarded();
    // Menu "Imprimer" of the view.
    void printViewRequested();

protected:
    // Follows the window's size.
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    enum Kind { Preview = 0, Detail = 1 };

    void showCassini(Kind kind);
    void showArchive(Kind kind);
    void buildPreview();
    void buildDetail();
    bool measureTiles();
    QSize lastTileSize() const;
    void showNotInstalled();
    void onNotInstalledOkClicked();
    void onMagnifierTriggered();
    void onSaveTriggered();
    void onCopyTriggered();

    void openView(Kind kind);
    void replacePanel(QWidget *panel);
    void loadPreviewTiles(const QByteArray &key);
    void showPreviewPictures(const std::vector<QImage> &pictures);
    QSize previewClientSize() const;
    void keepFloatingPanelsOnTop();
    void tellOnceLaidOut(const QString &text);
    void tellPendingMessages();
    bool showPreviewForWindow();
    void layOutForWindow();
    void trimDetailCache();
    QRect visibleArea() const;
    QRect visibleCells() const;
    void movePreviewPanel(MosaicPanel *panel, QSize client);
    // Takes the tiles the mosaic deleted as unreadable since the last call.
    void collectDeletedTiles();
    // Tells the user, once the current step is over, the deleted tiles not told yet: one
    // message listing them when a view has been built, and one when it closes for those
    // that showing it deleted afterwards.
    void reportDeletedTiles();
    QSize clientSize() const;
    qreal pixelRatio() const;
    QSize inDevicePixels(QSize size) const;
    int menuBarDevicePixels() const;
    void startGauge(int maximum);
    void stepGauge(int steps = 1);
    void stopGauge();

    void openDetailAt(QPoint global);

    ViewHost &m_host;
    AppContext &m_context;
    QWidget &m_window;
    std::unique_ptr<ViewMenu> m_menu;
    std::unique_ptr<Mosaic> m_mosaic;
    PreviewCache m_previewCache;
    int m_previewHeights[2] = {0, 0};   // client height of the last preview: window, full screen
    QScrollArea *m_scrollBox;
    MouseSurface *m_mouseSurface;
    QPointer<QWidget> m_panel;
    QGroupBox *m_notInstalledBox;
    Magnifier *m_magnifier;

    Kind m_viewKind = Preview;
    bool m_open = false;
    bool m_fullScreen = false;   // the window was maximised for the view
    QSize m_cellSize;
    QSize m_grid{store::kGridSide, store::kGridSide};   // the columns x rows the sheet's tiles fill
    QPoint m_detailCentre;
    int m_lastSaveType = 1;
    QStringList m_deletedTiles;   // deleted since the user was last told
    QStringList m_pendingMessages;   // to tell once the window has its size
    QSize m_sizeBeforeFullScreen;
    std::unique_ptr<ViewInput> m_input;   // last: it goes first, before the state it reads
};

} // namespace view
