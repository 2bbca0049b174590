#pragma once
// Page "Villes": the Cassini sheet that covers a French town, from the town's latitude
// and longitude, and the way to that sheet on the page "Cartes de Cassini".

#include "widgets/Page.h"

class CassiniPage;
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

class VillesPage : public Page {
    Q_OBJECT
public:
    VillesPage(AppContext &context, CassiniPage &cassini, StatusBar &statusBar, QWidget *parent = nullptr);
    void onShow() override;

    // Handlers.
    void spSkinButton33Click();   // "Calculer": proposes the sheet of the coordinates
    void spSkinButton32Click();   // "OK": goes to the proposed sheet
    void spSkinButton34Click();   // opens the site of town coordinates
    // Shows the selection's sheet as the current one on the page "Cartes de Cassini" and
    // brings that page to the front.
    void GoToProposedSheet();

    QGroupBox *spSkinGroupBox12, *spSkinGroupBox13;
    QLabel *spSkinTextLabel12;
    QLineEdit *spSkinEdit10, *spSkinEdit11, *spSkinEdit8;
    QPushButton *spSkinButton33, *spSkinButton32, *spSkinButton34;

signals:
    // The page "Cartes de Cassini" is to come to the front (or be shown again).
    void cassiniPageRequested();

private:
    CassiniPage &m_cassini;
    StatusBar &m_statusBar;
};
