#include "catalogue/CassiniPage.h"
#include "session/AppContext.h"
#include "widgets/Controls.h"
#include "widgets/StatusBar.h"
#include "catalogue/CassiniCatalogue.h"
#include "catalogue/IndexMap.h"
#include "catalogue/InstallationStatus.h"
#include "catalogue/Library.h"
#include "platform/Desktop.h"
#include "store/SheetImport.h"
#include "store/TileStore.h"
#include "widgets/ColourSquare.h"
#include "widgets/NumberButton.h"
#include "widgets/RadioGroup.h"
#include "widgets/SpinEdit.h"
#include "widgets/OverrideCursor.h"

#include <QApplication>
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
        connect(b, &QToolButton::clicked, this, [this, b] { SpeedButton1Click(b); });
        m_sheetButtons[sheet] = b;
    }
    m_sheetButtons[cassini::kMissingSheet]->hide();

    spSkinRadioGroup2 = named(new RadioGroup(QStringLiteral("Sélection de l'édition"),
                                             {QStringLiteral("Edition couleurs."),
                                              QStringLiteral("Nouvelle édition noir et blanc.")},
                                             this),
                              QStringLiteral("spSkinRadioGroup2"), QRect(455, 2, 232, 64),
                              QStringLiteral("Sélectionne l'édition à utiliser"));
    spSkinRadioGroup2->setItemIndex(0);
    connect(spSkinRadioGroup2, &RadioGroup::clicked, this, &CassiniPage::spSkinRadioGroup2Click);

    buildLegend();
    buildCheck();
    buildActions();

    connect(&m_statusBar, &StatusBar::sheetNumberChanged, this, &CassiniPage::spSkinSpinEdit1Change);
    connect(&m_context, &AppContext::selectionStatusRefreshed, this, &CassiniPage::applyStatus);
    connect(&m_context, &AppContext::downloadRunningChanged, this, [this](bool running) {
        for (QPushButton *b : {spSkinButton4, spSkinButton6, spSkinButton35, spSkinButton16, spSkinButton2})
            b->setEnabled(!running);
    });
}

