#include "finder/TownPage.h"
#include "session/AppContext.h"
#include "widgets/Controls.h"
#include "widgets/StatusBar.h"
#include "catalogue/CassiniCatalogue.h"
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

TownPage::TownPage(AppContext &context, StatusBar &statusBar, QWidget *parent)
    : Page(context, QStringLiteral("spSkinTabSheet8"), parent), m_statusBar(statusBar)
{
    m_searchBox = controls::group(
        this, QStringLiteral("spSkinGroupBox12"),
        QStringLiteral("Recherche d'une carte de Cassini à partir des coordonnées d'une ville Française"),
        QRect(40, 30, 610, 380));

    m_coordinatesBox = controls::group(m_searchBox, QStringLiteral("spSkinGroupBox13"),
                                       QStringLiteral("Coordonnées de la commune Française recherchée"),
                                       QRect(20, 30, 570, 170));
    m_exampleLabel = label(m_coordinatesBox, QStringLiteral("spSkinTextLabel12"),
                           QStringLiteral("Exemple pour Bourges entrer latitude = 47,08  et longitude = 2,40"),
                           QRect(20, 28, 530, 26));
    m_exampleLabel->setFrameStyle(QFrame::Box | QFrame::Plain);
    m_exampleLabel->setAlignment(Qt::AlignCenter);

    auto *latitudeLabel = label(m_coordinatesBox, QStringLiteral("spSkinStdLabel40"),
                                QStringLiteral("Latitude ="), QRect(20, 74, 90, 22));
    m_latitudeEdit = named(new QLineEdit(m_coordinatesBox), QStringLiteral("spSkinEdit10"),
                           QRect(115, 74, 120, 22), QStringLiteral("Latitude de la ville sélectionnée"));
    m_latitudeEdit->setAccessibleName(QStringLiteral("Latitude"));
    latitudeLabel->setBuddy(m_latitudeEdit);
    auto *longitudeLabel = label(m_coordinatesBox, QStringLiteral("spSkinStdLabel41"),
                                 QStringLiteral("Longitude ="), QRect(20, 110, 90, 22));
    m_longitudeEdit = named(new QLineEdit(m_coordinatesBox), QStringLiteral("spSkinEdit11"),
                            QRect(115, 110, 120, 22), QStringLiteral("Longitude de la ville sélectionnée"));
    m_longitudeEdit->setAccessibleName(QStringLiteral("Longitude"));
    longitudeLabel->setBuddy(m_longitudeEdit);
    m_calculateButton = button(m_coordinatesBox, QStringLiteral("spSkinButton33"), QStringLiteral("Calculer"),
                               QRect(300, 90, 150, 28), QStringLiteral("Détermine le n° de carte à afficher"));

    auto *sheetLabel = label(m_searchBox, QStringLiteral("spSkinStdLabel42"),
                             QStringLiteral("N° de Carte ="), QRect(40, 224, 100, 22));
    m_sheetEdit = named(new QLineEdit(m_searchBox), QStringLiteral("spSkinEdit8"), QRect(140, 224, 80, 22),
                        QStringLiteral("Numéro de la carte préconisée"));
    m_sheetEdit->setAlignment(Qt::AlignCenter);
    m_sheetEdit->setCursor(Qt::ForbiddenCursor);
    m_sheetEdit->setAccessibleName(QStringLiteral("N° de Carte"));
    sheetLabel->setBuddy(m_sheetEdit);
    m_goToSheetButton = button(m_searchBox, QStringLiteral("spSkinButton32"), QStringLiteral("OK"),
                               QRect(240, 221, 90, 28), QStringLiteral("Accéder à la carte préconisée"));

    m_coordinatesSiteButton = button(m_searchBox, QStringLiteral("spSkinButton34"),
                            QStringLiteral("Site où télécharger les dernières coordonnées"), QRect(40, 300, 530, 28),
                            QStringLiteral("Téléchargez le fichier des longitudes et latitudes des villes Françaises"));

    connect(m_calculateButton, &QPushButton::clicked, this, &TownPage::onCalculateClicked);
    connect(m_goToSheetButton, &QPushButton::clicked, this, &TownPage::onGoToSheetClicked);
    connect(m_coordinatesSiteButton, &QPushButton::clicked, this, &TownPage::onCoordinatesSiteClicked);
}

void TownPage::onShow()
{
    setCaption(QStringLiteral("Sélection d'une carte de Cassini à partir d'une commune"));
}

void TownPage::onCalculateClicked()
{
    // The decimal separator is the one of the user's regional settings.
    const QLocale locale;
    const auto latitude = finder::parseCoordinate(m_latitudeEdit->text(), locale);
    if (!latitude) {
        m_context.desktop().error(finder::notAFloatMessage(m_latitudeEdit->text()));
        return;
    }
    const auto longitude = finder::parseCoordinate(m_longitudeEdit->text(), locale);
    if (!longitude) {
        m_context.desktop().error(finder::notAFloatMessage(m_longitudeEdit->text()));
        return;
    }

    // An archive map's position is no Cassini sheet: an empty cell then proposes the
    // Cassini sheet shown in the status bar.
    const SelectionState &selection = m_context.selection();
    const int sheet = finder::proposedSheet(
        selection.isArchive() ? m_statusBar.sheetNumber() : selection.sheetNumber.toInt(), *latitude, *longitude);
    m_sheetEdit->setText(QString::number(sheet));
    m_statusBar.setSheetNumber(sheet);   // the Cassini page selects it
}

void TownPage::onGoToSheetClicked()
{
    const QString text = m_sheetEdit->text().trimmed();
    bool isNumber = false;
    const int sheet = text.toInt(&isNumber);
    if (!isNumber || sheet < 1 || sheet > cassini::kSheetCount) {
        m_context.desktop().error(
            QStringLiteral("'%1' n'est pas un numéro de carte de Cassini (1 à 182)").arg(m_sheetEdit->text()));
        return;
    }
    // The proposal becomes the Cassini selection in the edition chosen on the page
    // "Cartes de Cassini", as any choice of a sheet number does.
    m_statusBar.setSheetNumber(sheet);
    emit cassiniPageRequested();
}

void TownPage::onCoordinatesSiteClicked()
{
    m_context.desktop().open(finder::kCoordinatesSite);
}
