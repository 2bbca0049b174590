#pragma once
// Decodes one tile straight into its cell of a band of 24-bit RGB rows: the tile at its own
// size from the cell's corner, clipped to the cell, white where it does not reach. A tile
// that cannot be read whole (missing, truncated, damaged) leaves the whole cell white; the
// file itself is never touched.

#include <QString>

namespace exporting {

struct BandCell {
    uchar *band = nullptr;    // row 0 of the band, pixel 0
    qsizetype stride = 0;     // bytes from one row to the next
    int left = 0;             // the cell's first column in the band
    int width = 0;            // the cell's columns within the picture
    int height = 0;           // the band's rows
};

void fillWhite(const BandCell &cell);
// True when the tile was decoded whole into the cell.
bool decodeTileInto(const QString &path, const BandCell &cell);

} // namespace exporting
