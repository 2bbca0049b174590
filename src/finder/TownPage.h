#pragma once
// Page "Villes": the Cassini sheet that covers a French town, from the town's latitude
// and longitude, and the way to that sheet on the page "Cartes de Cassini".

#include "widgets/Page.h"

class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class StatusBar;

namespace finder {
// The public geographic names server's page of place-name files, country by country,
// with their latitudes and longitudes.
inline const QString kCoordinatesSite =
    QStringLiteral("https://geonames.nga.mil/gns/html/cntry_files.html");
} // namespace finder

class TownPage : public Page {
    Q_OBJECT
public:
    TownPage(AppContext &context, StatusBar &statusBar, QWidget *parent = nullptr);
    void onShow() override;

signals:
    // The page "Cartes de Cassini" is to come to the front, showing the chosen sheet.
    void cassiniPageRequested();

private:
    void onCalculateClicked();         // "Calculer": proposes the sheet of the coordinates
    void onGoToSheetClicked();         // "OK": goes to the proposed sheet
    void onCoordinatesSiteClicked();   // opens the site of town coordinates

private:
    StatusBar &m_statusBar;
    QGroupBox *m_searchBox, *m_coordinatesBox;
    QLabel *m_exampleLabel;
    QLineEdit *m_latitudeEdit, *m_longitudeEdit, *m_sheetEdit;
    QPushButton *m_calculateButton, *m_goToSheetButton, *m_coordinatesSiteButton;
};
