#pragma once
// The arithmetic of the map views: preview cells, panel placement, the double-click
// mapping from preview to detail, scroll centring, dragging from an anchor and the
// magnifier's square. Integer arithmetic throughout, quotients truncated toward zero.

#include "store/TileStore.h"

#include <QPoint>
#include <QRect>
#include <QSize>

namespace view::geometry {

constexpr int kMenuBarHeight = 22;

// Size of a mosaic panel of 26 x 26 cells with its one-pixel border.
QSize panelSize(QSize cell);
// The same for a sheet whose tiles fill only `grid` (columns x rows).
QSize panelSize(QSize cell, QSize grid);

// Preview cell: row height from the client height, column width keeping the tile shape.
QSize previewCell(int clientHeight, QSize tileCell, int menuBarHeight = kMenuBarHeight);
// Preview cell of a sheet whose tiles fill only `grid` (columns x rows, fewer than 26 x 26):
// the rows fill the client height as for a whole sheet, made smaller when the columns would
// not fit in the client width. A 26 x 26 grid gives the cell above.
QSize previewCell(QSize client, QSize tileCell, QSize grid, int menuBarHeight = kMenuBarHeight);
// Left of the preview panel in the client area.
int previewPanelLeft(int clientWidth, int previewCellWidth, int columns = store::kGridSide);

// Detail centre point for a double-click at `clicked` (pixels from the preview panel's
// top-left corner) on a preview panel of `previewPanel` size.
QPoint detailCentre(QPoint clicked, QSize previewPanel, QSize tileCell, QSize grid = {store::kGridSide, store::kGridSide});

// Scroll positions that put `centre` in the middle of a viewport, clamped to the range.
QPoint centredScroll(QPoint centre, QSize viewport, QSize content);
// Clamps scroll positions to 0 .. content - viewport.
QPoint clampScroll(QPoint position, QSize viewport, QSize content);

// Scroll positions while dragging: the anchor's positions plus the pointer's way back
// from where the button went down, clamped to the range.
QPoint dragScroll(QPoint anchorPointer, QPoint anchorScroll, QPoint pointer, QSize viewport,
                  QSize content);

// The v x v square of the magnifier around the pointer, kept inside the client area.
QRect magnifierSquare(QPoint pointer, int v, QSize client);

// Cells (columns x rows) that a rectangle of the detail panel shows any part of.
QRect cellsIn(QRect panelArea, QSize cell);
// The same within a grid of `grid` columns x rows.
QRect cellsIn(QRect panelArea, QSize cell, QSize grid);

// Top-left corner that centres a box in the client area.
QPoint centredBox(QSize box, QSize client);

} // namespace view::geometry
