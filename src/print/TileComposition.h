#pragma once
// A rectangle of tiles of one map folder seen as one picture at full tile resolution,
// without ever holding that picture: composing walks the tiles once (rows outer, columns
// inner), decodes each at a quarter of its size straight into the overview, records the
// tile sizes and deletes the tiles that cannot be decoded. Any part of the full picture is
// then rendered on demand at 1:1, decoding only the tiles it touches.
//
// Tiles sit at ((c - c1) x tile width, (r - r1) x tile height), with the size of the first
// tile that loads; the picture is that size times the columns and rows. Missing tiles stay
// white; a tile whose header claims more than 8192 pixels either way counts as undecodable.

#include <QImage>
#include <QRect>
#include <QSize>
#include <QString>

#include <functional>
#include <memory>
#include <vector>

namespace printing {

class TileComposition {
public:
    TileComposition();
    ~TileComposition();
    TileComposition(TileComposition &&) noexcept;
    TileComposition &operator=(TileComposition &&) noexcept;

    // Columns c1..c2 and rows r1..r2 as indexes 1..26 of the sheet. `tick` runs once per
    // tile, before the tile is read.
    static TileComposition compose(const QString &mapFolder, int c1, int c2, int r1, int r2,
                                   const std::function<void()> &tick = {});

    // True when no tile loaded: there is no picture.
    bool isNull() const { return m_size.isEmpty(); }
    QSize size() const { return m_size; }
    // Size of the first tile that loaded (empty when none did).
    QSize tileSize() const { return m_tile; }
    // The picture at a quarter of its size (each side div 4).
    const QImage &overview() const { return m_overview; }
    // Frees the overview once it has been copied elsewhere.
    void dropOverview() { m_overview = QImage(); }

    // The rectangle of the full-resolution picture at 1:1, white outside the picture and
    // where no tile is. Each tile it touches is decoded at most once.
    QImage render(const QRect &rect) const;

    void clear();

private:
    struct Cache;
    QString m_folder;
    int m_c1 = 1, m_r1 = 1, m_columns = 0, m_rows = 0;
    QSize m_tile;
    QSize m_size;
    std::vector<QSize> m_tileSizes;   // per cell, rows outer; empty when missing or broken
    QImage m_overview;
    std::unique_ptr<Cache> m_cache;
};

} // namespace printing
