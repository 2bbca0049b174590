#include "finder/VillesPage.h"
#include "session/AppContext.h"
#include "widgets/Controls.h"
#include "widgets/StatusBar.h"
#include "catalogue/CassiniCatalogue.h"
#include "catalogue/CassiniPage.h"
#include "finder/SheetFinder.h"
#include "platform/Desktop.h"
#include "widgets/SpinEdit.h"

#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

using controls::button;
using controls::label;
using controls::named;

VillesPage::VillesPage(AppContext &context, CassiniPage &cassini, StatusBar &statusBar, QWidget *parent)
    : Page(context, QStringLiteral("spSkinTabSheet8"), parent), m_cassini(cassini), m_statusBar(statusBar)
{
    spSkinGroupBox12 = controls::group(
        this, QStringLiteral("spSkinGroupBox12"),
        QStringLiteral("Recherche d'une carte de Cassini à partir des coordonnées d'une ville Française"),
        QRect(40, 30, 610, 380));

    spSkinGroupBox13 = controls::group(spSkinGroupBox12, QStringLiteral("spSkinGroupBox13"),
                                       QStringLiteral("Coordonnées de la commune Française recherchée"),
                                       QRect(20, 30, 570, 170));
    spSkinTextLabel12 = label(spSkinGroupBox13, QStringLiteral("spSkinTextLabel12"),
                              QStringLiteral("Exemple pour Bourges entrer latitude = 47,08  et longitude = 2,40"),
                              QRect(20, 28, 530, 26));
    spSkinTextLabel12->setFrameStyle(QFrame::Box | QFrame::Plain);
    spSkinTextLabel12->setAlignment(Qt::AlignCenter);

    auto *latitudeLabel = label(spSkinGroupBox13, QStringLiteral("spSkinStdLabel40"),
                                QStringLiteral("Latitude ="), QRect(20, 74, 90, 22));
    spSkinEdit10 = named(new QLineEdit(spSkinGroupBox13), QStringLiteral("spSkinEdit10"),
                         QRect(115, 74, 120, 22), QStringLiteral("Latitude de la ville sélectionnée"));
    spSkinEdit10->setAccessibleName(QStringLiteral("Latitude"));
    latitudeLabel->setBuddy(spSkinEdit10);
    auto *longitudeLabel = label(spSkinGroupBox13, QStringLiteral("spSkinStdLabel41"),
                                 QStringLiteral("Longitude ="), QRect(20, 110, 90, 22));
    spSkinEdit11 = named(new QLineEdit(spSkinGroupBox13), QStringLiteral("spSkinEdit11"),
                         QRect(115, 110, 120, 22), QStringLiteral("Longitude de la ville sélectionnée"));
    spSkinEdit11->setAccessibleName(QStringLiteral("Longitude"));
    longitudeLabel->setBuddy(spSkinEdit11);
    spSkinButton33 = button(spSkinGroupBox13, QStringLiteral("spSkinButton33"), QStringLiteral("Calculer"),
                            QRect(300, 90, 150, 28), QStringLiteral("Détermine le n° de carte à afficher"));

    auto *sheetLabel = label(spSkinGroupBox12, QStringLiteral("spSkinStdLabel42"),
                             QStringLiteral("N° de Carte ="), QRect(40, 224, 100, 22));
    spSkinEdit8 = named(new QLineEdit(spSkinGroupBox12), QStringLiteral("spSkinEdit8"), QRect(140, 224, 80, 22),
                        QStringLiteral("Numéro de la carte préconisée"));
    spSkinEdit8->setAlignment(Qt::AlignCenter);
    spSkinEdit8->setCursor(Qt::ForbiddenCursor);
    spSkinEdit8->setAccessibleName(QStringLiteral("N° de Carte"));
    sheetLabel->setBuddy(spSkinEdit8);
    spSkinButton32 = button(spSkinGroupBox12, QStringLiteral("spSkinButton32"), QStringLiteral("OK"),
                            QRect(240, 221, 90, 28), QStringLiteral("Accéder à la carte préconisée"));

    spSkinButton34 = button(spSkinGroupBox12, QStringLiteral("spSkinButton34"),
                            QStringLiteral("Site où télécharger les dernières coordonnées"), QRect(40, 300, 530, 28),
                            QStringLiteral("Téléchargez le fichier des longitudes et latitudes des villes Françaises"));

    connect(spSkinButton33, &QPushButton::clicked, this, &VillesPage::spSkinButton33Click);
    connect(spSkinButton32, &QPushButton::clicked, this, &VillesPage::spSkinButton32Click);
    connect(spSkinButton34, &QPushButton::clicked, this, &VillesPage::spSkinButton34Click);
}

void VillesPage::onShow()
{
    setCaptionAndNumber(QStringLiteral("Sélection d'une carte de Cassini à partir d'une commune"), 2);
}

void VillesPage::spSkinButton33Click()
{
    // The decimal separator is the one of the user's regional settings.
    const QLocale locale;
    const auto latitude = finder::parseCoordinate(spSkinEdit10->text(), locale);
    if (!latitude) {
        m_context.desktop().error(finder::notAFloatMessage(spSkinEdit10->text()));
        return;
    }
    const auto longitude = finder::parseCoordinate(spSkinEdit11->text(), locale);
    if (!longitude) {
        m_context.desktop().error(finder::notAFloatMessage(spSkinEdit11->text()));
        return;
    }

    SelectionState &selection = m_context.selection;
    // An archive map's position is no Cassini sheet: an empty cell then proposes the
    // Cassini sheet shown in the status bar.
    if (selection.isArchive())
        selection.sheetNumber = QString::number(m_statusBar.sheetNumber());
    finder::SheetFromCoordinates(selection, *latitude, *longitude);
    spSkinEdit8->setText(selection.sheetNumber);
    m_cassini.updateGroupCaption();
    m_statusBar.setSheetNumber(selection.sheetNumber.toInt());
}

void VillesPage::spSkinButton32Click()
{
    const QString text = spSkinEdit8->text().trimmed();
    bool isNumber = false;
    const int sheet = text.toInt(&isNumber);
    if (!isNumber || sheet < 1 || sheet > cassini::kSheetCount) {
        m_context.desktop().error(
            QStringLiteral("'%1' n'est pas un numéro de carte de Cassini (1 à 182)").arg(spSkinEdit8->text()));
        return;
    }
    // The proposal becomes the Cassini selection in the edition chosen on the page
    // "Cartes de Cassini", as any choice of a sheet number does.
    m_statusBar.setSheetNumber(sheet);
    m_context.selection.sheetNumber = QString::number(sheet);
    GoToProposedSheet();
}

void VillesPage::GoToProposedSheet()
{
    m_cassini.highlightSelectedSheet();
    m_context.refreshSelectionStatus();
    emit cassiniPageRequested();
}

void VillesPage::spSkinButton34Click()
{
    m_context.desktop().open(finder::kCoordinatesSite);
}
