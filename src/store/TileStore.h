#pragma once
// Names of the tile store: map folders, tile codes and files, the walking order, the tile
// count and folder creation. A sheet is a grid of 26 x 26 tiles; its map folder is
// maps root / edition folder / "Carte" + sheet number, and for an archive sheet the folder its
// suffix names inside that one ("\F007": the folder F007). Paths are native.

#include "session/SheetId.h"

#include <QString>

namespace store {

constexpr int kGridSide = 26;
constexpr int kTileCount = kGridSide * kGridSide;

// Column and row are 0-based (0 = "A"). The code is the column letter then the row letter.
QString tileCode(int column, int row);
QString tileFileName(int column, int row);            // "MAXI_" + code + ".jpg"
// The i-th tile in walking order (rows outer, columns inner), i from 0 to 675.
inline int walkColumn(int i) { return i % kGridSide; }
inline int walkRow(int i) { return i / kGridSide; }
inline QString walkFileName(int i) { return tileFileName(walkColumn(i), walkRow(i)); }

QString mapFolder(const QString &mapsRoot, const SheetId &sheet);
QString tilePath(const QString &mapFolder, int column, int row);

// How many of the 676 tile names exist in the folder (0 for a missing folder).
int tileCount(const QString &mapFolder);
// The same within the first `columns` x `rows` of the grid (a sheet whose tiles fill less).
int tileCount(const QString &mapFolder, int columns, int rows);
// Entries of the folder whose names end in ".jpg", whatever they are (0 when missing).
int jpgEntryCount(const QString &folder);

// Creates the folder with every missing parent; one trailing separator is ignored. True
// when the folder exists afterwards.
bool createFolderPath(const QString &path);
bool folderExists(const QString &path);
bool fileExists(const QString &path);

} // namespace store
