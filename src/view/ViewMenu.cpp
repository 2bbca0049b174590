#include "view/ViewMenu.h"
#include "view/ViewGeometry.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>

namespace view {
namespace {

QAction *entry(QWidget *menu, const QString &name, const QString &text, const QString &hint = {})
{
    auto *action = new QAction(text, menu);
    action->setObjectName(name);
    if (!hint.isEmpty()) {
        action->setToolTip(hint);
        action->setStatusTip(hint);
    }
    menu->addAction(action);
    return action;
}

QMenu *menu(QMenuBar *bar, const QString &name, const QString &title)
{
    auto *m = new QMenu(title, bar);
    m->setObjectName(name);
    bar->addMenu(m);
    return m;
}

} // namespace

ViewMenu::ViewMenu(QMenuBar *menuBar) : bar(menuBar)
{
    bar->setFixedHeight(geometry::kMenuBarHeight);
    QMenu *zone = menu(bar, QStringLiteral("Zoneaffiche1"), QStringLiteral("&Zone affichée"));
    Aperu1 = entry(zone, QStringLiteral("Aperu1"), QStringLiteral("Aperçu"));
    Dtail1 = entry(zone, QStringLiteral("Dtail1"), QStringLiteral("Détails"));
    zone->addSeparator();
    Enregistrer2 = entry(zone, QStringLiteral("Enregistrer2"), QStringLiteral("Enregistrer"));
    Imprimer1 = entry(zone, QStringLiteral("Imprimer1"), QStringLiteral("Imprimer"));
    zone->addSeparator();
    Fermer1 = entry(zone, QStringLiteral("Fermer1"), QStringLiteral("Fermer"));

    QMenu *edition = menu(bar, QStringLiteral("Edition1"), QStringLiteral("&Edition"));
    Copier1 = entry(edition, QStringLiteral("Copier1"), QStringLiteral("Copier"));

    QMenu *loupe = menu(bar, QStringLiteral("Loupe1"), QStringLiteral("&Loupe"));
    Afficher1 = entry(loupe, QStringLiteral("Afficher1"), QStringLiteral("Afficher"));
    Afficher1->setEnabled(false);

    // Keys of the view; they work while its menu bar is shown, that is while a view is open.
    Enregistrer2->setShortcut(QKeySequence::Save);
    Imprimer1->setShortcut(QKeySequence::Print);
    Copier1->setShortcut(QKeySequence::Copy);
    Fermer1->setShortcut(QKeySequence(Qt::Key_Escape));

    // "Quitter" is an entry of the bar itself: it closes the view, not the program.
    Quitter1 = new QAction(QStringLiteral("&Quitter"), bar);
    Quitter1->setObjectName(QStringLiteral("Quitter1"));
    bar->addAction(Quitter1);
}

} // namespace view
