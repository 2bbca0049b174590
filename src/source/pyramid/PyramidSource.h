#pragma once
// A picture served as a pyramid of levels, each cut into square server tiles of one size
// (with an optional overlap on their inner edges): the common ground of Deep Zoom and
// Zoomify. The sheet takes the deepest level whose stored tiles fit 26 x 26 tiles of at most
// 8192 pixels a side; a stored tile is a whole number of server tiles where that keeps it
// within the limit, else any size, and is assembled from the server tiles it covers with
// their overlap cut away, so the stored tiles meet without a seam or a repeated pixel.

#include "source/TileSource.h"

#include <QList>

namespace source {

// Checked arithmetic for sizes read from a server: false on overflow.
bool checkedMultiply(qint64 a, qint64 b, qint64 *out);
bool checkedAdd(qint64 a, qint64 b, qint64 *out);
inline qint64 ceilDiv(qint64 a, qint64 b) { return (a + b - 1) / b; }

class PyramidSource : public TileSource {
public:
    // Bounds of what a server may describe; past them the description is refused.
    static constexpr int kMinTileSide = 16;
    static constexpr int kMaxTileSide = 4096;
    static constexpr qint64 kMaxPictureSide = qint64(1) << 30;
    static constexpr int kMaxLevels = 32;
    // The largest stored tile side, and the most server tiles one stored tile may need.
    static int maxStoredSide();
    static constexpr int kMaxPiecesPerTile = 1024;

    QSize pictureSize() const override { return m_levels.value(m_level); }
    QSize grid() const override { return m_grid; }
    QSize tileSize(TileId id) const override;
    QList<TilePiece> pieces(TileId id) const override;

    // The chosen level (an index into the levels, which run from the smallest to the full size).
    int level() const { return m_level; }
    const QList<QSize> &levels() const { return m_levels; }
    int serverTileSide() const { return m_tileSide; }
    int overlap() const { return m_overlap; }
    QSize cell() const { return m_cell; }

protected:
    PyramidSource(QList<QSize> levels, int tileSide, int overlap);
    // Chooses the level and the stored cell; false, and `why` set, when none fits.
    bool plan(QString *why);
    // The address of a server tile of a level (index into levels()).
    virtual QString serverTileUrl(int level, int column, int row) const = 0;

private:
    QList<QSize> m_levels;
    int m_tileSide = 0;
    int m_overlap = 0;
    int m_level = -1;
    QSize m_cell;
    QSize m_grid;
};

} // namespace source
