// The views' arithmetic as tables of cases.
#include "view/ViewGeometry.h"

#include <gtest/gtest.h>

using namespace view::geometry;

TEST(ViewGeometry, PreviewCellAndPanel)
{
    struct Case { int clientHeight; QSize tile; QSize cell; QSize panel; };
    const Case cases[] = {
        {500, {100, 100}, {17, 17}, {444, 444}},
        {500, {512, 384}, {22, 17}, {574, 444}},    // 17 x 512 div 384 = 22
        {500, {384, 512}, {12, 17}, {314, 444}},
        {768, {256, 256}, {27, 27}, {704, 704}},    // (768 - 44) div 26 = 27
        {500, {0, 0}, {0, 17}, {2, 444}},           // no measured tile: no width
        {30, {100, 100}, {0, 0}, {2, 2}},           // a window too small for any row
    };
    for (const Case &c : cases) {
        const QSize cell = previewCell(c.clientHeight, c.tile);
        EXPECT_EQ(cell, c.cell) << c.clientHeight << " " << c.tile.width() << "x" << c.tile.height();
        EXPECT_EQ(panelSize(cell), c.panel);
    }
}

// A sheet whose tiles fill only part of the grid: its rows fill the height, unless its
// columns would then be wider than the client.
TEST(ViewGeometry, PreviewCellOfASmallerGrid)
{
    struct Case { QSize client; QSize tile; QSize grid; QSize cell; QSize panel; };
    const Case cases[] = {
        {{696, 500}, {256, 256}, {26, 26}, {17, 17}, {444, 444}},     // as a whole sheet
        {{696, 500}, {512, 384}, {26, 26}, {22, 17}, {574, 444}},     // wider than the client, as today
        {{696, 500}, {256, 256}, {12, 8}, {57, 57}, {686, 458}},      // (500 - 44) div 8
        {{696, 500}, {256, 256}, {26, 3}, {26, 26}, {678, 80}},       // (696 - 2) div 26 wide at most
        {{696, 500}, {512, 256}, {4, 3}, {172, 86}, {690, 260}},      // 694 div 4 = 173 wide, 86 high
        {{696, 500}, {256, 512}, {1, 1}, {228, 456}, {230, 458}},
    };
    for (const Case &c : cases) {
        const QSize cell = previewCell(c.client, c.tile, c.grid);
        EXPECT_EQ(cell, c.cell) << c.grid.width() << "x" << c.grid.height();
        EXPECT_EQ(panelSize(cell, c.grid), c.panel) << c.grid.width() << "x" << c.grid.height();
    }
    EXPECT_EQ(previewPanelLeft(696, 57, 12), 7);   // (696 - 684 + 2) div 2
    EXPECT_EQ(cellsIn(QRect(0, 0, 5000, 5000), {57, 57}, {12, 8}), QRect(0, 0, 12, 8));
    // A double-click at the middle of a 12 x 8 preview centres the detail of 12 x 8 tiles.
    EXPECT_EQ(detailCentre({343, 229}, {686, 458}, {256, 256}, {12, 8}), QPoint(1537, 1025));
}

TEST(ViewGeometry, PreviewPanelLeftIsTwoPixelsRightOfCentre)
{
    struct Case { int clientWidth; int cellWidth; int left; };
    const Case cases[] = {
        {696, 17, 128},    // (696 - 442 + 2) div 2
        {696, 22, 63},
        {1024, 27, 162},
        {300, 17, -70},    // wider than the client: truncated toward zero
    };
    for (const Case &c : cases)
        EXPECT_EQ(previewPanelLeft(c.clientWidth, c.cellWidth), c.left) << c.clientWidth << " " << c.cellWidth;
}

TEST(ViewGeometry, DoubleClickMapsPreviewPanelOntoDetailPanel)
{
    struct Case { QPoint clicked; QSize preview; QSize tile; QPoint centre; };
    const Case cases[] = {
        {{222, 222}, {444, 444}, {100, 100}, {1301, 1301}},   // the middle of 2602 pixels
        {{0, 0}, {444, 444}, {100, 100}, {0, 0}},
        {{2, 1}, {444, 444}, {100, 100}, {11, 5}},
        {{443, 443}, {444, 444}, {100, 100}, {2596, 2596}},
        {{287, 222}, {574, 444}, {512, 384}, {6657, 4993}},
        {{10, 10}, {0, 0}, {100, 100}, {0, 0}},                // empty panel: no division by zero
    };
    for (const Case &c : cases)
        EXPECT_EQ(detailCentre(c.clicked, c.preview, c.tile), c.centre) << c.clicked.x() << "," << c.clicked.y();
}

