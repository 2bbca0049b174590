#include "view/ViewGeometry.h"

#include <algorithm>

namespace view::geometry {

QSize panelSize(QSize cell)
{
    return panelSize(cell, {store::kGridSide, store::kGridSide});
}

QSize panelSize(QSize cell, QSize grid)
{
    return {grid.width() * cell.width() + 2, grid.height() * cell.height() + 2};
}

QSize previewCell(int clientHeight, QSize tileCell, int menuBarHeight)
{
    const int h = std::max(0, (clientHeight - 2 * menuBarHeight) / store::kGridSide);
    if (tileCell.height() <= 0)
        return {0, h};
    return {int(qint64(h) * tileCell.width() / tileCell.height()), h};
}

QSize previewCell(QSize client, QSize tileCell, QSize grid, int menuBarHeight)
{
    if (grid == QSize(store::kGridSide, store::kGridSide) || grid.width() <= 0 || grid.height() <= 0)
        return previewCell(client.height(), tileCell, menuBarHeight);
    int h = std::max(0, (client.height() - 2 * menuBarHeight) / grid.height());
    if (tileCell.width() <= 0 || tileCell.height() <= 0)
        return {0, h};
    const auto widthFor = [&](int height) { return int(qint64(height) * tileCell.width() / tileCell.height()); };
    const int widest = std::max(0, (client.width() - 2) / grid.width());
    if (widthFor(h) > widest)
        h = int(qint64(widest) * tileCell.height() / tileCell.width());
    return {widthFor(h), h};
}

int previewPanelLeft(int clientWidth, int previewCellWidth, int columns)
{
    return (clientWidth - columns * previewCellWidth + 2) / 2;
}

QPoint detailCentre(QPoint clicked, QSize previewPanel, QSize tileCell, QSize grid)
{
    const QSize detail = panelSize(tileCell, grid);
    const auto scale = [](int full, int at, int over) {
        return over > 0 ? int(qint64(full) * at / over) : 0;
    };
    return {scale(detail.width(), clicked.x(), previewPanel.width()),
            scale(detail.height(), clicked.y(), previewPanel.height())};
}

QPoint clampScroll(QPoint position, QSize viewport, QSize content)
{
    const int maxX = std::max(0, content.width() - viewport.width());
    const int maxY = std::max(0, content.height() - viewport.height());
    return {std::clamp(position.x(), 0, maxX), std::clamp(position.y(), 0, maxY)};
}

QPoint centredScroll(QPoint centre, QSize viewport, QSize content)
{
    return clampScroll({centre.x() - viewport.width() / 2, centre.y() - viewport.height() / 2},
                       viewport, content);
}

QPoint dragScroll(QPoint anchorPointer, QPoint anchorScroll, QPoint pointer, QSize viewport,
                  QSize content)
{
    return clampScroll(anchorScroll + anchorPointer - pointer, viewport, content);
}

QRect magnifierSquare(QPoint pointer, int v, QSize client)
{
    const int half = v / 2;
    int x = pointer.x(), y = pointer.y();
    if (x < half)
        x = half;
    else if (x > client.width() - half)
        x = client.width() - half;
    if (y < half)
        y = half;
    else if (y > client.height() - half)
        y = client.height() - half;
    return {x - half, y - half, v, v};
}

QRect cellsIn(QRect panelArea, QSize cell)
{
    return cellsIn(panelArea, cell, {store::kGridSide, store::kGridSide});
}

QRect cellsIn(QRect panelArea, QSize cell, QSize grid)
{
    if (cell.width() <= 0 || cell.height() <= 0 || panelArea.isEmpty() || grid.isEmpty())
        return {};
    // Cells start after the one-pixel border.
    const auto first = [](int at, int pitch, int count) { return std::clamp((at - 1) / pitch, 0, count - 1); };
    const int left = first(std::max(panelArea.left(), 1), cell.width(), grid.width());
    const int top = first(std::max(panelArea.top(), 1), cell.height(), grid.height());
    const int right = first(std::max(panelArea.right(), 1), cell.width(), grid.width());
    const int bottom = first(std::max(panelArea.bottom(), 1), cell.height(), grid.height());
    return QRect(QPoint(left, top), QPoint(right, bottom));
}

QPoint centredBox(QSize box, QSize client)
{
    return {(client.width() - box.width()) / 2, (client.height() - box.height()) / 2};
}

} // namespace view::geometry
