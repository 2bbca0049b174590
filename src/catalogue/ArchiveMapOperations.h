#pragma once
// What the page "Autres cartes" does to the maps of its list, apart from its widgets: the
// folder of a map, whether it is installed, its page at its library, adding the maps read
// from an address and taking an added map off the list. Each works on the shared context
// and returns what the page tells the person.

#include "source/SheetSource.h"
#include "source/TileSource.h"

#include <QList>
#include <QString>

class AppContext;

namespace catalogue {
class AddedMaps;
}

namespace archive {

// The own folder of the archive map at `position` (its sheets' folders lie in it).
QString mapFolder(const QString &mapsRoot, int position);
// Whether that folder exists (an empty one counts).
bool isInstalled(const QString &mapsRoot, int position);

// The address of the page of the map at `position`: a catalogue map's (up to
// `catalogueCount`) is the library's page of its document, an added map's is its server's
// page of its first sheet. Empty when there is none: no position, an added map without a
// sheet or not in `maps`.
QString mapPage(const catalogue::AddedMaps &maps, int catalogueCount, int position);

// Adding the maps read from an address: one map, or several of at most a map's number of
// sheets, at the end of the list, then the list saved.
struct AddedOutcome {
    int position = 0;   // the first map's, after the save (another program may have taken one)
    QString failure;    // empty, or why nothing was added (the list is then read again)
};
AddedOutcome addMaps(AppContext &context, const QString &title, const QList<source::SheetSource> &sheets);
// What the person is told of the maps added: position, title, kind of server and sheets.
QString addedMessage(int position, const QString &title, source::Kind kind,
                     const QList<source::SheetSource> &sheets);

// Takes the added map at `position` off the list, its position kept free; with
// `deleteTiles`, the folders of its sheets go too once the list is saved. Returns empty, or
// why the map stays (the list could not be saved: nothing is deleted).
QString removeAddedMap(AppContext &context, int position, bool deleteTiles);

} // namespace archive
