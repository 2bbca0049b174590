#pragma once
// An image control of the print page (Quart1..Quart4) that shows a composed picture at
// 1:1. It paints only what is exposed, rendering it from the tiles on demand, so a
// composition of 13 x 13 full-size tiles never sits in memory as one bitmap.

#include <QWidget>

namespace printing {
class TileComposition;
}

class ZonePicture : public QWidget {
    Q_OBJECT
public:
    explicit ZonePicture(QWidget *parent = nullptr);

    // The composition shown; null clears the picture. Not owned.
    void setComposition(const printing::TileComposition *composition);
    const printing::TileComposition *composition() const { return m_composition; }
    bool hasPicture() const;

signals:
    void pressed(QPoint globalPosition);
    void moved(QPoint globalPosition);
    void released();

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    const printing::TileComposition *m_composition = nullptr;
};
