#pragma once
// Page "Téléchargement": choosing the rectangle of tiles to fetch, building the download
// list, running the download and watching it (list, last tile, gauge, connection status).

#include "widgets/Page.h"
#include "download/DownloadList.h"
#include "session/SheetId.h"
#include "widgets/OverrideCursor.h"

#include <optional>

class CheckBox;
class DownloadEngine;
namespace source {
class MapReader;
}
class QComboBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QTimer;
class QTreeView;

class DownloadPage : public Page {
    Q_OBJECT
public:
    DownloadPage(AppContext &context, QWidget *parent = nullptr);
    ~DownloadPage() override;
    void onShow() override;

    download::DownloadList &list() { return m_list; }
    DownloadEngine &engine() { return *m_engine; }

public slots:
    // Hands the current selection to this page and brings it to the front ("Télécharger et
    // installer" on the Cassini page, "Télécharger" on the archive page).
    void bringForwardForSelection();

signals:
    // The page asks the window to show it.
    void frontRequested();

private:
    void buildPickers();
    void followSharedOptions();
    void onOpenFolderClicked();     // the folder of the running download
    void onBuildListClicked();      // "Créer la liste d'images à télécharger"
    void onDownloadClicked();       // "Télécharger": starts a run
    void onIiifAddressClicked();    // "Adresse en ligne de la carte": the selected sheet's address (IIIF, Deep Zoom, Zoomify)
    void clearSheetAddress(const SheetId &sheet);
    void onPickerActivated(QComboBox *moved, download::Picker which);
    void resetPickers();
    void setRunControls(bool running);
    void showTile(const QString &tileFile);
    void drawPendingTile();
    QString selectionCaption() const;
    // The rectangle of the four pickers.
    source::TileRect tileRect() const;
    // The pickers' rectangle within the selected sheet's grid of tiles; nothing when outside.
    std::optional<source::TileRect> listRect() const;

    download::DownloadList m_list;
    DownloadEngine *m_engine = nullptr;

    QLabel *m_lastTileLabel;
    QPushButton *m_openFolderButton;
    QPushButton *m_iiifAddressButton;
    QTreeView *m_listView;
    QComboBox *m_firstColumnPicker, *m_lastColumnPicker, *m_firstRowPicker, *m_lastRowPicker;
    QPushButton *m_buildListButton;
    QLineEdit *m_connectionStatusEdit;
    CheckBox *m_autoHangUpBox, *m_autoConnectBox;
    QProgressBar *m_listGauge;
    QPushButton *m_downloadButton, *m_stopButton;

    // The last tile received is drawn at most every 100 ms, whatever the pace of the run.
    QTimer *m_tileThrottle = nullptr;
    QString m_pendingTile;
    source::MapReader *m_reader = nullptr;
    std::optional<OverrideCursor> m_readingCursor;   // while an IIIF address is read
    // The sheet whose address is being read: edition folder, sheet number, sheet index.
    SheetId m_addressSheet;
};
