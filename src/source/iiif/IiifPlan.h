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

// The part of an image a canvas shows, and how it is turned: a region of the full picture
// (empty: all of it) and a clockwise rotation of 0, 90, 180 or 270 degrees.
struct Selector {
    QRect region;
    int rotation = 0;
    bool isEmpty() const { return region.isNull() && rotation == 0; }
    bool operator==(const Selector &) const = default;
};

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
    QString pictureUrl;   // set: the whole picture is this plain picture, asked as it is

    // With a selector the sheet is the selected region, turned: its tiles are cut on a grid
    // of its own (sheetCell, columns x rows), and each is made of the parts of the answers
    // above that cover it (pieces()), turned. The fields above keep the plan of the whole
    // image, whose answers those are.
    Selector selector;
    QSize sheetCell;
    bool hasSelector() const { return !selector.isEmpty(); }
    // The stored tile's part of the selected region before it is turned, in pixels of the
    // picture at the plan's scale (of the whole picture when that is asked), counted from
    // the region's corner.
    QRect unturned(int column, int row) const;
    // The region in pixels of the picture at the plan's scale (of the whole one when asked).
    QRect scaledRegion() const;

    bool contains(int column, int row) const { return column >= 0 && row >= 0 && column < columns && row < rows; }
    // The part of the full picture (of the whole one when that is asked) that the tile
    // (0-based column and row) shows.
    QRect region(int column, int row) const;
    // The tile's size in pixels as stored.
    QSize tileSize(int column, int row) const;
    // The size of the image's own tile (column, row) of the plan of the whole image.
    QSize gridTileSize(int column, int row) const;
    // The address of `part` of the full picture asked at `asked` pixels (regions only).
    QString regionUrl(QRect part, QSize asked) const;
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

// The plan of the whole image, without selector.
std::optional<TilePlan> planImage(const ImageInfo &info, const QString &imageBase, QString *why = nullptr);
// Nothing, and `why` set, when the image cannot be cut into 26 x 26 tiles of a storable size,
// or the selector's region lies outside the picture.
std::optional<TilePlan> planTiles(const ImageInfo &info, const QString &imageBase, QString *why = nullptr,
                                  const Selector &selector = {});

// The plan of a plain picture of `size` at `url` (no image service): asked once as it is and
// cut into tiles as a whole picture is.
std::optional<TilePlan> planPicture(QSize size, const QString &url, QString *why = nullptr,
                                    const Selector &selector = {});

// The base the tiles are asked at, once the description was read from `infoUrl` (its final
// address, after redirects): the base it was found at, which is the requested one unless a
// redirect moved it; the description's own "id" when it lies on the same server (scheme,
// host and port) as where it was found.
QString tileBase(const QString &requestedBase, const QString &infoUrl, const ImageInfo &info);

} // namespace iiif
