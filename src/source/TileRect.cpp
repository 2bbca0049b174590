#include "source/TileRect.h"

#include <QtGlobal>

namespace source {

std::optional<TileRect> withinGrid(const TileRect &rect, QSize grid)
{
    const TileRect inside{rect.firstColumn, qMin(rect.lastColumn, grid.width() - 1), rect.firstRow,
                          qMin(rect.lastRow, grid.height() - 1)};
    if (inside.lastColumn < inside.firstColumn || inside.lastRow < inside.firstRow)
        return std::nullopt;
    return inside;
}

} // namespace source
