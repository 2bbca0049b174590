#pragma once
// Page "Cartes de Cassini": the index map with one button per sheet, the edition choice,
// the installation indicators, the check of all sheets and the actions on the selected sheet.

#include "session/SheetId.h"
#include "widgets/Page.h"

#include <array>

class CassiniSheetSearch;
class ColourSquare;
class NumberButton;
class QGroupBox;
class QLabel;
class QProgressBar;
class QPushButton;
class RadioGroup;
class StatusBar;
struct InstallationStatus;

class CassiniPage : public Page {
    Q_OBJECT
public:
    CassiniPage(AppContext &context, StatusBar &statusBar, QWidget *parent = nullptr);

    void onShow() override;

    int editionItem() const;
    // "Chercher la feuille dans la bibliothèque".
    CassiniSheetSearch &librarySearch() { return *m_librarySearch; }
    // Selects the selected sheet number in the edition of the edition choice (the
    // selection's edition when none is chosen), without folder suffix.
    void applyEditionChoice();

signals:
    // Actions whose work belongs to other pages and views.
    void previewRequested();
    void detailRequested();
    void downloadRequested();
    void printRequested();

private:
    // A Cassini sheet of the chosen edition.
    SheetId chosenSheet(int sheet) const;
    // A Cassini selection shows here: the caption and the sheet's button.
    void followSelection(const SheetId &sheet);
    // Colours every sheet button navy and the selected one red.
    void highlightSelectedSheet();
    // Sets the caption "Carte " + sheet + suffix + " sélectionnée".
    void updateGroupCaption();
    void onSheetButtonClicked(int sheet);
    void onSheetNumberChanged();        // the Cassini selection
    void onEditionClicked();            // edition change
    void onCheckAllClicked();           // check of all sheets
    void onImportClicked();             // import from a backup
    void onLibraryPageClicked();        // the library's page of the sheet

    void applyStatus(const InstallationStatus &status);
    void buildLegend();
    void buildActions();
    void buildCheck();

    StatusBar &m_statusBar;
    std::array<NumberButton *, 183> m_sheetButtons{};   // by sheet number, 1..182
    RadioGroup *m_editionChoice;
    QGroupBox *m_actionsBox;
    QLabel *m_legendTitle;
    ColourSquare *m_selectedSquare, *m_completeSquare, *m_partialSquare, *m_emptySquare;
    QProgressBar *m_tileCheckGauge, *m_sheetCheckGauge;
    QPushButton *m_checkAllButton;
    CassiniSheetSearch *m_librarySearch = nullptr;
    QPushButton *m_previewButton, *m_detailButton, *m_downloadButton, *m_importButton, *m_printButton,
        *m_libraryPageButton;
};
