#include "view/ViewGeometry.h"

#include <algorithm>

namespace view::geometry {

QSize panelSize(QSize cell)
{
    return {kSide * cell.width() + 2, kSide * cell.height() + 2};
}

QSize previewCell(int clientHeight, QSize tileCell, int menuBarHeight)
{
    const int h = std::max(0, (clientHeight - 2 * menuBarHeight) / kSide);
    if (tileCell.height() <= 0)
        return {0, h};
    return {int(qint64(h) * tileCell.width() / tileCell.height()), h};
}

int previewPanelLeft(int clientWidth, int previewCellWidth)
{
    return (clientWidth - kSide * previewCellWidth + 2) / 2;
}

QPoint detailCentre(QPoint clicked, QSize previewPanel, QSize tileCell)
{
    const QSize detail = panelSize(tileCell);
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
    if (cell.width() <= 0 || cell.height() <= 0 || panelArea.isEmpty())
        return {};
    // Cells start after the one-pixel border.
    const auto first = [](int at, int pitch) { return std::clamp((at - 1) / pitch, 0, kSide - 1); };
    const int left = first(std::max(panelArea.left(), 1), cell.width());
    const int top = first(std::max(panelArea.top(), 1), cell.height());
    const int right = first(std::max(panelArea.right(), 1), cell.width());
    const int bottom = first(std::max(panelArea.bottom(), 1), cell.height());
    return QRect(QPoint(left, top), QPoint(right, bottom));
}

QPoint centredBox(QSize box, QSize client)
{
    return {(client.width() - box.width()) / 2, (client.height() - box.height()) / 2};
}

} // namespace view::geometry
