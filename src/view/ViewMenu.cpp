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
    previewAction = entry(zone, QStringLiteral("Aperu1"), QStringLiteral("Aperçu"));
    detailAction = entry(zone, QStringLiteral("Dtail1"), QStringLiteral("Détails"));
    zone->addSeparator();
    saveAction = entry(zone, QStringLiteral("Enregistrer2"), QStringLiteral("Enregistrer"));
    printAction = entry(zone, QStringLiteral("Imprimer1"), QStringLiteral("Imprimer"));
    zone->addSeparator();
    closeAction = entry(zone, QStringLiteral("Fermer1"), QStringLiteral("Fermer"));

    QMenu *edition = menu(bar, QStringLiteral("Edition1"), QStringLiteral("&Edition"));
    copyAction = entry(edition, QStringLiteral("Copier1"), QStringLiteral("Copier"));
    exportAction = entry(edition, QStringLiteral("ExporterCarte1"), QStringLiteral("Exporter la carte entière..."),
                         QStringLiteral("Enregistre toute la carte en pleine résolution dans un fichier JPEG, TIFF ou PNG"));

    QMenu *loupe = menu(bar, QStringLiteral("Loupe1"), QStringLiteral("&Loupe"));
    magnifierAction = entry(loupe, QStringLiteral("Afficher1"), QStringLiteral("Afficher"));
    magnifierAction->setEnabled(false);

    // Keys of the view; they work while its menu bar is shown, that is while a view is open.
    saveAction->setShortcut(QKeySequence::Save);
    printAction->setShortcut(QKeySequence::Print);
    copyAction->setShortcut(QKeySequence::Copy);
    closeAction->setShortcut(QKeySequence(Qt::Key_Escape));

    // "Quitter" is an entry of the bar itself: it closes the view, not the program.
    quitAction = new QAction(QStringLiteral("&Quitter"), bar);
    quitAction->setObjectName(QStringLiteral("Quitter1"));
    bar->addAction(quitAction);
}

} // namespace view
