#include "source/SheetSource.h"
#include "store/TileStore.h"

namespace source {

QSize SheetSource::tileGrid() const
{
    const bool fits = grid.width() >= 1 && grid.height() >= 1 && grid.width() <= store::kGridSide
                      && grid.height() <= store::kGridSide;
    return fits ? grid : QSize(store::kGridSide, store::kGridSide);
}

} // namespace source
