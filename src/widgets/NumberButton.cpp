#include "widgets/NumberButton.h"

NumberButton::NumberButton(const QString &number, QWidget *parent) : QToolButton(parent)
{
    setText(number);
    setAutoRaise(true);
    setCursor(Qt::PointingHandCursor);
    QFont f = font();
    f.setBold(true);
    setFont(f);
    setNumberColour(QColor(0, 0, 128));
}

void NumberButton::setNumberColour(const QColor &colour)
{
    if (colour == m_colour)
        return;
    m_colour = colour;
    QPalette p = palette();
    p.setColor(QPalette::ButtonText, colour);
    p.setColor(QPalette::WindowText, colour);
    setPalette(p);
}
