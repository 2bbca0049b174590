#pragma once
// What a whole-map export will write, found from the tiles' headers alone: the grid, the
// cell size, the picture's size and the tiles that are missing or cannot be read. Tiles are
// placed as the detail view places them: each at its own size from its cell's corner,
// clipped to its cell; a sheet whose tiles fill less than 26 x 26 takes its first tile as
// the cell and ends with its narrower last column and row. Nothing is ever deleted.

#include "export/ExportFormat.h"

#include <QList>
#include <QSize>
#include <QString>
#include <QStringList>
#include <vector>

namespace exporting {

struct ExportPlan {
    QString folder;
    QSize grid;          // columns x rows of cells
    QSize cell;          // cell size in pixels (0 x 0: no readable tile)
    QSize picture;       // the whole picture in pixels
    std::vector<QSize> tileSizes;   // per cell, rows outer; invalid where no readable tile
    QStringList missing;            // file names of cells without a readable tile, walking order
    qint64 tileBytes = 0;           // bytes of the readable tiles

    bool empty() const { return picture.isEmpty(); }
    QSize tileSize(int column, int row) const { return tileSizes[size_t(row * grid.width() + column)]; }
    QString tilePath(int column, int row) const;
    // Output rows of the band of tile row `row`.
    int bandTop(int row) const { return row * cell.height(); }
    int bandHeight(int row) const;
    // Output columns of the cells of `column`: from its left to the next cell or the picture's end.
    int cellLeft(int column) const { return column * cell.width(); }
    int cellWidth(int column) const;
};

// Reads the headers of the tiles of `grid` (columns x rows) in a map folder. A file that is
// missing, empty, no JPEG picture or larger than a tile can be counts as missing.
ExportPlan planExport(const QString &folder, QSize grid);

// The grid of the sheet in a map folder: the one kept for it in the maps root's list of
// IIIF maps when the folder lies in a maps root, else the columns and rows that its tiles
// reach (26 x 26 for a whole sheet).
QSize gridOfFolder(const QString &folder);

// A guess of the file's size, for the user before writing.
qint64 expectedFileBytes(const ExportPlan &plan, Format format);
// "12,5 Mo", "830 Ko", "2,1 Go".
QString sizeText(qint64 bytes);
// The lines shown before writing: size in pixels, file size to expect, missing tiles.
QString planSummary(const ExportPlan &plan, Format format);
// At most `shown` file names, one a line, then "(et N autres)".
QString tileList(const QStringList &names, int shown = 20);

} // namespace exporting
