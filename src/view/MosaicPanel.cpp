#include "view/MosaicPanel.h"
#include "view/Mosaic.h"
#include "view/ViewGeometry.h"

#include <QPainter>
#include <QPaintEvent>

namespace view {

TileCell::TileCell(QWidget *panel, int column, int row, Mosaic *source)
    : QWidget(panel), m_column(column), m_row(row), m_source(source)
{
}

void TileCell::setPicture(const QImage &picture)
{
    m_picture = picture;
    // A picture covering the whole cell hides the panel behind it.
    setAttribute(Qt::WA_OpaquePaintEvent, !picture.isNull() && picture.size() == size());
    update();
}

QImage TileCell::picture() const
{
    if (m_source)
        return m_source->cachedImage(m_column, m_row, 1);
    return m_picture;
}

void TileCell::paintEvent(QPaintEvent *event)
{
    const QImage image = m_source ? m_source->tileImage(m_column, m_row, 1) : m_picture;
    if (image.isNull())
        return;   // the black panel shows through
    QPainter painter(this);
    const QRect area = event->rect().intersected(image.rect());
    painter.drawImage(area.topLeft(), image, area);
}

ZoneSurface::ZoneSurface(QWidget *parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("ZoneClic"));
    setMouseTracking(true);
    setAttribute(Qt::WA_NoSystemBackground);
    setAutoFillBackground(false);
}

QWidget *createMosaicPanel(QWidget *parent, QSize cell, const QString &cellPrefix, Mosaic *source)
{
    auto *panel = new QWidget(parent);
    panel->hide();
    panel->setObjectName(QStringLiteral("PanelCarte"));
    panel->setAutoFillBackground(true);
    QPalette palette = panel->palette();
    palette.setColor(QPalette::Window, Qt::black);
    panel->setPalette(palette);
    panel->resize(geometry::panelSize(cell));
    int n = 0;
    for (int row = 0; row < geometry::kSide; ++row) {
        for (int column = 0; column < geometry::kSide; ++column) {
            auto *c = new TileCell(panel, column, row, source);
            c->setObjectName(cellPrefix + QString::number(++n));
            c->setGeometry(1 + column * cell.width(), 1 + row * cell.height(), cell.width(), cell.height());
        }
    }
    return panel;
}

} // namespace view
