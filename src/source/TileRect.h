#pragma once
// The part of a sheet's grid of tiles that a run fetches, and the state of each of its tiles.

#include <QSize>
#include <optional>

namespace source {

// The part of the 26 x 26 grid to fetch, 0-based letters (0 = "A"), bounds included.
struct TileRect {
    int firstColumn = 0;
    int lastColumn = 25;
    int firstRow = 0;
    int lastRow = 25;

    int width() const { return lastColumn - firstColumn + 1; }
    int height() const { return lastRow - firstRow + 1; }
    int count() const { return width() * height(); }
    // Tile of list row i (from 0).
    int columnOf(int i) const { return firstColumn + i % width(); }
    int rowOf(int i) const { return firstRow + i / width(); }
    bool operator==(const TileRect &) const = default;
};

// The part of `rect` within the first columns x rows of the grid (a sheet served by IIIF
// may fill less than 26 x 26); nothing when they do not meet.
std::optional<TileRect> withinGrid(const TileRect &rect, QSize grid);

enum class RowState { Waiting, Downloading, Downloaded, Missing, AlreadyInstalled, OutsidePicture };

} // namespace source
