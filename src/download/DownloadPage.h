#pragma once
// Page "Téléchargement": choosing the rectangle of tiles to fetch, building the download
// list, running the download and watching it (list, last tile, gauge, connection status).

#include "widgets/Page.h"
#include "download/DownloadList.h"
#include "widgets/OverrideCursor.h"

#include <optional>

class CheckBox;
class DownloadEngine;
class IiifReader;
class PreferencesPage;
class QComboBox;
class QFrame;
class QGroupBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QTimer;
class QTreeView;

class DownloadPage : public Page {
    Q_OBJECT
public:
    DownloadPage(AppContext &context, PreferencesPage &preferences, QWidget *parent = nullptr);
    ~DownloadPage() override;
    void onShow() override;

    // Handlers.
    void spSkinCheckRadioBox1Click(bool checked);
    void spSkinCheckRadioBox2Click(bool checked);
    void spSkinButton54Click();   // opens the folder of the running download
    void spSkinComboBox7Change(); // first column
    void spSkinComboBox1Change(); // last column
    void spSkinComboBox8Change(); // first row
    void spSkinComboBox2Change(); // last row
    void spSkinButton8Click();    // "Créer la liste d'images à télécharger"
    void spSkinButton31Click();   // "Télécharger": starts a run
    void spSkinButton9Click();    // "Arrêter"
    void AdresseIiifClick();      // "Adresse IIIF de la carte": the selected sheet's IIIF address

    // The rectangle of the four pickers.
    download::TileRect tileRect() const;
    // The pickers' rectangle within the selected sheet's grid of tiles; nothing when outside.
    std::optional<download::TileRect> listRect() const;
    download::DownloadList &list() { return m_list; }
    DownloadEngine &engine() { return *m_engine; }

    CheckBox *spSkinCheckRadioBox1, *spSkinCheckRadioBox2;
    QPushButton *spSkinButton54, *spSkinButton8, *spSkinButton31, *spSkinButton9, *AdresseIiif;
    QFrame *Panel4;
    QLabel *Telimage;
    QLabel *Panel1;
    QGroupBox *spSkinGroupBox6, *spSkinGroupBox2, *spSkinGroupBox20, *spSkinGroupBox3;
    QTreeView *spSkinListView1;
    QComboBox *spSkinComboBox7, *spSkinComboBox1, *spSkinComboBox8, *spSkinComboBox2;
    QLineEdit *spSkinEdit3;
    QProgressBar *spSkinGauge3;

public slots:
    // Hands the current selection to this page and brings it to the front ("Télécharger et
    // installer" on the Cassini page, "Télécharger" on the archive page).
    void bringForwardForSelection();

signals:
    // The page asks the window to show it.
    void frontRequested();

private:
    void buildPickers();
    void pickerChanged(QComboBox *moved, download::Picker which);
    void resetPickers();
    void setRunControls(bool running);
    void showTile(const QString &tileFile);
    void drawPendingTile();
    QString selectionCaption() const;

    PreferencesPage &m_preferences;
    download::DownloadList m_list;
    DownloadEngine *m_engine = nullptr;
    // The last tile received is drawn at most every 100 ms, whatever the pace of the run.
    QTimer *m_tileThrottle = nullptr;
    QString m_pendingTile;
    IiifReader *m_reader = nullptr;
    std::optional<OverrideCursor> m_readingCursor;   // while an IIIF address is read
    // The sheet whose address is being read: edition folder, sheet number, sheet index.
    QString m_addressEdition, m_addressSheet;
    int m_addressIndex = 1;
};
