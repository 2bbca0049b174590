#include "catalogue/CassiniPage.h"
#include "library/CassiniSheetSearch.h"
#include "session/AppContext.h"
#include "widgets/Controls.h"
#include "widgets/StatusBar.h"
#include "catalogue/CassiniCatalogue.h"
#include "catalogue/IndexMap.h"
#include "catalogue/InstallationStatus.h"
#include "catalogue/Library.h"
#include "platform/Desktop.h"
#include "catalogue/SelectedSheetImport.h"
#include "export/ExportDialog.h"
#include "store/TileStore.h"
#include "widgets/ColourSquare.h"
#include "widgets/NumberButton.h"
#include "widgets/RadioGroup.h"
#include "widgets/SpinEdit.h"
#include "widgets/OverrideCursor.h"

#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>

using controls::button;
using controls::named;

namespace {
const QString kSquareHint = QStringLiteral("Indique si la carte sélectionnée est installée");
}

CassiniPage::CassiniPage(AppContext &context, StatusBar &statusBar, QWidget *parent)
    : Page(context, QStringLiteral("spSkinTabSheet3"), parent), m_statusBar(statusBar)
{
    new IndexMap(QPoint(15, 4), this);
    const QString hint = QStringLiteral("Un clic sur un bouton sélectionne la carte de Cassini correspondante");
    for (int sheet = 1; sheet <= cassini::kSheetCount; ++sheet) {
        auto *b = named(new NumberButton(QString::number(sheet), this),
                        QStringLiteral("SpeedButton%1").arg(sheet), cassini::buttonRect(sheet), hint);
        b->setAccessibleName(QStringLiteral("Carte %1").arg(sheet));
        connect(b, &QToolButton::clicked, this, [this, sheet] { onSheetButtonClicked(sheet); });
        m_sheetButtons[sheet] = b;
    }
    m_sheetButtons[cassini::kMissingSheet]->hide();

    m_editionChoice = named(new RadioGroup(QStringLiteral("Sélection de l'édition"),
                                             {QStringLiteral("Edition couleurs."),
                                              QStringLiteral("Nouvelle édition noir et blanc.")},
                                             this),
                            QStringLiteral("spSkinRadioGroup2"), QRect(455, 2, 232, 64),
                            QStringLiteral("Sélectionne l'édition à utiliser"));
    m_editionChoice->setItemIndex(0);
    connect(m_editionChoice, &RadioGroup::clicked, this, &CassiniPage::onEditionClicked);

    buildLegend();
    buildCheck();
    buildActions();

    connect(&m_statusBar, &StatusBar::sheetNumberChanged, this, &CassiniPage::onSheetNumberChanged);
    connect(&m_context, &AppContext::selectionStatusRefreshed, this, &CassiniPage::applyStatus);
    connect(&m_context, &AppContext::selectionChanged, this, &CassiniPage::followSelection);
    followSelection(m_context.selection().sheet());
    connect(&m_context, &AppContext::downloadRunningChanged, this, [this](bool running) {
        for (QPushButton *b : {m_downloadButton, m_importButton, m_printButton, m_previewButton, m_detailButton})
            b->setEnabled(!running);
    });
}

void CassiniPage::buildLegend()
{
    m_selectedSquare = named(new ColourSquare(colours::kRed, this), QStringLiteral("Shape6"), QRect(462, 74, 17, 14), kSquareHint);
    m_legendTitle = controls::label(this, QStringLiteral("spSkinStdLabel4"),
                                    QStringLiteral("Carte sélectionnée :"), QRect(486, 72, 150, 18),
                                    kSquareHint);
    // Each line of the legend stands beside its square, centred on the same height.
    const QString linesHint = QStringLiteral("Indique le nombre d'images présentes dans le dossier de la carte sélectionnée");
    const std::pair<const char *, const char *> lines[] = {
        {"spSkinTextLabel5", "676 images"}, {"spSkinTextLabel5b", "1 à 675 images"}, {"spSkinTextLabel5c", "0 images"}};
    for (int i = 0; i < 3; ++i) {
        auto *line = controls::label(this, QString::fromLatin1(lines[i].first), QString::fromUtf8(lines[i].second),
                                     QRect(486, 92 + 18 * i, 150, 18), linesHint);
        line->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    }
    m_completeSquare = named(new ColourSquare(colours::kWhite, this), QStringLiteral("Shape2"), QRect(462, 94, 17, 14), kSquareHint);
    m_partialSquare = named(new ColourSquare(colours::kWhite, this), QStringLiteral("Shape19"), QRect(462, 112, 17, 14), kSquareHint);
    m_emptySquare = named(new ColourSquare(colours::kWhite, this), QStringLiteral("Shape18"), QRect(462, 130, 17, 14), kSquareHint);
}