TEST(ViewGeometry, ScrollCentringIsClampedToTheRange)
{
    struct Case { QPoint centre; QSize viewport; QSize content; QPoint scroll; };
    const Case cases[] = {
        {{1301, 1301}, {696, 456}, {2602, 2602}, {953, 1073}},
        {{0, 0}, {696, 456}, {2602, 2602}, {0, 0}},             // top-left corner
        {{11, 5}, {696, 456}, {2602, 2602}, {0, 0}},
        {{2602, 2602}, {696, 456}, {2602, 2602}, {1906, 2146}},   // bottom-right corner
        {{300, 300}, {696, 456}, {444, 444}, {0, 0}},           // content smaller than the view
    };
    for (const Case &c : cases)
        EXPECT_EQ(centredScroll(c.centre, c.viewport, c.content), c.scroll) << c.centre.x() << "," << c.centre.y();
}

TEST(ViewGeometry, DragFollowsThePointerFromTheAnchor)
{
    const QSize viewport(696, 456), content(2602, 2602);
    struct Case { QPoint anchorPointer; QPoint anchorScroll; QPoint pointer; QPoint scroll; };
    const Case cases[] = {
        {{500, 300}, {100, 100}, {500, 300}, {100, 100}},
        {{500, 300}, {100, 100}, {499, 301}, {101, 99}},      // one pixel moves the map one pixel
        {{500, 300}, {100, 100}, {200, 50}, {400, 350}},
        {{500, 300}, {100, 100}, {700, 300}, {0, 100}},       // beyond the left edge: stops at 0
        {{500, 300}, {100, 100}, {600, 300}, {0, 100}},       // back to the edge point: still 0
        {{500, 300}, {100, 100}, {599, 300}, {1, 100}},       // and moving again past it
        {{0, 0}, {1900, 2100}, {-100, -100}, {1906, 2146}},   // beyond the far edge
    };
    for (const Case &c : cases)
        EXPECT_EQ(dragScroll(c.anchorPointer, c.anchorScroll, c.pointer, viewport, content), c.scroll)
            << c.pointer.x() << "," << c.pointer.y();
}

TEST(ViewGeometry, MagnifierSquareStaysInsideTheClientArea)
{
    struct Case { QPoint pointer; int v; QSize client; QRect square; };
    const Case cases[] = {
        {{10, 10}, 150, {1024, 768}, QRect(QPoint(0, 0), QPoint(149, 149))},
        {{1000, 700}, 150, {1024, 768}, QRect(QPoint(874, 618), QPoint(1023, 767))},
        {{500, 400}, 150, {1024, 768}, QRect(425, 325, 150, 150)},
        {{500, 400}, 101, {1024, 768}, QRect(450, 350, 101, 101)},   // half = 50
        {{2000, -5}, 250, {1024, 768}, QRect(774, 0, 250, 250)},
        {{0, 0}, 100, {1024, 768}, QRect(0, 0, 100, 100)},
    };
    for (const Case &c : cases)
        EXPECT_EQ(magnifierSquare(c.pointer, c.v, c.client), c.square) << c.pointer.x() << "," << c.pointer.y();
}

TEST(ViewGeometry, BoxCentredInTheClientArea)
{
    EXPECT_EQ(centredBox({241, 145}, {696, 500}), QPoint(227, 177));
    EXPECT_EQ(centredBox({241, 145}, {1024, 768}), QPoint(391, 311));
    EXPECT_EQ(centredBox({241, 145}, {100, 100}), QPoint(-70, -22));
}

TEST(ViewGeometry, CellsSeenThroughAViewport)
{
    struct Case { QRect area; QSize cell; QRect cells; };
    const Case cases[] = {
        {QRect(0, 0, 696, 456), {100, 100}, QRect(QPoint(0, 0), QPoint(6, 4))},
        {QRect(101, 101, 100, 100), {100, 100}, QRect(1, 1, 1, 1)},    // exactly one cell
        {QRect(100, 100, 2, 2), {100, 100}, QRect(0, 0, 2, 2)},        // the corner of four
        {QRect(1906, 2146, 696, 456), {100, 100}, QRect(QPoint(19, 21), QPoint(25, 25))},
        {QRect(0, 0, 5000, 5000), {100, 100}, QRect(0, 0, 26, 26)},
        {QRect(0, 0, 696, 456), {0, 0}, QRect()},
    };
    for (const Case &c : cases)
        EXPECT_EQ(cellsIn(c.area, c.cell), c.cells) << c.area.x() << "," << c.area.y();
}
