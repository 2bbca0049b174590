#pragma once
// What the map views need of the window they are shown in, so that the views know
// nothing of its pages, its status bar or its print panel. The main window implements it.

#include <QString>

class QMenuBar;
class QWidget;

namespace view {

class ViewHost {
public:
    virtual ~ViewHost() = default;

    // The window the views are shown in: their panels are its children and its size is
    // their room.
    virtual QWidget &viewWindow() = 0;
    // The window's menu bar, which the views fill with their menu.
    virtual QMenuBar &viewMenuBar() = 0;

    // A view opens: the page tabs make way for the views' menu bar.
    virtual void showViewBars() = 0;
    // The view closed: the menu bar goes, the pages come back on the page shown last.
    virtual void showPages() = 0;
    // The caption of the window.
    virtual void setCaption(const QString &caption) = 0;
    // The window fills the screen for a view, and gets its fixed size back after it.
    virtual void maximise() = 0;
    virtual void restore() = 0;

    // The sheet number of the status bar (setting it selects that Cassini sheet).
    virtual void showSheetNumber(int sheet) = 0;
    // The edition chosen on the page "Cartes de Cassini" (0 colours, 1 black and white).
    virtual int cassiniEdition() const = 0;
    // The sheet index typed on the page "Autres cartes".
    virtual QString archiveSheetIndex() const = 0;

    // The print panel floating over the pages and the views (the views keep it centred and
    // on top), and its "Annuler".
    virtual QWidget &floatingPrintPanel() = 0;
    virtual void cancelPrintPanel() = 0;
};

} // namespace view
