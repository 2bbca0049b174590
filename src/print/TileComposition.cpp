#include "print/TileComposition.h"
#include "render/Mosaic.h"

#include <QPainter>

namespace printing {
namespace {

// Rows decoded together: enough tiles to keep every decoding thread busy to the end of the
// batch, few enough that the quarter-size pictures waiting to be drawn stay small.
constexpr int kRowsPerBatch = 2;

} // namespace

TileComposition::TileComposition() = default;
TileComposition::~TileComposition() = default;
TileComposition::TileComposition(TileComposition &&) noexcept = default;
TileComposition &TileComposition::operator=(TileComposition &&) noexcept = default;

void TileComposition::clear()
{
    *this = TileComposition();
}

TileComposition TileComposition::compose(const QString &mapFolder, int c1, int c2, int r1, int r2,
                                         const std::function<void()> &tick)
{
    TileComposition t;
    t.m_cells = QRect(c1 - 1, r1 - 1, std::max(0, c2 - c1 + 1), std::max(0, r2 - r1 + 1));
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
    t.drawOverview(tick);
    mosaic.clearCache();
    return t;
}

void TileComposition::drawOverview(const std::function<void()> &tick)
{
    const int columns = m_cells.width(), rows = m_cells.height();
    QPainter painter;
    double sx = 0, sy = 0;
    if (!m_tile.isEmpty()) {
        m_size = QSize(m_tile.width() * columns, m_tile.height() * rows);
        m_overview = QImage(m_size.width() / 4, m_size.height() / 4, QImage::Format_RGB32);
        if (m_overview.isNull()) {   // cannot hold even the overview
            m_tile = m_size = QSize();
        } else {
            m_overview.fill(Qt::white);
            painter.begin(&m_overview);
            painter.setRenderHint(QPainter::SmoothPixmapTransform, true);
            sx = double(m_overview.width()) / m_size.width();
            sy = double(m_overview.height()) / m_size.height();
        }
    }
    for (int first = 0; first < rows; first += kRowsPerBatch) {
        const QRect batch(m_cells.left(), m_cells.top() + first, columns, std::min(kRowsPerBatch, rows - first));
        if (tick)
            for (int i = 0; i < batch.width() * batch.height(); ++i)
                tick();
        if (!painter.isActive())
            continue;
        const std::vector<QImage> quarters = m_mosaic->decodeCells(batch, 4);
        for (int r = 0; r < batch.height(); ++r)
            for (int c = 0; c < columns; ++c) {
                const QImage &quarter = quarters[size_t(r) * size_t(columns) + size_t(c)];
                if (quarter.isNull())
                    continue;
                const QSize size = m_mosaic->tile(batch.left() + c, batch.top() + r).size;
                const int x = c * m_tile.width();
                const int y = (first + r) * m_tile.height();
                if (x % 4 == 0 && y % 4 == 0 && sx == 0.25 && sy == 0.25 && quarter.size() * 4 == size)
                    painter.drawImage(QPoint(x / 4, y / 4), quarter);
                else
                    painter.drawImage(QRectF(x * sx, y * sy, size.width() * sx, size.height() * sy), quarter);
            }
    }
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
