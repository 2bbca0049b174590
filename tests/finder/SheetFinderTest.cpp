// The sheet that covers a latitude and longitude: bands, columns, the grid's empty cells
// and the conversion of typed coordinates.
#include "session/SelectionState.h"
#include "finder/SheetFinder.h"

#include <cmath>
#include <gtest/gtest.h>
#include <limits>

using namespace finder;

namespace {
double justBelow(double value) { return std::nextafter(value, -std::numeric_limits<double>::infinity()); }
} // namespace

TEST(SheetFinder, LatitudeBandsWithLimitsBelongingToTheBandNorthOfThem)
{
    const std::pair<double, int> cases[] = {
        {-90.0, 21},
        {42.0, 21},
        {justBelow(42.4833333), 21},
        {42.4833333, 20},
        {justBelow(42.9210526), 20},
        {42.9210526, 19},
        {47.08, 10},
        // The thirteenth limit is 47.7333, not where even spacing would put it.
        {justBelow(47.7333), 9},
        {47.7333, 8},
        {47.7359649, 8},
        {48.86, 6},
        {justBelow(50.8), 2},
        {50.8, 1},
        {51.0, 1},
        {60.0, 1},
    };
    for (const auto &[latitude, band] : cases)
        EXPECT_EQ(latitudeBand(latitude), band) << latitude;
}

TEST(SheetFinder, LongitudeColumnsWithLimitsBelongingToTheColumnEastOfThem)
{
    const std::pair<double, int> cases[] = {
        {-180.0, 1},
        {-5.0, 1},
        {justBelow(-4.483333), 1},
        {-4.483333, 2},
        {-3.0, 3},
        {justBelow(1.8462986), 7},
        {1.8462986, 8},
        {2.35, 8},
        {2.40, 8},
        {justBelow(2.9012372), 8},
        {2.9012372, 9},
        {4.5, 10},
        {justBelow(8.1759302), 13},
        {8.1759302, 14},
        {12.0, 14},
    };
    for (const auto &[longitude, column] : cases)
        EXPECT_EQ(longitudeColumn(longitude), column) << longitude;
}

TEST(SheetFinder, SheetOfTheCoveringCell)
{
    struct Case { const char *place; double latitude, longitude; int sheet; };
    const Case cases[] = {
        {"Bourges", 47.08, 2.40, 10},
        {"Paris", 48.86, 2.35, 1},
        {"north of the last limit", 51.0, 2.5, 6},
        {"far north", 60.0, 2.5, 6},
        {"on the 47.7333 limit", 47.7333, 2.4, 8},
        {"just south of it", justBelow(47.7333), 2.4, 9},
        {"west of the first limit", 48.5, -5.0, 175},
        {"sheet without a scan", 47.0, -3.0, 160},
        {"empty cell", 43.1, 4.5, 0},
        {"south-east corner", 30.0, 20.0, 0},
        {"on both limits", 42.4833333, 2.9012372, 59},                    // band 20, column 9
        {"just below both", justBelow(42.4833333), justBelow(2.9012372), 176},  // band 21, column 8
    };
    for (const Case &c : cases)
        EXPECT_EQ(sheetCovering(c.latitude, c.longitude), c.sheet) << c.place;
}

TEST(SheetFinder, EmptyCellKeepsThePreviousSheetNumber)
{
    EXPECT_EQ(proposedSheet(57, 43.1, 4.5), 57);
    EXPECT_EQ(proposedSheet(57, 47.08, 2.40), 10);
}

TEST(SheetFinder, CoordinatesUseTheDecimalSeparatorOfTheLocale)
{
    const QLocale french(QLocale::French, QLocale::France);
    const QLocale c(QLocale::C);
    struct Case { QLocale locale; QString text; std::optional<double> value; };
    const Case cases[] = {
        {french, QStringLiteral("47,08"), 47.08},
        {french, QStringLiteral(" 2,40 "), 2.40},
        {french, QStringLiteral("-5"), -5.0},
        {french, QStringLiteral("47.08"), std::nullopt},
        {french, QString(), std::nullopt},
        {french, QStringLiteral("Bourges"), std::nullopt},
        {french, QStringLiteral("47,08,1"), std::nullopt},
        {french, QStringLiteral("nan"), std::nullopt},
        {french, QStringLiteral("inf"), std::nullopt},
        {c, QStringLiteral("47.08"), 47.08},
        // A comma is no decimal separator here, nor a thousands one.
        {c, QStringLiteral("47,08"), std::nullopt},
        {c, QStringLiteral("1,000"), std::nullopt},
    };
    for (const Case &k : cases) {
        const auto value = parseCoordinate(k.text, k.locale);
        ASSERT_EQ(value.has_value(), k.value.has_value()) << k.text.toStdString();
        if (value)
            EXPECT_DOUBLE_EQ(*value, *k.value) << k.text.toStdString();
    }
    EXPECT_EQ(notAFloatMessage(QStringLiteral("47.08")),
              QStringLiteral("'47.08' n'est pas une valeur en virgule flottante correcte"));
}
