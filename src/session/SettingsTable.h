#pragma once
// Every setting the program keeps in Orvantis.ini, in one table: the key it is stored under
// (the files written so far hold these keys), the kind of value and the text an absent or
// empty value reads as. SettingsStore reads and writes them by this table.

#include <QString>
#include <span>

enum class Setting {
    MapsRoot,               // the maps root; empty: the program folder
    DialUnattended,         // dial the internet connection without asking
    HangUpAfterDownload,    // hang up once a download has ended
    FullScreenView,         // the map view fills the screen
    TileServer,             // the tile server, host[:port]
    SimultaneousRequests,   // requests at once to one IIIF server
    SimultaneousAtLibrary,  // the library's host gets them too (else one at a time)
    Catalogue,              // the library's search service
    Library,                // the library's address
    RequestInterval,        // seconds between two requests to the library
};

enum class SettingKind {
    Text,     // any text
    Option,   // "1" on, any other text off
    Count,    // a whole number
    Seconds,  // a decimal number of seconds, "," or "." before the decimals
};

struct SettingEntry {
    Setting setting;
    QString key;
    SettingKind kind;
    QString defaultText;
};

namespace settings {

// The table, in the order of the enumeration.
std::span<const SettingEntry> table();
const SettingEntry &entry(Setting setting);
inline const QString &key(Setting setting) { return entry(setting).key; }
inline const QString &defaultText(Setting setting) { return entry(setting).defaultText; }

} // namespace settings
