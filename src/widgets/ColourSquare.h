#pragma once
#include <QColor>
#include <QWidget>

// A rounded square filled with one colour: the installation indicators.
class ColourSquare : public QWidget {
    Q_OBJECT
public:
    explicit ColourSquare(const QColor &colour, QWidget *parent = nullptr);
    QColor colour() const { return m_colour; }
    void setColour(const QColor &colour);

protected:
    void paintEvent(QPaintEvent *) override;

private:
    QColor m_colour;
};
