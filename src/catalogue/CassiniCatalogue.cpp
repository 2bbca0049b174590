#include "catalogue/CassiniCatalogue.h"

#include <QFile>
#include <array>

namespace cassini {
namespace {

// Runs of sheets whose document numbers go up by one from sheet to sheet; 0 = none.
struct Run { int first, last, colour, blackAndWhite; };
constexpr Run kRuns[] = {
    {1, 1, 11504, 11505},      {2, 2, 11506, 0},          {3, 3, 11507, 11508},
    {4, 4, 11509, 11510},      {5, 5, 11511, 11512},      {6, 6, 11513, 11514},
    {7, 9, 11515, 0},          {10, 20, 11518, 11686},    {21, 28, 11530, 11698},
    {29, 29, 11538, 0},        {30, 40, 11539, 11706},    {41, 47, 11551, 11718},
    {48, 48, 11558, 0},        {49, 49, 11560, 0},        {50, 50, 11559, 0},
    {51, 59, 11561, 11725},    {60, 64, 11571, 11735},    {65, 65, 11576, 0},
    {66, 73, 11577, 11740},    {74, 75, 11586, 11748},    {76, 76, 11585, 11750},
    {77, 85, 11588, 11751},    {86, 87, 11597, 0},        {88, 97, 11599, 11760},
    {98, 98, 11609, 0},        {99, 108, 11610, 11770},   {109, 109, 11621, 11781},
    {110, 128, 11623, 11783},  {129, 129, 11643, 11803},  {130, 130, 11644, 0},
    {131, 135, 11645, 11804},  {136, 136, 11642, 11802},  {137, 141, 11650, 11809},
    {142, 159, 11656, 11815},  {160, 160, 0, 0},          {161, 165, 11674, 11833},
    {166, 166, 11679, 0},      {167, 169, 11680, 11838},  {170, 170, 11683, 10170},
    {171, 171, 11843, 11844},  {172, 172, 11846, 11845},  {173, 173, 11847, 11848},
    {174, 174, 11849, 11850},  {175, 175, 11851, 11852},  {176, 176, 11529, 11697},
    {177, 177, 11550, 11717},  {178, 178, 11570, 11734},  {179, 179, 11620, 11780},
    {180, 180, 11622, 11782},  {181, 181, 11655, 11814},  {182, 182, 11684, 11841},
};

// The index map grid, row 1 (north) first; 0 is an empty cell.
constexpr int kGrid[kGridRows][kGridColumns] = {
    {0, 0, 0, 0, 0, 0, 21, 6, 0, 0, 0, 0, 0, 0},
    {0, 0, 0, 0, 0, 0, 22, 5, 41, 0, 0, 0, 0, 0},
    {0, 0, 0, 0, 0, 0, 23, 4, 42, 77, 180, 0, 0, 0},
    {0, 0, 0, 125, 93, 60, 24, 3, 43, 78, 109, 181, 0, 0},
    {0, 0, 0, 126, 94, 61, 25, 2, 44, 79, 110, 141, 161, 173},
    {174, 170, 156, 127, 95, 62, 26, 1, 45, 80, 111, 142, 162, 0},
    {175, 171, 157, 128, 96, 63, 27, 7, 46, 81, 112, 143, 163, 0},
    {0, 172, 158, 129, 97, 64, 28, 8, 47, 82, 113, 144, 164, 0},
    {0, 0, 159, 130, 98, 65, 29, 9, 48, 83, 114, 145, 165, 0},
    {0, 0, 160, 131, 99, 66, 30, 10, 49, 84, 115, 146, 0, 0},
    {0, 0, 0, 132, 100, 67, 31, 11, 50, 85, 116, 147, 0, 0},
    {0, 0, 0, 133, 101, 68, 32, 12, 51, 86, 117, 148, 0, 0},
    {0, 0, 0, 134, 102, 69, 33, 13, 52, 87, 118, 149, 0, 0},
    {0, 0, 0, 135, 103, 70, 34, 14, 53, 88, 119, 150, 0, 0},
    {0, 0, 0, 136, 104, 71, 35, 15, 54, 89, 120, 151, 166, 0},
    {0, 0, 0, 137, 105, 72, 36, 16, 55, 90, 121, 152, 167, 0},
    {0, 0, 0, 138, 106, 73, 37, 17, 56, 91, 122, 153, 168, 0},
    {0, 0, 0, 139, 107, 74, 38, 18, 57, 92, 123, 154, 169, 0},
    {0, 0, 0, 140, 108, 75, 39, 19, 58, 0, 124, 155, 182, 0},
    {0, 0, 0, 0, 179, 76, 40, 20, 59, 0, 0, 0, 0, 0},
    {0, 0, 0, 0, 0, 0, 177, 176, 178, 0, 0, 0, 0, 0},
};

QStringList loadTitles()
{
    QFile file(QStringLiteral(":/data/cassini-titles.txt"));
    file.open(QIODevice::ReadOnly);
    QStringList lines = QString::fromUtf8(file.readAll()).split(u'\n');
    while (lines.size() > kSheetCount + 1)
        lines.removeLast();
    while (lines.size() < kSheetCount + 1)
        lines.append(QString());
    return lines;
}

} // namespace

const QStringList &titles()
{
    static const QStringList lines = loadTitles();
    return lines;
}

QString title(int sheet)
{
    return sheet >= 0 && sheet <= kSheetCount ? titles().at(sheet) : QString();
}

QString documentNumber(int sheet, int editionItem)
{
    for (const Run &run : kRuns) {
        if (sheet < run.first || sheet > run.last)
            continue;
        const int base = editionItem == 0 ? run.colour : run.blackAndWhite;
        return base ? QString::number(base + sheet - run.first) : QString();
    }
    return {};
}

const QList<int> &sheetsWithoutBlackAndWhite()
{
    static const QList<int> sheets{2, 7, 8, 9, 29, 48, 49, 50, 65, 86, 87, 98, 130, 166};
    return sheets;
}

Cell cellOf(int sheet)
{
    for (int r = 0; r < kGridRows; ++r)
        for (int c = 0; c < kGridColumns; ++c)
            if (sheet > 0 && kGrid[r][c] == sheet)
                return {c + 1, r + 1};
    return {};
}

int sheetAt(int column, int row)
{
    if (column < 1 || column > kGridColumns || row < 1 || row > kGridRows)
        return 0;
    return kGrid[row - 1][column - 1];
}

QRect buttonRect(int sheet)
{
    const Cell cell = cellOf(sheet);
    return {20 + 30 * (cell.column - 1), 9 + 20 * (cell.row - 1), 30, 20};
}

} // namespace cassini
