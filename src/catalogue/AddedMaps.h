#pragma once
// Maps served by servers of their own (IIIF, Deep Zoom, Zoomify): the maps a user added after the archive catalogue (positions
// 1925 and on, "Archives Bnf") and the IIIF addresses given to Cassini sheets and archive
// maps. Kept in the file "Cartes IIIF.txt" of the maps root, one line per map, fields
// separated by tabs: edition folder, sheet number (position), title, then for each sheet
// its image address, its size "width x height" in pixels and the grid of tiles its
// download plan makes, "grille columns x rows" (lines written before the grid was kept
// have none: their sheets count as 26 x 26), then the kind of server when it is not IIIF
// ("dzi", "zoomify"; a sheet without it is IIIF).
//
// A file that begins with the header line keeps every position as written: a removed map
// leaves the line "Archives Bnf <tab> position <tab> (retirée)", and its position is never
// given again. Older files without the header have their added maps numbered from 1925 on
// without a gap, as they were read before. Every save reads the file again under a lock
// file and merges it line by line (edition and position) with what changed here since the
// last read; lines that cannot be read are kept as they stand.

#include "session/SheetId.h"
#include "source/SheetSource.h"

#include <QHash>
#include <QList>
#include <QSize>
#include <QString>
#include <optional>

namespace catalogue {

using source::SheetSource;

inline const QString kAddedMapsFileName = QStringLiteral("Cartes IIIF.txt");
inline const QString kAddedMapsHeader = QStringLiteral("# Cartes IIIF - positions fixes");
inline const QString kRemovedMark = QStringLiteral("(retirée)");

struct AddedMap {
    QString editionFolder;
    QString sheetNumber;
    QString title;
    QList<SheetSource> sheets;   // sheet index 1 is the first
    bool removed = false;        // an added map taken off the list: its position stays free
    bool operator==(const AddedMap &) const = default;
};

// The folders of a map's sheets under `mapsRoot`, one per sheet, sheet index 1 first: an
// archive map's sheet N lies in the map's folder under "F" + three digits of N, a Cassini
// sheet in the sheet's own folder.
QStringList sheetFolders(const QString &mapsRoot, const AddedMap &map);

class AddedMaps {
public:
    // Reads the file of the maps root; a missing file gives no map. Lines that cannot be
    // read are left out of the maps and listed by unreadableLines().
    void load(const QString &mapsRoot);
    // Reads the file again under its lock file, merges what changed here since the last
    // read or save, and writes the result through a temporary file; false when it failed
    // (the file is then left as it was).
    bool save(const QString &mapsRoot);
    static QString filePath(const QString &mapsRoot);
    // Lines of the file, as they stand, that could not be read at the last read or save.
    const QStringList &unreadableLines() const { return m_unreadable; }
    // Maps and lines read from a file's text.
    struct Parsed {
        QList<AddedMap> maps;
        QStringList unreadable;
        bool fixedPositions = false;
    };
    static Parsed parse(const QByteArray &text);

    // Every map, removed ones included.
    const QList<AddedMap> &maps() const { return m_maps; }
    // The titles of the maps added after the archive catalogue, by position from 1925 on;
    // a free position (a removed map) has an empty title.
    QStringList addedTitles() const;
    // The map a sheet belongs to (its edition and number; its sheet index plays no part).
    const AddedMap *find(const SheetId &sheet) const;
    // The source of one sheet of a map: the sheet index of an archive map names it ("\F007"
    // is sheet 7); a Cassini sheet, or a folder without suffix, is the first. Nothing when
    // no address is kept.
    std::optional<SheetSource> sheet(const SheetId &sheet) const;

    // The grid of tiles of a sheet (see tileGrid()); 26 x 26 for a sheet without address.
    QSize tileGrid(const SheetId &sheet) const;
    // The sheet stored in `folder` (compared as a clean path) under `mapsRoot`: the first
    // sheet of a map whose folder it is, with or without an address; nothing when no map's.
    std::optional<SheetSource> sheetInFolder(const QString &mapsRoot, const QString &folder) const;
    // Keeps the grid of a sheet's plan; true when it changed.
    bool setTileGrid(const SheetId &sheet, QSize grid);

    // Adds a map after the last position ever given; returns its position.
    int addArchiveMap(const QString &title, const QList<SheetSource> &sheets);
    // The position a map added here got at the last save (another program may have taken
    // the one addArchiveMap() gave).
    int positionAfterSave(int position) const { return m_moved.value(position, position); }
    // Takes an added map off the list; its position stays free. False when there is none.
    bool removeArchiveMap(int position);
    // Sets the address of one sheet of a Cassini sheet or archive map (the first when the
    // SheetId has no sheet index); an empty address clears it (a Cassini sheet or catalogue
    // map left with no address loses its line).
    void setSheet(const SheetId &sheet, const SheetSource &source, const QString &title = {});

    // The line of a map, and a map from a line.
    static QString line(const AddedMap &map);
    static std::optional<AddedMap> fromLine(const QString &line);

private:
    static QString activeLine(const AddedMap &map);
    AddedMap *findMutable(const SheetId &sheet);
    QList<AddedMap> m_maps;
    QList<AddedMap> m_base;   // as last read or written: what changed here is the difference
    QStringList m_unreadable;
    QHash<int, int> m_moved;
};

} // namespace catalogue
