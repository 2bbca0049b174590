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
        {Setting::SimultaneousRequests, QStringLiteral("requetes"), SettingKind::Count, QStringLiteral("1")},
        {Setting::SimultaneousAtLibrary, QStringLiteral("requetesgallica"), SettingKind::Option, QStringLiteral("0")},
        {Setting::Catalogue, QStringLiteral("catalogue"), SettingKind::Text, library::kDefaultCatalogue},
        {Setting::Library, QStringLiteral("bibliotheque"), SettingKind::Text, library::kDefaultLibrary},
        {Setting::RequestInterval, QStringLiteral("intervalle"), SettingKind::Seconds, QStringLiteral("1")},
    }};
    return entries;
}

const SettingEntry &entry(Setting setting)
{
    return table()[std::size_t(setting)];
}

} // namespace settings
