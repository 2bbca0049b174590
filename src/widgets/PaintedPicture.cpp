#include "widgets/PaintedPicture.h"

#include <QPainter>

PaintedPicture::PaintedPicture(Drawing drawing, QWidget *parent) : QWidget(parent), m_drawing(std::move(drawing)) {}

void PaintedPicture::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    m_drawing(painter, rect());
}
