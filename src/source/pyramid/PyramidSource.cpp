#include "source/pyramid/PyramidSource.h"
#include "imaging/Jpeg.h"
#include "store/TileStore.h"

namespace source {

bool checkedMultiply(qint64 a, qint64 b, qint64 *out) { return !__builtin_mul_overflow(a, b, out); }
bool checkedAdd(qint64 a, qint64 b, qint64 *out) { return !__builtin_add_overflow(a, b, out); }

namespace {

// A stored cell's side cutting `side` into at most 26 parts: a whole number of server tiles
// when that stays within the limit, else the plain share. 0 when even that is too large.
int cellSide(qint64 side, int tileSide, int limit)
{
    const qint64 plain = ceilDiv(side, store::kGridSide);
    const qint64 multiple = ceilDiv(plain, tileSide) * tileSide;
    if (multiple <= limit)
        return int(multiple);
    return plain <= limit ? int(plain) : 0;
}

// Server tiles (of `tileSide`) that the span [from, from + length) touches.
qint64 spanTiles(qint64 from, qint64 length, int tileSide)
{
    return (from + length - 1) / tileSide - from / tileSide + 1;
}

} // namespace

int PyramidSource::maxStoredSide() { return jpeg::kMaxSide; }

PyramidSource::PyramidSource(QList<QSize> levels, int tileSide, int overlap)
    : m_levels(std::move(levels)), m_tileSide(tileSide), m_overlap(overlap)
{
}

bool PyramidSource::plan(QString *why)
{
    const int limit = maxStoredSide();
    for (int level = int(m_levels.size()) - 1; level >= 0; --level) {
        const QSize size = m_levels[level];
        const int cw = cellSide(size.width(), m_tileSide, limit), ch = cellSide(size.height(), m_tileSide, limit);
        if (cw == 0 || ch == 0)
            continue;
        // Cells of whole server tiles are aligned on them; others may start anywhere in one.
        auto spanned = [&](int cellSide) {
            return cellSide % m_tileSide == 0 ? qint64(cellSide / m_tileSide) : spanTiles(m_tileSide - 1, cellSide, m_tileSide);
        };
        const qint64 across = spanned(cw), down = spanned(ch);
        if (across * down > kMaxPiecesPerTile)
            continue;
        m_level = level;
        m_cell = QSize(cw, ch);
        m_grid = QSize(int(ceilDiv(size.width(), cw)), int(ceilDiv(size.height(), ch)));
        return true;
    }
    if (why)
        *why = QStringLiteral("image trop grande pour 26 x 26 images");
    return false;
}

QSize PyramidSource::tileSize(TileId id) const
{
    if (!contains(id))
        return {};
    const QSize size = pictureSize();
    const int x = id.column * m_cell.width(), y = id.row * m_cell.height();
    return QSize(qMin(m_cell.width(), size.width() - x), qMin(m_cell.height(), size.height() - y));
}

QList<TilePiece> PyramidSource::pieces(TileId id) const
{
    QList<TilePiece> list;
    if (!contains(id))
        return list;
    const QSize size = pictureSize();
    const QRect stored(QPoint(id.column * m_cell.width(), id.row * m_cell.height()), tileSize(id));
    const int t = m_tileSide;
    // The overlap a server tile carries before and after its own part, within the level.
    auto before = [&](int index) { return index > 0 ? m_overlap : 0; };
    auto after = [&](int index, int side) { return int(qBound(0, side - (index + 1) * t, m_overlap)); };
    for (int row = stored.top() / t; row <= stored.bottom() / t; ++row) {
        for (int column = stored.left() / t; column <= stored.right() / t; ++column) {
            const QRect own(column * t, row * t, qMin(t, size.width() - column * t), qMin(t, size.height() - row * t));
            const QRect part = own & stored;
            TilePiece piece;
            piece.url = serverTileUrl(m_level, column, row);
            piece.crop = part.translated(-own.left() + before(column), -own.top() + before(row));
            piece.place = part.topLeft() - stored.topLeft();
            piece.largest = QSize(before(column) + own.width() + after(column, size.width()),
                                  before(row) + own.height() + after(row, size.height()));
            list << piece;
        }
    }
    return list;
}

} // namespace source
