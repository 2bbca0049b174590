#include "print/TileComposition.h"
#include "imaging/PictureMemory.h"
#include "render/Mosaic.h"

#include <QPainter>

#include <algorithm>
#include <cstring>
#include <iterator>
#include <mutex>
#include <tuple>
#include <utility>
#include <vector>

namespace printing {

TileComposition::TileComposition() = default;
TileComposition::~TileComposition() = default;
TileComposition::TileComposition(TileComposition &&) noexcept = default;
TileComposition &TileComposition::operator=(TileComposition &&) noexcept = default;

void TileComposition::clear()
{
    *this = TileComposition();
}

TileComposition TileComposition::compose(const QString &mapFolder, const QRect &cells,
                                         const std::function<void(int)> &progress)
{
    TileComposition t = measure(mapFolder, cells);
    t.drawOverview(progress);
    return t;
}

TileComposition TileComposition::measure(const QString &mapFolder, const QRect &cells)
{
    TileComposition t;
    t.m_cells = cells.isEmpty() ? QRect() : cells;
    t.m_mosaic = std::make_unique<render::Mosaic>(mapFolder);
    if (t.m_cells.isEmpty())
        return t;
    // A tile that cannot be opened is left out like a missing one; the others still print.
    t.m_mosaic->measure(t.m_cells, false);

    // The first tile whose picture decodes sets the grid; one that fails (and goes, when its
    // bytes are damaged) leaves the choice to the next.
    render::Mosaic &mosaic = *t.m_mosaic;
    for (int row = t.m_cells.top(); row <= t.m_cells.bottom() && t.m_tile.isEmpty(); ++row)
        for (int column = t.m_cells.left(); column <= t.m_cells.right() && t.m_tile.isEmpty(); ++column)
            if (mosaic.tile(column, row).present && !mosaic.tileImage(column, row, 4).isNull())
                t.m_tile = mosaic.tile(column, row).size;
    if (t.m_tile.isEmpty())
        return t;
    t.m_size = QSize(t.m_tile.width() * t.m_cells.width(), t.m_tile.height() * t.m_cells.height());
    // A map cut into tiles from its top-left corner ends with a narrower column (its tiles
    // as high as the others, but the last) and a lower row (as wide, but the last): the
    // picture ends with them, no white band beyond. A tile merely smaller keeps its cell.
    int lastWidth = 0, lastHeight = 0;
    for (int row = t.m_cells.top(); row <= t.m_cells.bottom(); ++row)
        if (const auto &tile = mosaic.tile(t.m_cells.right(), row);
            tile.present && (tile.size.height() == t.m_tile.height() || row == t.m_cells.bottom()))
            lastWidth = std::max(lastWidth, tile.size.width());
    for (int column = t.m_cells.left(); column <= t.m_cells.right(); ++column)
        if (const auto &tile = mosaic.tile(column, t.m_cells.bottom());
            tile.present && (tile.size.width() == t.m_tile.width() || column == t.m_cells.right()))
            lastHeight = std::max(lastHeight, tile.size.height());
    if (t.m_cells.width() > 1 && lastWidth > 0 && lastWidth < t.m_tile.width())
        t.m_size.rwidth() -= t.m_tile.width() - lastWidth;
    if (t.m_cells.height() > 1 && lastHeight > 0 && lastHeight < t.m_tile.height())
        t.m_size.rheight() -= t.m_tile.height() - lastHeight;
    return t;
}

void TileComposition::drawOverview(const std::function<void(int)> &progress, QImage *canvas, QPoint at,
                                   bool whiteWhereNoTile)
{
    const int columns = m_cells.width(), rows = m_cells.height();
    const QSize quarterSize(m_size.width() / 4, m_size.height() / 4);
    if (!isNull() && !canvas) {
        m_overview = imaging::uninitialisedPicture(quarterSize, QImage::Format_RGB32);
        if (m_overview.isNull())   // cannot hold even the overview
            m_tile = m_size = QSize();
        canvas = &m_overview;
        whiteWhereNoTile = true;
    }
    const bool drawing = canvas && !canvas->isNull() && !isNull();
    const double sx = drawing ? double(quarterSize.width()) / m_size.width() : 0;
    const double sy = drawing ? double(quarterSize.height()) / m_size.height() : 0;
    // All tiles are decoded side by side in one go. The decoding threads copy the pixels of
    // the tiles that fit their cell straight into the overview (each its own cell, through
    // the bits taken here on this thread); the others are drawn by this thread: those of a
    // size off the quarter grid between the tiles it decodes, those larger than their cell
    // (over their neighbours) at the end, in walking order.
    uchar *const bits = drawing ? canvas->bits() : nullptr;
    const qsizetype bytesPerLine = drawing ? canvas->bytesPerLine() : 0;
    const QRect overviewRect = drawing ? QRect(at, quarterSize) & canvas->rect() : QRect();
    // The overview's memory is new: writing it white first and the tiles over it would cost
    // a pass of its own, on this thread alone. Where the cells fall on whole pixels (tiles
    // of a size in fours), each cell is written once instead, by whoever draws its tile,
    // white around a smaller tile, and the cells left without a tile white at the end.
    const bool whiten = drawing && whiteWhereNoTile;
    const bool wholeCells = whiten && sx == 0.25 && sy == 0.25 && m_tile.width() % 4 == 0 && m_tile.height() % 4 == 0;
    if (whiten && !wholeCells) {
        QPainter painter(canvas);
        painter.fillRect(overviewRect, Qt::white);
    }
    const auto cellRect = [&](int column, int row) {
        return QRect(at + QPoint((column - m_cells.left()) * m_tile.width() / 4, (row - m_cells.top()) * m_tile.height() / 4),
                     m_tile / 4)
            & overviewRect;
    };
    // White over a cell but for `picture` (pixels from its top-left corner) when given.
    const auto whitenCell = [&](const QRect &cell, QSize picture) {
        const QRect covered = QRect(cell.topLeft(), picture) & cell;
        for (int line = cell.top(); line <= cell.bottom(); ++line) {
            uint *row = reinterpret_cast<uint *>(bits + line * bytesPerLine);
            const bool beside = line <= covered.bottom() && !covered.isEmpty();
            const int from = beside ? covered.right() + 1 : cell.left();
            std::fill(row + from, row + cell.right() + 1, 0xffffffffu);
        }
    };
    std::vector<char> written(size_t(std::max(0, columns * rows)), 0);   // by cell, rows outer
    const auto cellIndex = [&](int column, int row) { return size_t((row - m_cells.top()) * columns + column - m_cells.left()); };
    struct Pending {
        int column, row;
        bool fitsCell;
        QRectF at;
        QImage picture;
    };
    std::vector<Pending> pending;
    std::mutex pendingLock;
    const auto deliver = [&](int column, int row, const QImage &picture) {
        const QSize size = m_mosaic->tile(column, row).size;
        const int x = (column - m_cells.left()) * m_tile.width();
        const int y = (row - m_cells.top()) * m_tile.height();
        const bool fitsCell = size.width() <= m_tile.width() && size.height() <= m_tile.height();
        if (fitsCell && x % 4 == 0 && y % 4 == 0 && sx == 0.25 && sy == 0.25 && picture.size() * 4 == size
            && picture.format() == QImage::Format_RGB32) {
            const QRect target = QRect(at + QPoint(x / 4, y / 4), picture.size()) & overviewRect;
            for (int line = 0; line < target.height(); ++line)
                std::memcpy(bits + (target.top() + line) * bytesPerLine + target.left() * 4,
                            picture.constScanLine(line), size_t(target.width()) * 4);
            if (wholeCells) {   // this cell is this thread's alone
                whitenCell(cellRect(column, row), picture.size());
                written[cellIndex(column, row)] = 1;
            }
            return;
        }
        const std::lock_guard<std::mutex> hold(pendingLock);
        pending.push_back({column, row, fitsCell, QRectF(at.x() + x * sx, at.y() + y * sy, size.width() * sx, size.height() * sy),
                           picture});
    };

    // The gauge moves by steps of an eighth: each step repaints it, at a cost.
    const int cells = columns * rows;
    const int step = std::max(1, cells / 8);
    int waiting = 0, told = 0;
    const auto draw = [&](const std::vector<Pending> &pictures) {
        if (pictures.empty())
            return;
        if (wholeCells)
            for (const Pending &p : pictures)
                if (!std::exchange(written[cellIndex(p.column, p.row)], 1))
                    whitenCell(cellRect(p.column, p.row), QSize());
        QPainter painter(canvas);
        painter.setRenderHint(QPainter::SmoothPixmapTransform, true);
        painter.setClipRect(overviewRect);
        for (const Pending &p : pictures)
            painter.drawImage(p.at, p.picture);
    };
    const auto tell = [&](int tiles) {
        std::vector<Pending> fitting;
        {
            const std::lock_guard<std::mutex> hold(pendingLock);
            const auto larger = std::stable_partition(pending.begin(), pending.end(),
                                                      [](const Pending &p) { return p.fitsCell; });
            fitting.assign(std::make_move_iterator(pending.begin()), std::make_move_iterator(larger));
            pending.erase(pending.begin(), larger);
        }
        draw(fitting);
        waiting += tiles;
        if (progress && waiting >= step) {
            progress(waiting);
            told += waiting;
            waiting = 0;
        }
    };
    if (drawing) {
        m_mosaic->decodeCells(m_cells, 4, deliver, tell);
        tell(0);   // what the other threads left to draw
    }
    if (progress && cells > told)   // the rest, cells without a tile included
        progress(cells - told);
    // The cells that got no picture, and those of the tiles larger than theirs, are white
    // before the larger ones are drawn over their neighbours.
    if (wholeCells)
        for (int row = m_cells.top(); row <= m_cells.bottom(); ++row)
            for (int column = m_cells.left(); column <= m_cells.right(); ++column)
                if (!std::exchange(written[cellIndex(column, row)], 1))
                    whitenCell(cellRect(column, row), QSize());
    std::sort(pending.begin(), pending.end(),
              [](const Pending &a, const Pending &b) { return std::tie(a.row, a.column) < std::tie(b.row, b.column); });
    draw(pending);
    if (m_mosaic)
        m_mosaic->clearCache();
}

QImage TileComposition::render(const QRect &rect) const
{
    QImage out(rect.size(), QImage::Format_RGB32);
    if (out.isNull())
        return out;
    out.fill(Qt::white);
    if (isNull() || !rect.intersects(QRect(QPoint(0, 0), m_size)))
        return out;

    render::Mosaic::Placement placement;
    placement.cells = m_cells;
    placement.pitch = m_tile;
    placement.shrink = 1;
    placement.keepDecoded = true;
    m_mosaic->render(out, rect.topLeft(), placement);

    // Decoded tiles are kept around this rectangle only.
    const QRect seen = rect & QRect(QPoint(0, 0), m_size);
    const QRect touched(QPoint(m_cells.left() + seen.left() / m_tile.width(), m_cells.top() + seen.top() / m_tile.height()),
                        QPoint(m_cells.left() + seen.right() / m_tile.width(),
                               m_cells.top() + seen.bottom() / m_tile.height()));
    m_mosaic->retainNear(touched, 1);
    return out;
}

} // namespace printing
