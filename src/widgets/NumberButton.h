#pragma once
#include <QColor>
#include <QToolButton>

// A flat button showing a bold number in a colour of its own: the sheet buttons of the
// index map.
class NumberButton : public QToolButton {
    Q_OBJECT
public:
    explicit NumberButton(const QString &number, QWidget *parent = nullptr);
    QColor numberColour() const { return m_colour; }
    void setNumberColour(const QColor &colour);

private:
    QColor m_colour;
};
