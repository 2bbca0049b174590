#pragma once
// Page "Cartes de Cassini": the index map with one button per sheet, the edition choice,
// the installation indicators, the check of all sheets and the actions on the selected sheet.

#include "widgets/Page.h"

#include <array>

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
    // The selection's edition folder from the edition choice (unchanged when none is chosen).
    void applyEditionChoice();
    NumberButton *sheetButton(int sheet) const { return m_sheetButtons.at(sheet); }

    // Handlers.
    void SpeedButton1Click(NumberButton *button);
    void spSkinSpinEdit1Change();       // the Cassini selection
    void spSkinRadioGroup2Click();      // edition change
    void spSkinButton13Click();         // check of all sheets
    void spSkinButton6Click();          // import from a backup
    void spSkinButton3Click();          // the library's page of the sheet
    // Colours every sheet button navy and the selected one red.
    void highlightSelectedSheet();
    // Sets the caption "Carte " + sheet + suffix + " sélectionnée".
    void updateGroupCaption();

    RadioGroup *spSkinRadioGroup2;
    QGroupBox *spSkinGroupBox5;
    QLabel *spSkinStdLabel4;
    ColourSquare *Shape6, *Shape2, *Shape19, *Shape18;
    QProgressBar *spSkinGauge4, *spSkinGauge5;
    QPushButton *spSkinButton13;
    QPushButton *spSkinButton16, *spSkinButton2, *spSkinButton4, *spSkinButton6, *spSkinButton35,
        *spSkinButton3;

signals:
    // Actions whose work belongs to other pages and views.
    void previewRequested();
    void detailRequested();
    void downloadRequested();
    void printRequested();

private:
    void applyStatus(const InstallationStatus &status);
    void buildLegend();
    void buildActions();
    void buildCheck();

    StatusBar &m_statusBar;
    std::array<NumberButton *, 183> m_sheetButtons{};
};
