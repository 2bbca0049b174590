#pragma once
// Poster arithmetic: the page box on the paper grid of 9 x 6 cells (one cell of 41 x 58
// preview pixels per portrait page), the page grid it covers, the piece of the source each
// page prints, and the page headers.

#include <QPoint>
#include <QRect>
#include <QSize>
#include <QString>

struct SelectionState;

namespace printing {

constexpr int kCellWidth = 41;
constexpr int kCellHeight = 58;
constexpr int kGridColumns = 9;
constexpr int kGridRows = 6;

enum class Alignment { Top = 0, Bottom = 1 };

// Largest slider value: 9 pages across for a wide composition, else 6 down.
int sliderMaximum(QSize composition);
// Page box for slider value v: a wide composition fixes the width at 41 v, any other the
// height at 58 v; the other side keeps the composition's proportions (truncated).
QSize pageBox(int v, QSize composition);
// Smallest k >= 1 with width <= 41 k, and with height <= 58 k.
int posterColumns(int boxWidth);
int posterRows(int boxHeight);
// "Impression sur une page." or "Impression N pages. (RxC)".
QString pageCountText(int rows, int columns);
// The same when an assembly plan page comes before the pieces: counted with them.
QString pageCountText(int rows, int columns, bool assemblyPlan);

// Source pixels of one page: source size * cell / box, to the nearest integer, halves to
// the even neighbour. Empty when the box is empty.
QSize pieceSize(QSize source, QSize box);

// The source rectangle that page (row, column), both from 1, prints: the piece buffer is
// that rectangle of the source, white wherever it lies outside the source. With bottom
// alignment the blank strip rows x ph - sh falls at the top of the first row.
QRect pieceRect(int row, int column, int rows, QSize piece, QSize source, Alignment alignment);

// Options for assembling a poster. All off, the pages are the plain pieces above.
struct PosterOptions {
    int overlapMm = 0;         // overlap between neighbouring pages, 0..20 mm
    bool cutMarks = false;     // marks at the corners of each page's own piece
    bool assemblyPlan = false; // a first page with the grid of pages over the picture
    bool any() const { return overlapMm > 0 || cutMarks || assemblyPlan; }
};
constexpr int kMaxOverlapMm = 20;

// The overlap in source pixels for `overlapMm` on paper, when a page prints a buffer of
// piece + 2 overlaps across `printedWidthMm`: every page keeps the same scale, and a
// page's outer sides (no neighbour there) stay white.
int overlapPixels(int overlapMm, int pieceWidth, double printedWidthMm);

// pieceRect grown by `overlap` source pixels on every side.
QRect overlappedPieceRect(int row, int column, int rows, QSize piece, QSize source,
                          Alignment alignment, int overlap);

// Page number of (row, column) in a grid of `columns`, counted row by row from 1.
inline int pageNumber(int row, int column, int columns) { return (row - 1) * columns + column; }

// The sheet's caption (SelectionState::sheetCaption) + " - Page n° " + n + quarter suffix.
QString posterHeader(const SelectionState &selection, int page, const QString &quarterSuffix);
// With assembly options the header also gives the page's place in the grid:
// posterHeader + " - rangée " + row + ", colonne " + column.
QString posterHeader(const SelectionState &selection, int page, const QString &quarterSuffix,
                     int row, int column);
// "Plan d'assemblage - " + the sheet's caption + quarter suffix.
QString assemblyPlanHeader(const SelectionState &selection, const QString &quarterSuffix);

// The suffixes of the four quarters (1..4).
QString quarterSuffix(int quarter);

} // namespace printing
