#pragma once
// How an IIIF image becomes a sheet of at most 26 x 26 tiles. A server that cuts any region
// (compliance level 1 and up, or one that supports regions in pixels) keeps the full
// resolution: the picture is cut into at most 26 x 26 regions, each a whole multiple of the
// server's own tile size where that keeps a tile within the program's size limit. A
// server of static tiles only (level 0) gives the largest resolution at which its own
// tiles fit in 26 x 26, one of its tiles per tile of the sheet. A picture whose tiles would
// be too large at full size is taken at the largest resolution where they fit.

#include "net/IiifInfo.h"

#include <QByteArray>
#include <QList>

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
    int scale = 1;        // the picture is taken at 1/scale of its full size
    QSize fullSize;
    QSize cell;           // a tile's size in pixels of the full picture (the last ones may be smaller)
    int columns = 0;      // 1..26
    int rows = 0;

    bool contains(int column, int row) const { return column >= 0 && row >= 0 && column < columns && row < rows; }
    // The part of the full picture that the tile (0-based column and row) shows.
    QRect region(int column, int row) const;
    // The tile's size in pixels as stored.
    QSize tileSize(int column, int row) const;
    // The address of the tile's picture.
    QString tileUrl(int column, int row) const;
    // The size of the whole sheet as stored.
    QSize sheetSize() const;
};

// The largest tile side the program stores (the decoder's bound).
int maxTileSide();

// Nothing, and `why` set, when the image cannot be cut into 26 x 26 tiles of a storable size.
std::optional<TilePlan> planTiles(const ImageInfo &info, const QString &imageBase, QString *why = nullptr);

// A server of static pictures only that names no tiles but lists whole sizes ("sizes"):
// the largest listed size within the limits is asked once, whole, and the program cuts it
// into the sheet's tiles.
struct WholePicturePlan {
    QString url;        // the whole picture at `size`
    QSize size;
    QSize cell;         // a stored tile's size (those of the last column and row may be smaller)
    int columns = 0;    // 1..26
    int rows = 0;

    bool contains(int column, int row) const { return column >= 0 && row >= 0 && column < columns && row < rows; }
    // The part of the whole picture that the tile (0-based column and row) shows.
    QRect region(int column, int row) const;
};

// The whole sizes a description lists, in its order; none when it lists none.
QList<QSize> listedSizes(const QByteArray &json);
// Whether the server gives whole pictures only: no region in pixels, no tiles, sizes listed.
bool servesWholePicturesOnly(const ImageInfo &info, const QList<QSize> &sizes);
// Nothing, and `why` set, when no listed size fits the limits.
std::optional<WholePicturePlan> planWholePicture(const ImageInfo &info, const QList<QSize> &sizes,
                                                 const QString &imageBase, QString *why = nullptr);

} // namespace iiif
