#include "session/SettingsTable.h"
#include "catalogue/Library.h"
#include "library/LibraryAddresses.h"

#include <array>

namespace settings {

std::span<const SettingEntry> table()
{
    static const std::array<SettingEntry, 10> entries{{
        {Setting::MapsRoot, QStringLiteral("cartes"), SettingKind::Text, QString()},
        {Setting::DialUnattended, QStringLiteral("connexion"), SettingKind::Option, QStringLiteral("1")},
        {Setting::HangUpAfterDownload, QStringLiteral("deconnexion"), SettingKind::Option, QStringLiteral("1")},
        {Setting::FullScreenView, QStringLiteral("affichage"), SettingKind::Option, QStringLiteral("1")},
        {Setting::TileServer, QStringLiteral("serveur"), SettingKind::Text, library::kHost},
        {Setting::SimultaneousRequests, QStringLiteral("requetes"), SettingKind::Count, QStringLiteral("1"), 1, 8},
        {Setting::SimultaneousAtLibrary, QStringLiteral("requetesgallica"), SettingKind::Option, QStringLiteral("0")},
        {Setting::Catalogue, QStringLiteral("catalogue"), SettingKind::Text, library::kDefaultCatalogue},
        {Setting::Library, QStringLiteral("bibliotheque"), SettingKind::Text, library::kDefaultLibrary},
        {Setting::RequestInterval, QStringLiteral("intervalle"), SettingKind::Seconds, QStringLiteral("1"), 0, 10},
    }};
    return entries;
}

const SettingEntry &entry(Setting setting)
{
    return table()[std::size_t(setting)];
}

int bounded(Setting setting, int count)
{
    const SettingEntry &e = entry(setting);
    return qBound(int(e.minimum), count, int(e.maximum));
}

QString optionText(bool on)
{
    return on ? QStringLiteral("1") : QStringLiteral("0");
}

QString countText(Setting setting, int count)
{
    return QString::number(bounded(setting, count));
}

QString secondsText(Setting setting, double seconds)
{
    const SettingEntry &e = entry(setting);
    return QString::number(qBound(e.minimum, seconds, e.maximum), 'f', 1);
}

std::optional<double> readSeconds(Setting setting, const QString &text)
{
    bool ok = false;
    const double seconds = text.trimmed().replace(u',', u'.').toDouble(&ok);
    const SettingEntry &e = entry(setting);
    if (!ok || seconds < e.minimum || seconds > e.maximum)
        return std::nullopt;
    return seconds;
}

} // namespace settings
