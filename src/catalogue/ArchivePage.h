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
class IiifFetcher;
class IiifReader;
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

    // Handlers.
    void spSkinCheckListBox1ListBoxClick();   // a title selected
    void spSkinSpinEdit2Change();             // sheet index changed
    void spSkinButton52Click();               // "Chercher": search from the top
    void spSkinButton53Click();               // "Suivant": search on after the last match
    void spSkinEdit1Change();                 // search text edited
    void spSkinButton27Click();               // check the installed maps
    void spSkinButton21Click();               // clear every check mark
    void spSkinButton22Click();               // the library's page of the map
    void spSkinButton23Click();               // download
    void spSkinButton26Click();               // import from a backup
    void spSkinButton24Click();               // preview
    void spSkinButton25Click();               // detail
    void spSkinButton7Click();                // print
    void AjouterIiifClick();                  // "Ajouter une carte IIIF"

    // The fetcher that reads the descriptions of added maps.
    IiifFetcher &iiifFetcher() { return *m_fetcher; }

    QGroupBox *spSkinGroupBox11;
    QListWidget *spSkinCheckListBox1;
    SpinEdit *spSkinSpinEdit2;
    QLineEdit *spSkinEdit1;
    QPushButton *spSkinButton27, *spSkinButton21, *spSkinButton52, *spSkinButton53,
        *spSkinButton22, *spSkinButton23, *spSkinButton26, *spSkinButton25, *spSkinButton24,
        *spSkinButton7, *AjouterIiif;
    ColourSquare *Shape69;

signals:
    // Hand-over of the selected map to the other pages and views.
    void downloadRequested();
    void previewRequested();
    void detailRequested();
    void printRequested();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void buildList();
    // The rows of the added maps, after the catalogue's.
    void refreshAddedRows();
    void onIiifRead(const QString &title, const QList<iiif::SheetSource> &sheets);
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

    archive::ArchiveCatalogue m_catalogue;
    IiifFetcher *m_fetcher = nullptr;
    IiifReader *m_reader = nullptr;
    std::optional<OverrideCursor> m_readingCursor;   // while an IIIF address is read
    int m_searchResume = 0;
    bool m_highlighting = false;   // the page itself moves the highlight
    int m_rowAtPress = -1;
};
