#include "finder/SheetFinder.h"
#include "catalogue/CassiniCatalogue.h"

#include <algorithm>
#include <cmath>

namespace finder {

int latitudeBand(double latitude)
{
    const auto atOrBelow = std::count_if(kLatitudeLimits.begin(), kLatitudeLimits.end(),
                                         [latitude](double limit) { return limit <= latitude; });
    return int(kLatitudeLimits.size()) + 1 - int(atOrBelow);
}

int longitudeColumn(double longitude)
{
    const auto atOrBelow = std::count_if(kLongitudeLimits.begin(), kLongitudeLimits.end(),
                                         [longitude](double limit) { return limit <= longitude; });
    return 1 + int(atOrBelow);
}

int sheetCovering(double latitude, double longitude)
{
    return cassini::sheetAt(longitudeColumn(longitude), latitudeBand(latitude));
}

int proposedSheet(int current, double latitude, double longitude)
{
    const int sheet = sheetCovering(latitude, longitude);
    return sheet ? sheet : current;
}

std::optional<double> parseCoordinate(const QString &text, const QLocale &locale)
{
    QLocale numbers = locale;
    numbers.setNumberOptions(numbers.numberOptions() | QLocale::RejectGroupSeparator);
    bool ok = false;
    const double value = numbers.toDouble(text.trimmed(), &ok);
    if (!ok || !std::isfinite(value))
        return std::nullopt;
    return value;
}

QString notAFloatMessage(const QString &text)
{
    return QStringLiteral("'%1' n'est pas une valeur en virgule flottante correcte").arg(text);
}

} // namespace finder