void CassiniPage::buildCheck()
{
    auto *box = controls::group(this, QStringLiteral("spSkinGroupBox7"),
                                QStringLiteral("Vérification des Cartes installées"), QRect(455, 150, 232, 96));
    m_checkAllButton = button(box, QStringLiteral("spSkinButton13"), QStringLiteral("Afficher"),
                            QRect(8, 20, 70, 24), QStringLiteral("Affiche le détail de toutes les cartes installées"));
    m_tileCheckGauge = named(new QProgressBar(box), QStringLiteral("spSkinGauge4"), QRect(84, 22, 140, 20));
    m_tileCheckGauge->setRange(0, store::kTileCount - 1);
    m_tileCheckGauge->setValue(0);
    m_tileCheckGauge->setFormat(QStringLiteral("Vérification des images"));
    m_sheetCheckGauge = named(new QProgressBar(box), QStringLiteral("spSkinGauge5"), QRect(8, 56, 216, 20));
    m_sheetCheckGauge->setRange(0, 181);
    m_sheetCheckGauge->setValue(0);
    m_sheetCheckGauge->setFormat(QStringLiteral("Cartes vérifiées"));
    connect(m_checkAllButton, &QPushButton::clicked, this, &CassiniPage::onCheckAllClicked);
}

void CassiniPage::buildActions()
{
    m_actionsBox = controls::group(this, QStringLiteral("spSkinGroupBox5"), QString(), QRect(455, 250, 232, 190));
    const QRect rows[] = {{8, 20, 216, 25}, {8, 48, 216, 25}, {8, 76, 216, 25},
                          {8, 104, 216, 25}, {8, 132, 216, 25}, {8, 160, 216, 25}};
    m_previewButton = button(m_actionsBox, QStringLiteral("spSkinButton16"), QStringLiteral("Afficher l'aperçu"),
                             rows[0], QStringLiteral("Affiche toute la carte sélectionnée"));
    m_detailButton = button(m_actionsBox, QStringLiteral("spSkinButton2"), QStringLiteral("Afficher les détails"),
                            rows[1], QStringLiteral("Affiche une zone de la carte sélectionnée"));
    m_downloadButton = button(m_actionsBox, QStringLiteral("spSkinButton4"), QStringLiteral("Télécharger et installer"),
                              rows[2], QStringLiteral("Télécharge la carte sélectionnée et l'installe dans son dossier"));
    m_importButton = button(m_actionsBox, QStringLiteral("spSkinButton6"), QStringLiteral("Importer d'une sauvegarde"),
                            rows[3], QStringLiteral("Installe la carte sélectionnée à partir d'une sauvegarde ( Dossier de sauvegarde, CD...)"));
    m_printButton = button(m_actionsBox, QStringLiteral("spSkinButton35"), QStringLiteral("Imprimer"),
                           rows[4], QStringLiteral("Préparer l'impression de la carte sélectionnée"));
    m_libraryPageButton = button(m_actionsBox, QStringLiteral("spSkinButton3"), QStringLiteral("Voir la page Bnf/Gallica"),
                                 rows[5], QStringLiteral("Ouvre le navigateur internet à la page de la carte sur le site BnF/Gallica"));
    connect(m_previewButton, &QPushButton::clicked, this, &CassiniPage::previewRequested);
    connect(m_detailButton, &QPushButton::clicked, this, &CassiniPage::detailRequested);
    connect(m_downloadButton, &QPushButton::clicked, this, [this] {
        if (!m_librarySearch->openForSheetWithoutAddress())
            emit downloadRequested();
    });
    connect(m_printButton, &QPushButton::clicked, this, &CassiniPage::printRequested);
    connect(m_importButton, &QPushButton::clicked, this, &CassiniPage::onImportClicked);
    connect(m_libraryPageButton, &QPushButton::clicked, this, &CassiniPage::onLibraryPageClicked);

    // "Exporter la carte entière..." and "Chercher la feuille dans la bibliothèque" join the
    // column, which closes up to hold them.
    QPushButton *exportButton = button(m_actionsBox, QStringLiteral("ExporterCarte"), exporting::exportEntryText(),
                                       QRect(8, 0, 216, 21), exporting::exportHint());
    connect(exportButton, &QPushButton::clicked, this, [this] { exporting::exportSelectedMap(window(), m_context); });
    m_librarySearch = new CassiniSheetSearch(m_context, [this] { return editionItem(); }, this);
    QPushButton *searchButton = m_librarySearch->addButton(m_actionsBox, QRect(8, 0, 216, 21));
    int top = 14;
    for (QPushButton *b : {m_previewButton, m_detailButton, m_downloadButton, m_importButton, m_printButton,
                           m_libraryPageButton, exportButton, searchButton}) {
        b->setGeometry(8, top, 216, 21);
        top += 22;
    }
    connect(m_librarySearch, &CassiniSheetSearch::installRequested, this, &CassiniPage::downloadRequested);
}

void CassiniPage::onShow()
{
    setCaption(QStringLiteral("Sélection d'une carte de Cassini"));
    // An archive map selected elsewhere: this page acts on the Cassini sheet it shows (the
    // sheet of the number field), never on a map it does not name.
    if (m_context.selection().isArchive())
        onSheetNumberChanged();
}

