#include "view/MosaicPanel.h"
#include "render/Mosaic.h"
#include "view/ViewGeometry.h"

#include <QPainter>
#include <QtMath>
#include <algorithm>
#include <QPaintEvent>

namespace view {

TileCell::TileCell(MosaicPanel *panel, int column, int row, const QRect &bounds)
    : QObject(panel), m_panel(panel), m_column(column), m_row(row), m_bounds(bounds)
{
}

void TileCell::setPicture(const QImage &picture)
{
    m_picture = picture;
    const qreal ratio = m_panel->pixelRatio();
    m_panel->update(QRectF(m_bounds.x() / ratio, m_bounds.y() / ratio, m_bounds.width() / ratio,
                           m_bounds.height() / ratio).toAlignedRect());
}

QImage TileCell::picture() const
{
    if (Mosaic *source = m_panel->source())
        return source->cachedImage(m_column, m_row, 1);
    return m_picture;
}

MosaicPanel::MosaicPanel(QWidget *parent, QSize cell, const QString &cellPrefix, Mosaic *source, QSize grid,
                         qreal pixelRatio)
    : QWidget(parent), m_cell(cell),
      m_grid(grid.boundedTo(QSize(store::kGridSide, store::kGridSide)).expandedTo(QSize(1, 1))), m_source(source),
      m_pixelRatio(pixelRatio > 0 ? pixelRatio : 1)
{
    hide();
    setObjectName(QStringLiteral("PanelCarte"));
    setAttribute(Qt::WA_OpaquePaintEvent);   // every pixel is painted below
    setPictureSize(geometry::panelSize(cell, m_grid));
    for (int row = 0; row < m_grid.height(); ++row)
        for (int column = 0; column < m_grid.width(); ++column) {
            auto *c = new TileCell(this, column, row,
                                   QRect(1 + column * cell.width(), 1 + row * cell.height(), cell.width(), cell.height()));
            c->setObjectName(cellPrefix + QString::number(row * store::kGridSide + column + 1));
            m_cells[size_t(row * store::kGridSide + column)] = c;
        }
}

void MosaicPanel::setLastCellSize(QSize last)
{
    if (m_cell.isEmpty())
        return;
    const int width = std::clamp(last.width(), 1, m_cell.width());
    const int height = std::clamp(last.height(), 1, m_cell.height());
    for (int row = 0; row < m_grid.height(); ++row)
        cell(m_grid.width() - 1, row)->m_bounds.setWidth(width);
    for (int column = 0; column < m_grid.width(); ++column)
        cell(column, m_grid.height() - 1)->m_bounds.setHeight(height);
    setPictureSize(geometry::panelSize(m_cell, m_grid) - QSize(m_cell.width() - width, m_cell.height() - height));
}

void MosaicPanel::setPictureSize(QSize size)
{
    m_pictureSize = size;
    resize(qCeil(size.width() / m_pixelRatio), qCeil(size.height() / m_pixelRatio));
}

void MosaicPanel::paintEvent(QPaintEvent *event)
{
    QPainter painter(this);
    // Drawn in the picture's pixels, each a pixel of the screen.
    painter.scale(1 / m_pixelRatio, 1 / m_pixelRatio);
    const QRect dirty = m_pixelRatio == 1
        ? event->rect()
        : QRectF(event->rect().x() * m_pixelRatio, event->rect().y() * m_pixelRatio,
                 event->rect().width() * m_pixelRatio, event->rect().height() * m_pixelRatio).toAlignedRect();
    QRegion uncovered = dirty;
    QRect cells = geometry::cellsIn(dirty, m_cell, m_grid);
    // A detail tile larger than its cell shows at its own size, over its neighbours' cells
    // where they have no tile (a tile drawn later covers it): one reaching into this area
    // may belong to the cell before.
    if (m_source && !cells.isEmpty())
        cells.setTopLeft(QPoint(std::max(0, cells.left() - 1), std::max(0, cells.top() - 1)));
    if (!cells.isEmpty()) {
        for (int row = cells.top(); row <= cells.bottom(); ++row)
            for (int column = cells.left(); column <= cells.right(); ++column) {
                const TileCell *c = cell(column, row);
                const QRect place = m_source
                    ? QRect(c->m_bounds.topLeft(), m_source->tile(column, row).size.expandedTo(c->m_bounds.size()))
                    : c->m_bounds;
                const QRect needed = place.intersected(dirty).translated(-c->m_bounds.topLeft());
                if (needed.isEmpty())
                    continue;
                const QImage image = m_source ? m_source->tileImage(column, row, 1, needed) : c->m_picture;
                if (image.isNull())
                    continue;
                // A smaller tile leaves black around it.
                const QRect shown = QRect(c->m_bounds.topLeft(), image.size()).intersected(place);
                const QRect area = shown.intersected(dirty);
                if (area.isEmpty())
                    continue;
                painter.drawImage(area.topLeft(), image, area.translated(-c->m_bounds.topLeft()));
                uncovered -= area;
            }
    }
    for (const QRect &r : uncovered)
        painter.fillRect(r, Qt::black);
}

MouseSurface::MouseSurface(QWidget *parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("ZoneClic"));
    setMouseTracking(true);
    setAttribute(Qt::WA_NoSystemBackground);
    setAutoFillBackground(false);
}

} // namespace view
