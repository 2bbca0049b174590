#pragma once
// The index map of France behind the sheet buttons, drawn from the outline of the country
// at the scale of the sheet grid, so that each button lies over its region.

#include <QPainterPath>
#include <QWidget>

class IndexMap : public QWidget {
    Q_OBJECT
public:
    // `origin` is where the widget lies on the Cassini page, whose coordinates the grid uses.
    IndexMap(QPoint origin, QWidget *parent = nullptr);

    // Page position of a longitude and latitude on the sheet grid.
    static QPointF project(double longitude, double latitude);

protected:
    void paintEvent(QPaintEvent *) override;

private:
    QPoint m_origin;
    QPainterPath m_outline;
};