int CassiniPage::editionItem() const
{
    return m_editionChoice->itemIndex();
}

SheetId CassiniPage::chosenSheet(int sheet) const
{
    const int item = editionItem();
    return SheetId::cassini(item == 0 || item == 1 ? editions::cassiniFolder(item) : m_context.selection().editionFolder,
                            sheet);
}

void CassiniPage::applyEditionChoice()
{
    m_context.select(chosenSheet(m_context.selection().sheetNumber.toInt()));
}

void CassiniPage::followSelection(const SheetId &sheet)
{
    if (sheet.isArchive())
        return;   // this page keeps showing its Cassini sheet
    updateGroupCaption();
    highlightSelectedSheet();
}

void CassiniPage::onSheetButtonClicked(int sheet)
{
    m_legendTitle->setText(QStringLiteral("Carte sélectionnée :"));
    for (int other = 1; other <= cassini::kSheetCount; ++other)
        m_sheetButtons[other]->setNumberColour(other == sheet ? colours::kRed : colours::kNavy);
    m_statusBar.setSheetNumber(sheet);
}

void CassiniPage::onSheetNumberChanged()
{
    const QString text = m_statusBar.sheetNumberText();
    bool isNumber = false;
    const int sheet = text.toInt(&isNumber);
    if (!isNumber || sheet < 1 || sheet > cassini::kSheetCount) {
        applyEditionChoice();   // only whole numbers 1..182 select a sheet
        return;
    }
    m_statusBar.setSheetTitle(cassini::title(sheet));
    m_context.select(chosenSheet(sheet));
    highlightSelectedSheet();   // the same sheet chosen again is shown again
}

void CassiniPage::updateGroupCaption()
{
    const SelectionState &s = m_context.selection();
    m_actionsBox->setTitle(QStringLiteral("Carte ") + s.sheetNumber + s.folderSuffix
                              + QStringLiteral(" sélectionnée"));
}

void CassiniPage::highlightSelectedSheet()
{
    const int selected = m_context.selection().sheetNumber.toInt();
    for (int sheet = 1; sheet <= cassini::kSheetCount; ++sheet)
        m_sheetButtons[sheet]->setNumberColour(sheet == selected ? colours::kRed : colours::kNavy);
}

void CassiniPage::onEditionClicked()
{
    const int item = editionItem();
    if (item == 0 || item == 1) {
        applyEditionChoice();
        for (int sheet : cassini::sheetsWithoutBlackAndWhite())
            m_sheetButtons[sheet]->setVisible(item == 0);
    }
    onSheetButtonClicked(1);
}

void CassiniPage::onCheckAllClicked()
{
    OverrideCursor busy;
    m_tileCheckGauge->setValue(0);
    m_sheetCheckGauge->setValue(0);
    applyEditionChoice();
    m_legendTitle->setText(QStringLiteral("Codes couleur :"));
    m_emptySquare->setColour(colours::kDarkRed);
    m_partialSquare->setColour(colours::kFuchsia);
    m_completeSquare->setColour(colours::kGreen);
    for (int sheet = 1; sheet <= cassini::kSheetCount; ++sheet) {
        m_sheetCheckGauge->setValue(sheet - 1);
        const SheetId sheetId = SheetId::cassini(m_context.selection().editionFolder, sheet);
        const QString folder = store::mapFolder(m_context.mapsRoot(), sheetId);
        const int entries = store::jpgEntryCount(folder);
        m_tileCheckGauge->setValue(qMin(entries, m_tileCheckGauge->maximum()));
        const QSize grid = m_context.addedMaps().tileGrid(sheetId);
        m_sheetButtons[sheet]->setNumberColour(colours::forCheckedSheet(entries, grid.width() * grid.height()));
    }
    m_tileCheckGauge->setValue(0);
    m_sheetCheckGauge->setValue(181);
}

void CassiniPage::onImportClicked()
{
    applyEditionChoice();
    importSelectedSheet(m_context, *window());
}

void CassiniPage::onLibraryPageClicked()
{
    QString number;
    if (m_context.selection().isArchive()) {
        // An archive map is selected: this page still shows the sheet of the number field.
        number = cassini::documentNumber(m_statusBar.sheetNumber(), editionItem());
    } else {
        m_context.lookUpDocumentNumber();
        number = m_context.selection().documentNumber;
    }
    if (number.isEmpty()) {
        m_context.desktop().message(QStringLiteral("La bibliothèque ne publie pas cette carte dans cette édition."),
                                    QStringLiteral("Voir la page Bnf/Gallica"));
        return;
    }
    m_context.desktop().open(library::documentPageUrl(number));
}

void CassiniPage::applyStatus(const InstallationStatus &status)
{
    if (status.completeSquare)
        m_completeSquare->setColour(*status.completeSquare);
    if (status.partialSquare)
        m_partialSquare->setColour(*status.partialSquare);
    if (status.emptySquare)
        m_emptySquare->setColour(*status.emptySquare);
}
