#pragma once
// The map views of the main window: the preview (the whole sheet, every tile shrunk to a
// small cell) and the detail (every tile at its own size in a scroll area), their menu
// bar, panning, the magnifier, the "Affichage impossible" panel and the capture. While a
// view is open the pages are hidden; closing it brings back the page shown last.

#include "store/TileStore.h"
#include "view/PreviewCache.h"
#include "widgets/OverrideCursor.h"

#include <QImage>
#include <QObject>
#include <QPoint>
#include <QRect>
#include <QPointer>
#include <QSize>
#include <functional>
#include <memory>
#include <optional>

class MainWindow;
class QGroupBox;
class QKeyEvent;
class QLabel;
class QMouseEvent;
class QPushButton;
class QScrollArea;
class QWheelEvent;

namespace render {
class Mosaic;
}

namespace view {

class Magnifier;
using render::Mosaic;
class ZoneSurface;
struct ViewMenu;

class MapViewer : public QObject {
    Q_OBJECT
public:
    explicit MapViewer(MainWindow &window);
    ~MapViewer() override;

    // The sheet index text of the archive page (its field `spSkinSpinEdit2`), read when an
    // archive map is shown; the archive page sets it.
    void setArchiveSheetIndex(std::function<QString()> provider) { m_archiveSheetIndex = std::move(provider); }

    // Previews kept in the user's cache folder. `cachePreviewOf` builds and keeps the
    // preview of a map folder (after a download or an import), for the window size the
    // preview would open at now; nothing when it is kept already.
    PreviewCache &previewCache() { return m_previewCache; }
    void cachePreviewOf(const QString &mapFolder);

    // 0 preview, 1 detail: the view built last (the tag of `Capture`).
    int viewKind() const { return m_viewKind; }
    bool isOpen() const { return m_open; }
    QSize cellSize() const { return m_cellSize; }
    QPoint detailCentre() const { return m_detailCentre; }
    // The point the next detail is centred on (a double-click on the preview sets it).
    void setDetailCentre(QPoint centre) { m_detailCentre = centre; }
    Mosaic *mosaic() const { return m_mosaic.get(); }
    QScrollArea *scrollBox() const { return ScrollBox1; }
    QWidget *panel() const { return m_panel; }
    Magnifier *magnifier() const { return m_magnifier; }
    ViewMenu &menu() const { return *m_menu; }

    // CaptureView: what the open view shows, as a picture (see ViewCapture.h).
    QImage captureView() const;

public slots:
    void spSkinButton16Click();   // "Afficher l'aperçu", menu "Aperçu"
    void spSkinButton2Click();    // "Afficher les détails", menu "Détails", status-bar button
    void spSkinButton18Click();   // "OK" of "Affichage impossible"
    void Fermer1Click();          // "Fermer", "Quitter": closes the view
    void Afficher1Click();        // opens the magnifier
    void Enregistrer2Click();
    void Copier1Click();

signals:
    // Opening the detail of a Cassini sheet discards the print composition.
    void printCompositionDiscarded();
    // Menu "Imprimer" of the view.
    void printViewRequested();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void ShowCassiniPreview();
    void ShowCassiniDetail();
    void ShowArchivePreview();
    void ShowArchiveDetail();
    void showCassini(int kind);
    void showArchive(int kind);
    void BuildPreview();
    void BuildDetail();
    bool MeasureTiles();
    void ShowNotInstalled();

    void openView(int kind);
    void replacePanel(QWidget *panel);
    void loadPreviewTiles(const QByteArray &key);
    void showPreviewPictures(const std::vector<QImage> &pictures);
    QSize previewClientSize() const;
    void keepFloatingPanelsOnTop();
    bool showPreview();
    void layOutForWindow();
    bool isViewArea(QObject *object) const;
    bool viewKey(QKeyEvent *event);
    void trimDetailCache();
    QRect visibleCells() const;
    void reportDeletedTiles();
    QSize clientSize() const;
    void startGauge(int maximum);
    void stepGauge(int steps = 1);
    void stopGauge();

    void ZoneClicMouseDown(QMouseEvent *event);
    void ZoneClicMouseMove(QMouseEvent *event);
    void ZoneClicMouseUp(QMouseEvent *event);
    void ZoneClicDblClick(QMouseEvent *event);
    bool FormMouseWheel(QWheelEvent *event);

    MainWindow &m_window;
    std::unique_ptr<ViewMenu> m_menu;
    std::unique_ptr<Mosaic> m_mosaic;
    PreviewCache m_previewCache;
    int m_previewHeights[2] = {0, 0};   // client height of the last preview: window, full screen
    std::function<QString()> m_archiveSheetIndex;
    QScrollArea *ScrollBox1;
    ZoneSurface *ZoneClic;
    QPointer<QWidget> m_panel;
    QGroupBox *MessageAbsent;
    QPushButton *spSkinButton18;
    QLabel *ImageTest;
    QLabel *Capture;
    Magnifier *m_magnifier;

    int m_viewKind = 0;
    bool m_open = false;
    bool m_fullScreen = false;   // the window was maximised for the view
    QSize m_cellSize;
    QSize m_grid{store::kGridSide, store::kGridSide};   // the columns x rows the sheet's tiles fill
    QPoint m_detailCentre;
    int m_lastSaveType = 1;
    bool m_dragging = false;
    std::optional<OverrideCursor> m_dragCursor;
    QPoint m_anchorPointer, m_anchorScroll;
    int m_wheelRemainder = 0;
};

} // namespace view
