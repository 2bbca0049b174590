#pragma once
// A rectangle of tiles of one map folder seen as one picture at full tile resolution,
// without ever holding that picture: the print's view of the sheet's mosaic. Composing
// reads the headers of the rectangle's tiles once (deleting the tiles that are no
// pictures), then decodes them at a quarter of their size side by side, each straight
// into its place in the overview. Any part of the full picture is then rendered on
// demand at 1:1 by the mosaic, decoding only the tiles it touches.
//
// Tiles sit at ((c - left) x tile width, (r - top) x tile height), with the size of the first
// tile that loads in walking order (rows outer, columns inner): the printed pages are cut
// from that grid, so it stays the print's rule whatever the views take as their cell. The
// picture is that size times the columns and rows. Missing tiles stay white; a tile whose
// header claims more than 8192 pixels either way counts as undecodable.

#include <QImage>
#include <QPoint>
#include <QRect>
#include <QSize>
#include <QString>

#include <functional>
#include <memory>

namespace render {
class Mosaic;
}

namespace printing {

class TileComposition {
public:
    TileComposition();
    ~TileComposition();
    TileComposition(TileComposition &&) noexcept;
    TileComposition &operator=(TileComposition &&) noexcept;

    // The cells of the sheet's grid (columns and rows from 0). `progress(tiles)` runs now and
    // then while the tiles are decoded, with the number of cells dealt with since its last
    // call: all the cells in all.
    static TileComposition compose(const QString &mapFolder, const QRect &cells,
                                   const std::function<void(int tiles)> &progress = {});
    // The same in two steps, for a caller that draws several compositions into one
    // overview: `measure` reads the headers and sets the grid (size() and tileSize() are
    // known, the overview is not drawn yet); `drawOverview` draws it, into `canvas` at `at`
    // when given (overview() then stays null: the canvas holds it; where no tile is, the
    // canvas is left as it was, or made white with `whiteWhereNoTile`: cheaper than filling
    // a new canvas white first), else into a white image of its own.
    static TileComposition measure(const QString &mapFolder, const QRect &cells);
    void drawOverview(const std::function<void(int tiles)> &progress, QImage *canvas = nullptr, QPoint at = {},
                      bool whiteWhereNoTile = false);

    // True when no tile loaded: there is no picture.
    bool isNull() const { return m_size.isEmpty(); }
    QSize size() const { return m_size; }
    // Cells of the rectangle, whether they hold a tile or not.
    int cellCount() const { return m_cells.width() * m_cells.height(); }
    // Size of the first tile that loaded (empty when none did).
    QSize tileSize() const { return m_tile; }
    // The picture at a quarter of its size (each side div 4).
    const QImage &overview() const { return m_overview; }
    // Frees the overview once it has been copied elsewhere.
    void dropOverview() { m_overview = QImage(); }

    // The rectangle of the full-resolution picture at 1:1, white outside the picture and
    // where no tile is. Each tile it touches is decoded at most once; the tiles around it
    // stay decoded for the next rectangle (the next page of a poster).
    QImage render(const QRect &rect) const;

    void clear();

private:

    QRect m_cells;   // the rectangle's cells in the sheet's grid (0-based)
    QSize m_tile;
    QSize m_size;
    QImage m_overview;
    std::unique_ptr<render::Mosaic> m_mosaic;
};

} // namespace printing
