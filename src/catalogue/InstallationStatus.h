#pragma once
// What a tile count means for the selection: its installation state and the colours of
// the indicator squares (Shape2, Shape19, Shape18 on the Cassini page, Shape69 on the
// archive page). A square without a colour keeps the one it has.

#include "store/TileStore.h"

#include <QColor>
#include <optional>

namespace colours {
inline const QColor kNavy{0, 0, 128};
inline const QColor kRed{255, 0, 0};
inline const QColor kGreen{0, 128, 0};
inline const QColor kFuchsia{255, 0, 255};
inline const QColor kDarkRed{128, 0, 0};
inline const QColor kWhite{255, 255, 255};
// Number colour of a sheet button after the check of all sheets.
// `complete`: the number of tiles of a whole sheet (fewer for a sheet served by IIIF).
QColor forCheckedSheet(int jpgEntries, int complete = store::kTileCount);
} // namespace colours

struct InstallationStatus {
    int state = 0;
    // The Cassini page's three squares (whole, partly installed, no tile) and the archive page's one.
    std::optional<QColor> completeSquare, partialSquare, emptySquare, archiveSquare;
};

// `wholeSheet`: the number of tiles of a whole sheet (its plan's grid for a sheet served by IIIF).
InstallationStatus installationStatus(int tileCount, bool archive, int wholeSheet = store::kTileCount);
