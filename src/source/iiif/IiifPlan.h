#pragma once
// How an IIIF image becomes a sheet of at most 26 x 26 tiles. A server that cuts any region
// (compliance level 1 and up, or one that supports regions in pixels) keeps the full
// resolution: the picture is cut into at most 26 x 26 regions, each a whole multiple of the
// server's own tile size where that keeps a tile within the program's size limit. A
// server of static tiles only (level 0) gives the largest resolution at which its own
// tiles fit in 26 x 26, one of its tiles per tile of the sheet. A picture whose tiles would
// be too large at full size is taken at the largest resolution where they fit. A server of
// static pictures without tiles gives the largest of its sizes that fits its limits and the
// program's, asked once as a whole picture and cut by the program into the sheet's tiles.
//
// Every tile is asked at the size the plan stores: the full size by "full" (or "max"), a
// reduced one by width and height where the server takes both. Where it takes only a width,
// the server computes the height, which may be one pixel off by its rounding: only such a
// tile may differ from the plan, and it is fitted to the plan's size before it is stored.

#include "source/iiif/IiifInfo.h"

#include <QRect>
#include <QSize>
#include <QString>
#include <optional>

namespace iiif {

struct TilePlan {
    QString imageBase;   // requests append to it as it stands
    int version = 2;
    QString quality;
    bool cutsRegions = false;
    bool sizeByWidth = true;   // the server scales to a given width
    bool sizeByWh = false;     // the server scales to a given width and height
    QSize whole;          // not empty: the whole picture is asked once at this size and cut into tiles
    int scale = 1;        // the picture is taken at 1/scale of its full size
    QSize fullSize;
    QSize cell;           // a tile's size in pixels of the full picture, or of the whole one when
                          // that is asked (the last ones may be smaller)
    int columns = 0;      // 1..26
    int rows = 0;

    bool contains(int column, int row) const { return column >= 0 && row >= 0 && column < columns && row < rows; }
    // The part of the full picture (of the whole one when that is asked) that the tile
    // (0-based column and row) shows.
    QRect region(int column, int row) const;
    // The tile's size in pixels as stored.
    QSize tileSize(int column, int row) const;
    // The address of the tile's picture.
    QString tileUrl(int column, int row) const;
    // The size part of that address: "full", "max", "w,h" or "w,".
    QString sizeText(int column, int row) const;
    // How many pixels of each side the server's answer may differ from tileSize() by its
    // own rounding (0 where the request names that side).
    QSize slack(int column, int row) const;
    // The size of the answer asked for the tile: the tile itself, or the whole picture.
    QSize answerSize(int column, int row) const;
    // Whether an answer of this size is the one asked for.
    bool accepts(int column, int row, QSize answer) const;
    // The size of the whole sheet as stored.
    QSize sheetSize() const;
};

// The largest tile side the program stores (the decoder's bound).
int maxTileSide();

// Nothing, and `why` set, when the image cannot be cut into 26 x 26 tiles of a storable size.
std::optional<TilePlan> planTiles(const ImageInfo &info, const QString &imageBase, QString *why = nullptr);

// The base the tiles are asked at, once the description was read from `infoUrl` (its final
// address, after redirects): the base it was found at, which is the requested one unless a
// redirect moved it; the description's own "id" when it lies on the same server (scheme,
// host and port) as where it was found.
QString tileBase(const QString &requestedBase, const QString &infoUrl, const ImageInfo &info);

} // namespace iiif
