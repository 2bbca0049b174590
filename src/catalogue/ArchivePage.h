#pragma once
// Page "Autres cartes": the maps of the library's archives, listed by title, searched by
// words of their titles, selected with a sheet index, checked off when installed, opened
// at the library's web site and handed to the download, import, views and printing.

#include "widgets/Page.h"
#include "catalogue/AddedMaps.h"
#include "catalogue/ArchiveCatalogue.h"
#include "widgets/OverrideCursor.h"

#include <optional>

class ColourSquare;
class QAction;
class PacedFetcher;
namespace source { class MapReader; }
class LibrarySearchPanel;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class SpinEdit;
struct InstallationStatus;

class ArchivePage : public Page {
    Q_OBJECT
public:
    explicit ArchivePage(AppContext &context, QWidget *parent = nullptr);
    void onShow() override;

    const archive::ArchiveCatalogue &catalogue() const { return m_catalogue; }
    // 0-based index of the highlighted row, -1 when none is.
    int highlightedRow() const;
    // The sheet index as typed.
    QString sheetIndexText() const;
    // Row from which "Suivant" goes on: the one after the last match.
    int searchResumePosition() const { return m_searchResume; }

    // The search of the library's catalogue, over the page while open.
    LibrarySearchPanel *librarySearch() const { return m_librarySearch; }

    // "Retirer la carte": takes the highlighted added map off the list, after a question,
    // deleting its installed tiles or keeping them as the person chooses.
    void removeHighlightedMap();

    // The fetcher that reads the descriptions of added maps.
    PacedFetcher &pacedFetcher() { return *m_fetcher; }

signals:
    // Hand-over of the selected map to the other pages and views.
    void downloadRequested();
    void previewRequested();
    void detailRequested();
    void printRequested();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void onMapRowClicked();           // a title selected
    void onSheetIndexChanged();
    void onSearchClicked();           // "Chercher": search from the top
    void onSearchNextClicked();       // "Suivant": search on after the last match
    void onSearchTextChanged();
    void onCheckInstalledClicked();   // check the installed maps
    void onUncheckAllClicked();       // clear every check mark
    void onLibraryPageClicked();      // the library's page of the map
    void onDownloadClicked();
    void onImportClicked();           // import from a backup
    void onPreviewClicked();
    void onDetailClicked();
    void onPrintClicked();
    void onAddIiifClicked();          // "Ajouter une carte en ligne"

    void buildList();
    // The rows of the added maps, after the catalogue's.
    void refreshAddedRows();
    void onIiifRead(const QString &title, const QList<source::SheetSource> &sheets, source::Kind kind);
    void onIiifFailed(const QString &text);
    void buildControls();
    void applyStatus(const InstallationStatus &status);
    void highlightRow(int row);
    void updateGroupCaption();
    // Runs the scan from a row; a match becomes the selection.
    void searchFrom(int fromIndex);
    // Makes the highlighted map with the sheet index the selection. False, and nothing
    // changed, when no row is highlighted.
    bool selectHighlightedMap();
    // Selects the map of a row, its sheet of the sheet index field (the selected index when
    // the field holds none).
    void selectRow(int row);

    archive::ArchiveCatalogue m_catalogue;
    PacedFetcher *m_fetcher = nullptr;
    source::MapReader *m_reader = nullptr;
    LibrarySearchPanel *m_librarySearch = nullptr;
    std::optional<OverrideCursor> m_readingCursor;   // while an IIIF address is read
    int m_searchResume = 0;
    bool m_highlighting = false;   // the page itself moves the highlight
    int m_rowAtPress = -1;
    QGroupBox *m_archiveBox;
    QListWidget *m_mapList;
    SpinEdit *m_sheetIndexEdit;
    QLineEdit *m_searchEdit;
    QPushButton *m_checkInstalledButton, *m_uncheckAllButton, *m_searchButton, *m_searchNextButton,
        *m_libraryPageButton, *m_downloadButton, *m_importButton, *m_detailButton, *m_previewButton,
        *m_printButton, *m_addIiifButton;
    ColourSquare *m_installedSquare;
    QAction *m_removeAction = nullptr;
};
