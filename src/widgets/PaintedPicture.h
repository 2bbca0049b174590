#pragma once
#include <QWidget>
#include <functional>

class QPainter;

// A picture drawn by the program (a logo, an outline), drawn when painted, so that it is
// sharp at any pixel density of the screen.
class PaintedPicture : public QWidget {
    Q_OBJECT
public:
    using Drawing = std::function<void(QPainter &painter, const QRect &area)>;
    explicit PaintedPicture(Drawing drawing, QWidget *parent = nullptr);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    Drawing m_drawing;
};
