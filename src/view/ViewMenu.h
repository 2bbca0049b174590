#pragma once
// The menu bar of an open map view: "Zone affichée" (Aperçu, Détails, Enregistrer,
// Imprimer, Fermer), "Edition" (Copier, Exporter la carte entière...), "Loupe" (Afficher) and "Quitter".

#include <QObject>

class QAction;
class QMenuBar;

namespace view {

struct ViewMenu {
    // Fills the window's menu bar, 22 pixels high and hidden until a view opens.
    explicit ViewMenu(QMenuBar *bar);

    QMenuBar *bar;
    QAction *previewAction, *detailAction, *saveAction, *printAction, *closeAction;
    QAction *copyAction;
    QAction *exportAction;   // the whole map at full size as one picture file
    QAction *magnifierAction;
    QAction *quitAction;
};

} // namespace view
