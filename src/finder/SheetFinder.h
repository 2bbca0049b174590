#pragma once
// The Cassini sheet that covers a point given by its latitude and longitude in decimal
// degrees. The sheet grid's 21 rows are latitude bands (1 in the north) and its 14
// columns longitude columns (1 in the west); the limits between them are fixed below.

#include <QLocale>
#include <QString>
#include <array>
#include <optional>

namespace finder {

// Limits between the latitude bands, degrees north, south to north. A latitude equal to
// a limit belongs to the band north of it. The thirteenth limit breaks the even spacing.
inline constexpr std::array<double, 20> kLatitudeLimits = {
    42.4833333, 42.9210526, 43.3587719, 43.7964912, 44.2342105, 44.6719298, 45.1096491,
    45.5473684, 45.9850877, 46.422807,  46.8605263, 47.2982456, 47.7333,    48.1736842,
    48.6114035, 49.0491228, 49.4868421, 49.9245614, 50.3622807, 50.8};

// Limits between the longitude columns, degrees east of Greenwich, west to east. A
// longitude equal to a limit belongs to the column east of it.
inline constexpr std::array<double, 13> kLongitudeLimits = {
    -4.483333, -3.4283944, -2.3734558, -1.3185172, -0.2635786, 0.79136,  1.8462986,
    2.9012372, 3.9561758,  5.0111144,  6.066053,   7.1209916,  8.1759302};

// Band 1..21 of a latitude; the outermost bands are open toward the outside.
int latitudeBand(double latitude);
// Column 1..14 of a longitude; the outermost columns are open toward the outside.
int longitudeColumn(double longitude);
// The sheet whose cell covers the point, or 0 when that cell of the grid is empty.
int sheetCovering(double latitude, double longitude);

// The covering sheet, or `current` when the point's cell is empty.
int proposedSheet(int current, double latitude, double longitude);

// A coordinate typed with the decimal separator of `locale`; nothing for a text that is
// not a finite number in that form (group separators are refused).
std::optional<double> parseCoordinate(const QString &text, const QLocale &locale);
// The error text for a coordinate that is not a number.
QString notAFloatMessage(const QString &text);

} // namespace finder
