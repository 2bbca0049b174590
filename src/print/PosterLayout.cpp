#include "print/PosterLayout.h"
#include "session/SelectionState.h"

#include <cmath>

namespace printing {

int sliderMaximum(QSize composition)
{
    return composition.width() > composition.height() ? kGridColumns : kGridRows;
}

QSize pageBox(int v, QSize composition)
{
    const qint64 w = composition.width();
    const qint64 h = composition.height();
    if (w > h) {
        const int boxWidth = kCellWidth * v;
        return {boxWidth, int(h * boxWidth / w)};
    }
    const int boxHeight = kCellHeight * v;
    return {h > 0 ? int(w * boxHeight / h) : 0, boxHeight};
}

static int cellsFor(int length, int cell)
{
    if (length <= cell)
        return 1;
    return (length + cell - 1) / cell;
}

int posterColumns(int boxWidth) { return cellsFor(boxWidth, kCellWidth); }
int posterRows(int boxHeight) { return cellsFor(boxHeight, kCellHeight); }

QString pageCountText(int rows, int columns)
{
    if (rows * columns == 1)
        return QStringLiteral("Impression sur une page.");
    return QStringLiteral("Impression %1 pages. (%2x%3)").arg(rows * columns).arg(rows).arg(columns);
}

QString pageCountText(int rows, int columns, bool assemblyPlan)
{
    if (!assemblyPlan)
        return pageCountText(rows, columns);
    return QStringLiteral("Impression %1 pages. (%2x%3 + plan)").arg(rows * columns + 1).arg(rows).arg(columns);
}

QSize pieceSize(QSize source, QSize box)
{
    if (box.width() <= 0 || box.height() <= 0)
        return {};
    // nearbyint rounds halves to the even neighbour in the default rounding mode.
    const double w = std::nearbyint(double(source.width()) * kCellWidth / box.width());
    const double h = std::nearbyint(double(source.height()) * kCellHeight / box.height());
    return {int(w), int(h)};
}

QRect pieceRect(int row, int column, int rows, QSize piece, QSize source, Alignment alignment)
{
    const int pw = piece.width();
    const int ph = piece.height();
    const int blank = alignment == Alignment::Bottom ? rows * ph - source.height() : 0;
    return QRect((column - 1) * pw, (row - 1) * ph - blank, pw, ph);
}

int overlapPixels(int overlapMm, int pieceWidth, double printedWidthMm)
{
    if (overlapMm <= 0 || pieceWidth <= 0)
        return 0;
    const double free = printedWidthMm - 2.0 * overlapMm;
    if (free <= 0)
        return 0;
    return int(std::lround(double(overlapMm) * pieceWidth / free));
}

QRect overlappedPieceRect(int row, int column, int rows, QSize piece, QSize source,
                          Alignment alignment, int overlap)
{
    return pieceRect(row, column, rows, piece, source, alignment)
        .adjusted(-overlap, -overlap, overlap, overlap);
}

QString posterHeader(const SelectionState &selection, int page, const QString &quarterSuffix)
{
    return selection.sheetCaption() + QStringLiteral(" - Page n° ") + QString::number(page) + quarterSuffix;
}

QString posterHeader(const SelectionState &selection, int page, const QString &quarterSuffix,
                     int row, int column)
{
    return posterHeader(selection, page, quarterSuffix)
        + QStringLiteral(" - rangée %1, colonne %2").arg(row).arg(column);
}

QString assemblyPlanHeader(const SelectionState &selection, const QString &quarterSuffix)
{
    return QStringLiteral("Plan d'assemblage - ") + selection.sheetCaption() + quarterSuffix;
}

QString quarterSuffix(int quarter)
{
    switch (quarter) {
    case 1: return QStringLiteral(" du quart supérieur gauche");
    case 2: return QStringLiteral(" du quart supérieur droit");
    case 3: return QStringLiteral(" du quart inférieur gauche");
    case 4: return QStringLiteral(" du quart inférieur droit");
    default: return {};
    }
}

} // namespace printing
