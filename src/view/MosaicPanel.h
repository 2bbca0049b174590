#pragma once
// The widgets of a map view: the black panel `PanelCarte`, its 676 cells and the
// transparent surface `ZoneClic` laid over them that receives the mouse.

#include <QImage>
#include <QWidget>

namespace view {

class Mosaic;

// One cell of the grid ("ImageA" + n in the preview, "ImageC" + n in the detail). A preview
// cell holds its small picture; a detail cell takes its tile from the mosaic when it is
// painted, that is when it comes into view, and keeps nothing itself.
class TileCell : public QWidget {
    Q_OBJECT
public:
    TileCell(QWidget *panel, int column, int row, Mosaic *source);

    int column() const { return m_column; }
    int row() const { return m_row; }
    void setPicture(const QImage &picture);
    // What the cell shows now (a detail cell: its tile when it has been seen and is still kept).
    QImage picture() const;
    bool hasPicture() const { return !picture().isNull(); }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    int m_column, m_row;
    Mosaic *m_source;
    QImage m_picture;
};

// The surface over the mosaic: reports the mouse to the viewer.
class ZoneSurface : public QWidget {
    Q_OBJECT
public:
    explicit ZoneSurface(QWidget *parent = nullptr);

signals:
    void pressed(QMouseEvent *event);
    void moved(QMouseEvent *event);
    void released(QMouseEvent *event);
    void doubleClicked(QMouseEvent *event);

protected:
    void mousePressEvent(QMouseEvent *event) override { emit pressed(event); }
    void mouseMoveEvent(QMouseEvent *event) override { emit moved(event); }
    void mouseReleaseEvent(QMouseEvent *event) override { emit released(event); }
    void mouseDoubleClickEvent(QMouseEvent *event) override { emit doubleClicked(event); }
};

// A new black panel named "PanelCarte" with its 26 x 26 cells of `cell` size after a
// one-pixel border, named `cellPrefix` + n (n = 1..676, rows first). The cells of a detail
// panel take their tiles from `source`; preview cells get pictures from the builder.
QWidget *createMosaicPanel(QWidget *parent, QSize cell, const QString &cellPrefix, Mosaic *source);

} // namespace view