void CassiniPage::buildLegend()
{
    Shape6 = named(new ColourSquare(colours::kRed, this), QStringLiteral("Shape6"), QRect(462, 74, 17, 14), kSquareHint);
    spSkinStdLabel4 = controls::label(this, QStringLiteral("spSkinStdLabel4"),
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
    Shape2 = named(new ColourSquare(colours::kWhite, this), QStringLiteral("Shape2"), QRect(462, 94, 17, 14), kSquareHint);
    Shape19 = named(new ColourSquare(colours::kWhite, this), QStringLiteral("Shape19"), QRect(462, 112, 17, 14), kSquareHint);
    Shape18 = named(new ColourSquare(colours::kWhite, this), QStringLiteral("Shape18"), QRect(462, 130, 17, 14), kSquareHint);
}

void CassiniPage::buildCheck()
{
    auto *box = controls::group(this, QStringLiteral("spSkinGroupBox7"),
                                QStringLiteral("Vérification des Cartes installées"), QRect(455, 150, 232, 96));
    spSkinButton13 = button(box, QStringLiteral("spSkinButton13"), QStringLiteral("Afficher"),
                            QRect(8, 20, 70, 24), QStringLiteral("Affiche le détail de toutes les cartes installées"));
    spSkinGauge4 = named(new QProgressBar(box), QStringLiteral("spSkinGauge4"), QRect(84, 22, 140, 20));
    spSkinGauge4->setRange(0, store::kTileCount - 1);
    spSkinGauge4->setValue(0);
    spSkinGauge4->setFormat(QStringLiteral("Vérification des images"));
    spSkinGauge5 = named(new QProgressBar(box), QStringLiteral("spSkinGauge5"), QRect(8, 56, 216, 20));
    spSkinGauge5->setRange(0, 181);
    spSkinGauge5->setValue(0);
    spSkinGauge5->setFormat(QStringLiteral("Cartes vérifiées"));
    connect(spSkinButton13, &QPushButton::clicked, this, &CassiniPage::spSkinButton13Click);
}

void CassiniPage::buildActions()
{
    spSkinGroupBox5 = controls::group(this, QStringLiteral("spSkinGroupBox5"), QString(), QRect(455, 250, 232, 190));
    const QRect rows[] = {{8, 20, 216, 25}, {8, 48, 216, 25}, {8, 76, 216, 25},
                          {8, 104, 216, 25}, {8, 132, 216, 25}, {8, 160, 216, 25}};
    spSkinButton16 = button(spSkinGroupBox5, QStringLiteral("spSkinButton16"), QStringLiteral("Afficher l'aperçu"),
                            rows[0], QStringLiteral("Affiche toute la carte sélectionnée"));
    spSkinButton2 = button(spSkinGroupBox5, QStringLiteral("spSkinButton2"), QStringLiteral("Afficher les détails"),
                           rows[1], QStringLiteral("Affiche une zone de la carte sélectionnée"));
    spSkinButton4 = button(spSkinGroupBox5, QStringLiteral("spSkinButton4"), QStringLiteral("Télécharger et installer"),
                           rows[2], QStringLiteral("Télécharge la carte sélectionnée et l'installe dans son dossier"));
    spSkinButton6 = button(spSkinGroupBox5, QStringLiteral("spSkinButton6"), QStringLiteral("Importer d'une sauvegarde"),
                           rows[3], QStringLiteral("Installe la carte sélectionnée à partir d'une sauvegarde ( Dossier de sauvegarde, CD...)"));
    spSkinButton35 = button(spSkinGroupBox5, QStringLiteral("spSkinButton35"), QStringLiteral("Imprimer"),
                            rows[4], QStringLiteral("Préparer l'impression de la carte sélectionnée"));
    spSkinButton3 = button(spSkinGroupBox5, QStringLiteral("spSkinButton3"), QStringLiteral("Voir la page Bnf/Gallica"),
                           rows[5], QStringLiteral("Ouvre le navigateur internet à la page de la carte sur le site BnF/Gallica"));
    connect(spSkinButton16, &QPushButton::clicked, this, &CassiniPage::previewRequested);
    connect(spSkinButton2, &QPushButton::clicked, this, &CassiniPage::detailRequested);
    connect(spSkinButton4, &QPushButton::clicked, this, &CassiniPage::downloadRequested);
    connect(spSkinButton35, &QPushButton::clicked, this, &CassiniPage::printRequested);
    connect(spSkinButton6, &QPushButton::clicked, this, &CassiniPage::spSkinButton6Click);
    connect(spSkinButton3, &QPushButton::clicked, this, &CassiniPage::spSkinButton3Click);
}

void CassiniPage::onShow()
{
    setCaptionAndNumber(QStringLiteral("Sélection d'une carte de Cassini"), 3);
    // An archive map selected elsewhere: this page acts on the Cassini sheet it shows (the
    // sheet of the number field), never on a map it does not name.
    if (m_context.selection.isArchive())
        spSkinSpinEdit1Change();
}

int CassiniPage::editionItem() const
{
    return spSkinRadioGroup2->itemIndex();
}

void CassiniPage::applyEditionChoice()
{
    const int item = editionItem();
    if (item == 0 || item == 1)
        m_context.selection.editionFolder = editions::cassiniFolder(item);
}

void CassiniPage::SpeedButton1Click(NumberButton *button)
{
    spSkinStdLabel4->setText(QStringLiteral("Carte sélectionnée :"));
    for (int sheet = 1; sheet <= cassini::kSheetCount; ++sheet)
        m_sheetButtons[sheet]->setNumberColour(colours::kNavy);
    button->setNumberColour(colours::kRed);
    const QString number = button->objectName().mid(11, 3);
    m_statusBar.setSheetNumber(number.toInt());
    m_context.refreshSelectionStatus();
}

void CassiniPage::spSkinSpinEdit1Change()
{
    SelectionState &selection = m_context.selection;
    applyEditionChoice();
    selection.folderSuffix.clear();
    const QString text = m_statusBar.sheetNumberText();
    bool isNumber = false;
    const int sheet = text.toInt(&isNumber);
    if (!isNumber || sheet < 1 || sheet > cassini::kSheetCount)
        return;   // only whole numbers 1..182 select a sheet
    m_statusBar.setSheetTitle(cassini::title(sheet));
    selection.sheetNumber = QString::number(sheet);
    updateGroupCaption();
    highlightSelectedSheet();
    m_context.refreshSelectionStatus();
}

void CassiniPage::updateGroupCaption()
{
    const SelectionState &s = m_context.selection;
    spSkinGroupBox5->setTitle(QStringLiteral("Carte ") + s.sheetNumber + s.folderSuffix
                              + QStringLiteral(" sélectionnée"));
}

void CassiniPage::highlightSelectedSheet()
{
    const int selected = m_context.selection.sheetNumber.toInt();
    for (int sheet = 1; sheet <= cassini::kSheetCount; ++sheet)
        m_sheetButtons[sheet]->setNumberColour(sheet == selected ? colours::kRed : colours::kNavy);
}

void CassiniPage::spSkinRadioGroup2Click()
{
    const int item = editionItem();
    if (item == 0 || item == 1) {
        m_context.selection.editionFolder = editions::cassiniFolder(item);
        for (int sheet : cassini::sheetsWithoutBlackAndWhite())
            m_sheetButtons[sheet]->setVisible(item == 0);
    }
    SpeedButton1Click(m_sheetButtons[1]);
}

void CassiniPage::spSkinButton13Click()
{
    OverrideCursor busy;
    spSkinGauge4->setValue(0);
    spSkinGauge5->setValue(0);
    applyEditionChoice();
    spSkinStdLabel4->setText(QStringLiteral("Codes couleur :"));
    Shape18->setColour(colours::kDarkRed);
    Shape19->setColour(colours::kFuchsia);
    Shape2->setColour(colours::kGreen);
    for (int sheet = 1; sheet <= cassini::kSheetCount; ++sheet) {
        spSkinGauge5->setValue(sheet - 1);
        const QString folder = store::mapFolder(m_context.mapsRoot(), m_context.selection.editionFolder,
                                                QString::number(sheet), QString());
        const int entries = store::jpgEntryCount(folder);
        spSkinGauge4->setValue(qMin(entries, spSkinGauge4->maximum()));
        const QSize grid = m_context.addedMaps().tileGrid(m_context.selection.editionFolder, QString::number(sheet), QString());
        m_sheetButtons[sheet]->setNumberColour(colours::forCheckedSheet(entries, grid.width() * grid.height()));
    }
    spSkinGauge4->setValue(0);
    spSkinGauge5->setValue(181);
}

void CassiniPage::spSkinButton6Click()
{
    applyEditionChoice();
    m_context.selection.folderSuffix.clear();
    SheetImport import(m_context, *m_statusBar.gaugeBar(), *window());
    if (import.confirmAndImport())
        m_context.refreshSelectionStatus();
}

void CassiniPage::spSkinButton3Click()
{
    SelectionState &selection = m_context.selection;
    QString number;
    if (selection.isArchive()) {
        // An archive map is selected: this page still shows the sheet of the number field.
        number = cassini::documentNumber(m_statusBar.sheetNumber(), editionItem());
    } else {
        cassini::lookUpDocumentNumber(selection, editionItem());
        number = selection.documentNumber;
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
    if (status.shape2)
        Shape2->setColour(*status.shape2);
    if (status.shape19)
        Shape19->setColour(*status.shape19);
    if (status.shape18)
        Shape18->setColour(*status.shape18);
}
