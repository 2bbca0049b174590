#pragma once
// "Chercher la feuille dans la bibliothèque" on the Cassini page: the library's search
// opened on words for the selected sheet; the scan the person picks becomes the sheet's
// IIIF address in the chosen edition, then the sheet is installed.

#include <QObject>
#include <QPushButton>
#include <QRect>
#include <functional>

class AppContext;
class LibrarySearchPanel;
class QWidget;

class CassiniSheetSearch : public QObject {
    Q_OBJECT
public:
    // `editionItem` gives the edition chosen on the page (0 colour, 1 black and white).
    CassiniSheetSearch(AppContext &context, std::function<int()> editionItem, QObject *parent);
    // The search panel used (the one of "Autres cartes") and how its page is shown.
    void setPanel(LibrarySearchPanel *panel, std::function<void()> showPanelPage);

    // The button, on `parent`.
    QPushButton *addButton(QWidget *parent, const QRect &bounds);
    // Opens the search for the selected sheet.
    void openForSelectedSheet();
    // Opens it when the selected sheet has no IIIF address and the tile server is the
    // library's own, which serves no tiles under the old paths any more; true when opened.
    bool openForSheetWithoutAddress();

    // The words searched for a sheet.
    static QString wordsFor(int sheet);

signals:
    void installRequested();

private:
    AppContext &m_context;
    std::function<int()> m_editionItem;
    LibrarySearchPanel *m_panel = nullptr;
    std::function<void()> m_showPanelPage;
};
