#pragma once
// A sheet's 26 x 26 tiles seen as one virtual picture. The mosaic knows which tile files
// exist and their sizes (from their JPEG headers alone) and renders any rectangle of
// tiles at any scale, decoding only the tiles that rectangle touches, each at the smallest
// DCT scale that still covers its place, each at most once per rendering. Decoded tiles
// are kept in a small cache that the user of the mosaic trims to what is near its view.
//
// Tiles that cannot be read as pictures are dealt with where they are found, while measuring
// (header) or while rendering (picture data), by the store's repair of unreadable tiles:
// deleted from the map folder, or renamed aside when they are pictures of another kind.

#include "imaging/Jpeg.h"
#include "store/TileRepair.h"
#include "store/TileStore.h"

#include <QImage>
#include <QList>
#include <QPoint>
#include <QRect>
#include <QSize>
#include <QString>
#include <array>
#include <functional>
#include <unordered_map>
#include <vector>

namespace render {

class Mosaic {
public:

    struct Tile {
        bool present = false;   // a readable tile file exists
        QSize size;             // its size from the header
    };

    // The result of measuring a folder.
    struct Scan {
        QStringList deleted;    // files removed because they were empty or not pictures
        QString unopenable;     // first file that exists but cannot be opened, if any
        // Pictures of another kind under a tile's name (a PNG named .jpg): kept, renamed
        // aside with their kind's extension added (MAXI_xx.jpg.png); their new paths.
        QStringList renamed;
    };

    explicit Mosaic(const QString &mapFolder = {});

    const QString &mapFolder() const { return m_folder; }
    QString tilePath(int column, int row) const;

    // Reads the header of every tile in walking order (rows outer, columns inner).
    // Empty and unreadable files (including pictures over the size limit) are deleted.
    // Stops at a file that exists but cannot be opened (reported in `unopenable`).
    Scan measure();
    // The same for the tiles of `cells` only; the others count as missing. Unless
    // `stopAtUnopenable`, a file that cannot be opened counts as missing and the walk goes on.
    Scan measure(const QRect &cells, bool stopAtUnopenable = true);

    const Tile &tile(int column, int row) const { return m_tiles[index(column, row)]; }
    int presentCount() const;
    // Size of the last readable tile in walking order, (0, 0) when none: the cell size.
    QSize cellSize() const { return m_cellSize; }
    bool tilesFound() const { return m_cellSize.width() > 0 && m_cellSize.height() > 0; }
    // Size of the first readable tile of a rectangle of cells in walking order.
    QSize firstTileSize(const QRect &cells) const;

    // How the tiles of a rectangle of cells are placed in an output picture.
    struct Placement {
        QRect cells{0, 0, store::kGridSide, store::kGridSide};   // columns x rows of cells to draw
        QPoint origin;                     // output point of the top-left cell's corner
        QSize pitch;                       // cell size in output pixels
        // true: each tile is stretched to exactly `pitch`; false: each tile is drawn at its
        // own size divided by `shrink` (1, 2, 4 or 8), clipped to its cell.
        bool stretch = false;
        int shrink = 1;
        bool keepDecoded = true;           // keep decoded tiles in the cache for later
    };

    // Draws into `target`, whose pixel (0, 0) is the output point `targetOrigin`, every
    // cell of the placement that meets the target. Cells without a tile are left as the
    // target was (fill it black or white first). Returns the number of tiles drawn.
    int render(QImage &target, QPoint targetOrigin, const Placement &placement);

    // The picture of one tile at 1/shrink, from the cache or decoded now; null when the
    // tile is missing or its data cannot be decoded (the file is then deleted).
    QImage tileImage(int column, int row, int shrink = 1);
    // The same when only the part `needed` (tile pixels at 1/shrink) is to be shown: a tile
    // not seen before is decoded in that part only (rows below it are never read).
    QImage tileImage(int column, int row, int shrink, const QRect &needed);
    // The picture of one tile at 1/shrink if it is in the cache, else null (decodes nothing).
    QImage cachedImage(int column, int row, int shrink = 1) const;
    // Decodes one tile at the smallest DCT scale covering `target`, without caching.
    QImage decodeCovering(int column, int row, QSize target);

    // Hands each present tile of `cells` at 1/shrink to `deliver(column, row, picture)`:
    // tiles not cached are decoded side by side and handed over on the thread that decoded
    // them (so `deliver` must only touch what belongs to that tile), then let go; cached
    // ones are handed over on this thread. Tiles that fail are dealt with as when drawn.
    // `progress(tiles)`, when given, runs on this thread now and then while the others
    // decode, with the number of present tiles dealt with since its last call.
    void decodeCells(const QRect &cells, int shrink,
                     const std::function<void(int column, int row, const QImage &picture)> &deliver,
                     const std::function<void(int tiles)> &progress = {});
    // Decodes the present tiles of `cells` at 1/shrink that are not cached yet, side by side,
    // and keeps them.
    void preload(const QRect &cells, int shrink = 1);
    // Decodes, side by side, the parts of the placement's tiles that `area` (output
    // pixels) shows and that are not cached yet, and keeps them.
    void preloadVisible(const Placement &placement, const QRect &area);
    // The tiles of `cells` (rows outer) decoded at the smallest scale covering `target` and
    // stretched to exactly `target`, side by side, not cached; null where no tile is shown.
    std::vector<QImage> decodeStretched(const QRect &cells, QSize target);

    // Drops cached tiles outside `cells` grown by `margin` cells on every side.
    void retainNear(const QRect &cells, int margin);
    void clearCache();
    qsizetype cachedBytes() const;
    int cachedCount() const { return int(m_cache.size()); }
    // Files deleted while rendering since the last call.
    QStringList takeDeletedWhileRendering();
    // The first failure since the last call that was no damage of a file (short of memory),
    // as its message ("Erreur JPEG #n"); empty when none. Such tiles are kept.
    QString takeKeptFailure();

    static int index(int column, int row) { return row * store::kGridSide + column; }

private:
    struct Job {
        int column, row, shrink;
        QSize scaleTo;            // stretched to this size when valid
        QRect region;             // only this part when not null
        QImage image;
        QRect decoded;            // the part of `image` that holds the picture
        jpeg::Status status;
    };
    struct Cached {
        QImage image;
        QRect valid;              // the decoded part: the whole picture, or what was seen
    };
    // `done` runs on the decoding thread for each job, decoded or not.
    void decodeJobs(std::vector<Job> &jobs, const std::function<void(Job &)> &done = {});
    void keep(const Job &job);
    // Whether the cache holds `needed` of a tile (its whole picture when null).
    bool covers(int key, const QRect &needed) const;
    void failed(int column, int row, const jpeg::Status &status);
    QImage decode(int column, int row, int shrink);
    void forget(int column, int row);

    QString m_folder;
    std::array<Tile, store::kTileCount> m_tiles{};
    QSize m_cellSize;
    std::unordered_map<int, Cached> m_cache;   // key: index * 16 + shrink
    store::TileRepair m_repair;   // of the tiles that fail while rendering
};

} // namespace render
