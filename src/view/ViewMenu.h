#pragma once
// The menu bar of an open map view: "Zone affichée" (Aperçu, Détails, Enregistrer,
// Imprimer, Fermer), "Edition" (Copier), "Loupe" (Afficher) and "Quitter".

#include <QObject>

class QAction;
class QMenuBar;

namespace view {

struct ViewMenu {
    // Fills the window's menu bar, 22 pixels high and hidden until a view opens.
    explicit ViewMenu(QMenuBar *bar);

    QMenuBar *bar;
    QAction *Aperu1, *Dtail1, *Enregistrer2, *Imprimer1, *Fermer1;
    QAction *Copier1;
    QAction *Afficher1;
    QAction *Quitter1;
};

} // namespace view
