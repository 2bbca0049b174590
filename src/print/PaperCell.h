#pragma once
// A sheet of paper drawn on a print page: white with a black outline.

#include <QPainter>
#include <QWidget>

class PaperCell : public QWidget {
public:
    using QWidget::QWidget;

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter p(this);
        paintPaper(p);
    }
    void paintPaper(QPainter &p) const
    {
        p.fillRect(rect(), Qt::white);
        p.setPen(Qt::black);
        p.drawRect(rect().adjusted(0, 0, -1, -1));
    }
};
