#pragma once
// Maps served by IIIF servers: the maps a user added after the archive catalogue (positions
// 1925 and on, "Archives Bnf") and the IIIF addresses given to Cassini sheets and archive
// maps. Kept in the file "Cartes IIIF.txt" of the maps root, one line per map, fields
// separated by tabs: edition folder, sheet number (position), title, then for each sheet
// its image address, its size "width x height" in pixels and the grid of tiles its
// download plan makes, "grille columns x rows" (lines written before the grid was kept
// have none: their sheets count as 26 x 26), then the kind of server when it is not IIIF
// ("dzi", "zoomify"; a sheet without it is IIIF).

#include "source/TileSource.h"

#include <QList>
#include <QSize>
#include <QString>
#include <optional>

namespace iiif {

inline const QString kAddedMapsFileName = QStringLiteral("Cartes IIIF.txt");

struct SheetSource {
    QString imageBase;   // empty: this sheet has no address
    QSize size;
    QSize grid;          // columns x rows of tiles of its plan; not valid: 26 x 26
    source::Kind kind = source::Kind::Iiif;
    bool operator==(const SheetSource &) const = default;
    // The grid the sheet's tiles fill: its plan's, else the whole 26 x 26.
    QSize tileGrid() const;
};

struct AddedMap {
    QString editionFolder;
    QString sheetNumber;
    QString title;
    QList<SheetSource> sheets;   // sheet index 1 is the first
    bool operator==(const AddedMap &) const = default;
};

class AddedMaps {
public:
    // Reads the file of the maps root; a missing file gives no map. Lines that cannot be
    // read are left out.
    void load(const QString &mapsRoot);
    // Writes the file of the maps root through a temporary file; false when it failed.
    bool save(const QString &mapsRoot) const;
    static QString filePath(const QString &mapsRoot);

    const QList<AddedMap> &maps() const { return m_maps; }
    // The titles of the maps added after the archive catalogue, by position from 1925 on.
    QStringList addedTitles() const;
    const AddedMap *find(const QString &editionFolder, const QString &sheetNumber) const;
    // The source of one sheet of a map: the folder suffix of an archive map names the sheet
    // index ("\F007" is sheet 7); a Cassini sheet has one. Nothing when no address is kept.
    std::optional<SheetSource> sheet(const QString &editionFolder, const QString &sheetNumber,
                                     const QString &folderSuffix) const;

    // The grid of tiles of a sheet (see tileGrid()); 26 x 26 for a sheet without address.
    QSize tileGrid(const QString &editionFolder, const QString &sheetNumber, const QString &folderSuffix) const;
    // Keeps the grid of a sheet's plan; true when it changed.
    bool setTileGrid(const QString &editionFolder, const QString &sheetNumber, const QString &folderSuffix,
                     QSize grid);

    // Adds a map after the last position of the archive list; returns its position.
    int addArchiveMap(const QString &title, const QList<SheetSource> &sheets);
    // Sets the address of one sheet (index from 1) of a Cassini sheet or archive map.
    void setSheet(const QString &editionFolder, const QString &sheetNumber, int sheetIndex,
                  const SheetSource &source, const QString &title = {});

    // The line of a map, and a map from a line.
    static QString line(const AddedMap &map);
    static std::optional<AddedMap> fromLine(const QString &line);

private:
    QList<AddedMap> m_maps;
};

} // namespace iiif
