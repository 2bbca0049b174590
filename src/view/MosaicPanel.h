#pragma once
// The widgets of a map view: the black panel `PanelCarte` with its 676 cells, and the
// transparent surface `ZoneClic` laid over it that receives the mouse.
//
// The cells are light: named objects on the panel ("ImageA" + n in the preview, "ImageC" + n
// in the detail) with their bounds and picture, drawn by the panel itself, so that a view
// of 676 cells costs one widget. A preview cell holds its small picture; a detail cell takes
// its tile from the mosaic when the panel paints it, that is when it comes into view.

#include "store/TileStore.h"

#include <QImage>
#include <QObject>
#include <QRect>
#include <QWidget>
#include <array>

namespace render {
class Mosaic;
}

namespace view {

using render::Mosaic;
class MosaicPanel;

class TileCell : public QObject {
    Q_OBJECT
public:
    TileCell(MosaicPanel *panel, int column, int row, const QRect &bounds);

    int column() const { return m_column; }
    int row() const { return m_row; }
    // Bounds in the panel's picture (its pixels are the screen's device pixels).
    QRect geometry() const { return m_bounds; }
    QSize size() const { return m_bounds.size(); }
    void setPicture(const QImage &picture);
    // What the cell shows now (a detail cell: its tile when it has been seen and is still kept).
    QImage picture() const;
    bool hasPicture() const { return !picture().isNull(); }

private:
    friend class MosaicPanel;
    MosaicPanel *m_panel;
    int m_column, m_row;
    QRect m_bounds;
    QImage m_picture;
};

class MosaicPanel : public QWidget {
    Q_OBJECT
public:

    // A hidden black panel named "PanelCarte" with its 26 x 26 cells of `cell` size after a
    // one-pixel border, named `cellPrefix` + n (n = 1..676, rows first). Detail cells take
    // their tiles from `source` (nullptr for the preview, whose cells get pictures). A sheet
    // whose tiles fill only `grid` (columns x rows) gets those cells alone, named by their
    // place in the 26 x 26 order, and a panel of their size.
    //
    // Cells are laid out in the panel's picture, whose pixels are the screen's device pixels:
    // on a screen of `pixelRatio` device pixels per unit of the window's layout, the widget is
    // that many times smaller than its picture, and a tile's pixel is a pixel of the screen.
    MosaicPanel(QWidget *parent, QSize cell, const QString &cellPrefix, Mosaic *source,
                QSize grid = {store::kGridSide, store::kGridSide}, qreal pixelRatio = 1);

    // nullptr outside the grid.
    TileCell *cell(int column, int row) const
    {
        return column < m_grid.width() && row < m_grid.height() ? m_cells[size_t(row * store::kGridSide + column)] : nullptr;
    }
    QSize grid() const { return m_grid; }
    Mosaic *source() const { return m_source; }
    // The picture the panel shows, in device pixels, and the device pixels per layout unit.
    QSize pictureSize() const { return m_pictureSize; }
    qreal pixelRatio() const { return m_pixelRatio; }
    // The grid's last column `last.width()` wide and its last row `last.height()` high
    // (a map whose width and height are no whole number of tiles); the panel ends with them.
    void setLastCellSize(QSize last);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    void setPictureSize(QSize size);

    QSize m_cell;
    QSize m_pictureSize;
    qreal m_pixelRatio = 1;
    QSize m_grid;
    Mosaic *m_source;
    std::array<TileCell *, store::kTileCount> m_cells{};
};

// The surface over the mosaic: reports the mouse to the viewer.
class MouseSurface : public QWidget {
    Q_OBJECT
public:
    explicit MouseSurface(QWidget *parent = nullptr);

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

} // namespace view
