#include "view/MosaicPanel.h"
#include "render/Mosaic.h"
#include "view/ViewGeometry.h"

#include <QPainter>
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
    m_panel->update(m_bounds);
}

QImage TileCell::picture() const
{
    if (Mosaic *source = m_panel->source())
        return source->cachedImage(m_column, m_row, 1);
    return m_picture;
}

MosaicPanel::MosaicPanel(QWidget *parent, QSize cell, const QString &cellPrefix, Mosaic *source, QSize grid)
    : QWidget(parent), m_cell(cell),
      m_grid(grid.boundedTo(QSize(store::kGridSide, store::kGridSide)).expandedTo(QSize(1, 1))), m_source(source)
{
    hide();
    setObjectName(QStringLiteral("PanelCarte"));
    setAttribute(Qt::WA_OpaquePaintEvent);   // every pixel is painted below
    resize(geometry::panelSize(cell, m_grid));
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
    const int width = std::clamp(last.width(), 1, m_cell.width());
    const int height = std::clamp(last.height(), 1, m_cell.height());
    for (int row = 0; row < m_grid.height(); ++row)
        cell(m_grid.width() - 1, row)->m_bounds.setWidth(width);
    for (int column = 0; column < m_grid.width(); ++column)
        cell(column, m_grid.height() - 1)->m_bounds.setHeight(height);
    resize(geometry::panelSize(m_cell, m_grid) - QSize(m_cell.width() - width, m_cell.height() - height));
}

void MosaicPanel::paintEvent(QPaintEvent *event)
{
    QPainter painter(this);
    QRegion uncovered = event->region();
    const QRect cells = geometry::cellsIn(event->rect(), m_cell, m_grid);
    if (!cells.isEmpty()) {
        for (int row = cells.top(); row <= cells.bottom(); ++row)
            for (int column = cells.left(); column <= cells.right(); ++column) {
                const TileCell *c = cell(column, row);
                const QRect needed = c->m_bounds.intersected(event->rect()).translated(-c->m_bounds.topLeft());
                const QImage image = m_source ? m_source->tileImage(column, row, 1, needed) : c->m_picture;
                if (image.isNull())
                    continue;
                // A tile larger than its cell is clipped to it; a smaller one leaves black.
                const QRect shown = QRect(c->m_bounds.topLeft(), image.size()).intersected(c->m_bounds);
                const QRect area = shown.intersected(event->rect());
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
