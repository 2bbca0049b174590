#pragma once
// The search of the library's catalogue, over a page while it is open: words, the count of
// answers, a list of documents with their small pictures, "Suite" for the next page, and the
// chosen document added as a map ("Ajouter", "Installer") or, for a Cassini sheet, its scan
// becoming the sheet's IIIF address.

#include "library/LibraryAddresses.h"
#include "session/SheetId.h"

#include <QFrame>
#include <QRect>

class AppContext;
class PacedFetcher;
class IiifReader;
class LibrarySearch;
class QCheckBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class ThumbnailCache;

namespace source {
struct SheetSource;
}

class LibrarySearchPanel : public QFrame {
    Q_OBJECT
public:
    // Over `bounds` of the parent; hidden until opened.
    LibrarySearchPanel(AppContext &context, QWidget *parent, const QRect &bounds);

    // A field and the button "Rechercher dans la bibliothèque" on `parent`, which open the
    // panel with the field's words.
    void addSearchBar(QWidget *parent, const QRect &bounds);

    // Opens the panel and searches maps of these words.
    void openForWords(const QString &words);
    // Opens the panel on a search for a Cassini sheet: the chosen document's first view
    // becomes the sheet's address in that edition.
    void openForSheet(const SheetId &sheet, const QString &words);
    void close();
    bool forSheet() const { return !m_sheet.isEmpty(); }

    LibrarySearch &search() { return *m_search; }
    ThumbnailCache &thumbnails() { return *m_thumbnails; }

signals:
    // A document was added as the map at this position of the archive list.
    void mapAdded(int position, bool install);
    // The sheet of openForSheet() was given its address and should be installed.
    void sheetAddressed();

private:
    void buildControls();
    void startSearch();
    void onPage(int first, int count);
    void onFailed(const QString &text, bool refused);
    void onThumbnail(int key, const QString &path);
    void updateButtons();
    void updateCount();
    int chosenRow() const;
    bool isAdded(const QString &arkName) const;
    void choose(bool install);
    void onRead(const QString &title, const QList<source::SheetSource> &sheets);
    void onPagesClicked();

    AppContext &m_context;
    library::Addresses m_addresses;
    LibrarySearch *m_search;
    ThumbnailCache *m_thumbnails;
    PacedFetcher *m_readFetcher;
    IiifReader *m_reader;
    bool m_installAfterRead = false;
    bool m_refused = false;
    bool m_warned = false;
    SheetId m_sheet;   // the sheet of openForSheet(); none for a search of maps

    QLineEdit *m_wordsEdit;
    QCheckBox *m_allDocumentsBox;
    QPushButton *m_searchButton, *m_cancelButton, *m_moreButton, *m_addButton, *m_installButton, *m_pageButton,
        *m_closeButton;
    QLabel *m_stateLabel, *m_sheetLabel;
    QListWidget *m_resultList;
};
