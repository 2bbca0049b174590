#pragma once
// The 182 sheets of the Cassini map: titles, document numbers of both editions, and the
// 14 x 21 grid of the index map.

#include <QList>
#include <QRect>
#include <QString>
#include <QStringList>

namespace cassini {

constexpr int kSheetCount = 182;
constexpr int kMissingSheet = 160;
constexpr int kGridColumns = 14;
constexpr int kGridRows = 21;

// The 183 title lines: line 0 empty, line N "Carte N : " + place names.
const QStringList &titles();
QString title(int sheet);   // empty outside 0..182

// The library's document number of a sheet in an edition (item 0 colour, any other
// black and white); empty when that edition has no scan of the sheet.
QString documentNumber(int sheet, int editionItem);

// The sheets without a scan in the black-and-white edition (160 aside).
const QList<int> &sheetsWithoutBlackAndWhite();

// Grid cell of a sheet, 1-based column (west to east) and row (north to south); {0, 0}
// for a number that is not a sheet.
struct Cell { int column = 0; int row = 0; };
Cell cellOf(int sheet);
// The sheet in a cell, or 0 for an empty cell or one outside the grid.
int sheetAt(int column, int row);
// Where the sheet's button lies on the Cassini page.
QRect buttonRect(int sheet);

} // namespace cassini
