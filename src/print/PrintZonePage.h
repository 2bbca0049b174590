#pragma once
// Page "Impression": choosing and composing the zone of a sheet to print. "Zone" composes
// the picked rectangle of tiles into Quart1, "Carte entière" the whole sheet as four
// quarters; the page shows the composition at 1:1 in a scroll box that follows the mouse,
// and its quarter-size overview in the "Aperçu" box. The composition then goes to the
// one-page print or to the poster page.

#include "widgets/Page.h"
#include "print/TileComposition.h"
#include "widgets/OverrideCursor.h"

#include <QImage>
#include <QPoint>
#include <array>
#include <optional>

class PrintPanel;
class QComboBox;
class QLabel;
class QPushButton;
class QScrollArea;
class ZonePicture;

class PrintZonePage : public Page {
    Q_OBJECT
public:
    PrintZonePage(AppContext &context, PrintPanel &printPanel, QWidget *parent = nullptr);
    void onShow() override;
    // The page's caption, naming the selected sheet.
    QString selectionCaption() const;

    // What the poster page reads: the composed pictures (1..4), the size of the whole
    // composition, and a reduced picture of a quarter for its preview.
    const printing::TileComposition &quarter(int index) const { return m_quarters.at(index - 1); }
    QSize compositionSize() const;
    QImage quarterPreview(int index) const;
    const QImage &overview() const { return m_overview; }

    // Leaving the poster page: every composed picture goes, and the print buttons with it.
    void clearCompositions();
    // Opening the detail view of a sheet discards the zone picture; poster printing waits
    // for the next composition.
    void discardComposition();

signals:
    // "Imprimer sur X feuilles".
    void posterRequested();
    // "Carte entière" makes the four quarters available to the poster page, "Zone" not.
    void quartersAvailable(bool available);

private:
    void onZoneClicked();
    void onWholeSheetClicked();
    void onPrintOnePageClicked();
    // A picker the user moved: `first`/`last` pick one direction, the moved one wins.
    void onPickerChosen(QComboBox *first, QComboBox *last, bool firstMoved);
    void onPictureMousePressed(QPoint globalPosition);
    void onPictureMouseMoved(QPoint globalPosition);
    void onPictureMouseReleased();
    void onDownloadRunning(bool running);

    // The tiles of the cells of the selection's grid (columns and rows from 0), with the gauge.
    printing::TileComposition composeTiles(const QRect &cells);
    // The same in two steps: the grid of the tiles, then their overview drawn with the gauge
    // (into `canvas` at `at` when given).
    printing::TileComposition measureTiles(const QRect &cells);
    void drawOverview(printing::TileComposition &composition, QImage *canvas = nullptr, QPoint at = {},
                      bool whiteWhereNoTile = false);
    // Every composed picture and the overview go; both print buttons wait for the next
    // composition.
    void dropCompositions();
    // The same when the user picks another zone: "Zone" is offered again.
    void clearForNewZone();
    // Keeps the pickers within the selected sheet's grid of tiles, the letters past it disabled.
    void keepPickersInGrid();
    void showOverview();
    void placeQuarter(int index, QPoint at);

    PrintPanel &m_printPanel;
    std::array<printing::TileComposition, 4> m_quarters;
    std::array<QRect, 4> m_quadrants;   // each quarter's place in the overview
    QImage m_overview;                  // the picture the hidden overview label stands for
    QSize m_tileSize{105, 113};         // size of the last tile composed
    bool m_dragging = false;
    std::optional<OverrideCursor> m_dragCursor;
    QPoint m_dragStart;
    int m_dragH = 0, m_dragV = 0;

    QScrollArea *m_scrollBox;
    QWidget *m_quarterPanel;                         // holds the four pictures at 1:1
    std::array<ZonePicture *, 4> m_quarterPictures{};
    QLabel *m_overviewLabel;                         // the overview fitted in "Aperçu"
    QLabel *m_overviewSizeLabel;                     // hidden, sized as the overview
    QLabel *m_tileSizeLabel;                         // hidden, sized as the last tile
    QComboBox *m_firstColumnBox, *m_lastColumnBox, *m_firstRowBox, *m_lastRowBox;
    QPushButton *m_zoneButton, *m_wholeSheetButton, *m_printOnePageButton, *m_posterButton;
};
