#pragma once
// Where one sheet of a map is served, as the added-maps file keeps it: the address of its
// picture on a server of its own, the picture's size, the grid of tiles its plan makes and
// the kind of server.

#include "source/TileSource.h"

#include <QSize>
#include <QString>

namespace source {

struct SheetSource {
    // IIIF: the image's base address; Deep Zoom: the ".dzi"; Zoomify: the folder of
    // "ImageProperties.xml". Empty: this sheet has no address.
    QString address;
    QSize size;
    QSize grid;          // columns x rows of tiles of its plan; not valid: 26 x 26
    Kind kind = Kind::Iiif;
    bool operator==(const SheetSource &) const = default;
    // The grid the sheet's tiles fill: its plan's, else the whole 26 x 26.
    QSize tileGrid() const;
};

} // namespace source
