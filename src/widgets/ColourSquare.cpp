#include "widgets/ColourSquare.h"

#include <QPainter>

ColourSquare::ColourSquare(const QColor &colour, QWidget *parent) : QWidget(parent), m_colour(colour) {}

void ColourSquare::setColour(const QColor &colour)
{
    if (colour == m_colour)
        return;
    m_colour = colour;
    update();
}

void ColourSquare::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(Qt::black, 1));
    painter.setBrush(m_colour);
    painter.drawRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), 4, 4);
}
