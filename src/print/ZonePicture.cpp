#include "print/ZonePicture.h"
#include "print/TileComposition.h"

#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>

ZonePicture::ZonePicture(QWidget *parent) : QWidget(parent)
{
    setAttribute(Qt::WA_OpaquePaintEvent, false);
    setMouseTracking(false);
}

void ZonePicture::setComposition(const printing::TileComposition *composition)
{
    m_composition = composition;
    update();
}

bool ZonePicture::hasPicture() const
{
    return m_composition && !m_composition->isNull();
}

void ZonePicture::paintEvent(QPaintEvent *event)
{
    if (!hasPicture())
        return;
    const QRect exposed = event->rect() & QRect(QPoint(0, 0), m_composition->size());
    if (exposed.isEmpty())
        return;
    QPainter painter(this);
    painter.drawImage(exposed.topLeft(), m_composition->render(exposed));
}

void ZonePicture::mousePressEvent(QMouseEvent *event)
{
    emit pressed(event->globalPosition().toPoint());
}

void ZonePicture::mouseMoveEvent(QMouseEvent *event)
{
    emit moved(event->globalPosition().toPoint());
}

void ZonePicture::mouseReleaseEvent(QMouseEvent *)
{
    emit released();
}
