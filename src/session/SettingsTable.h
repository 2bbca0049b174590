#pragma once
// Every setting the program keeps in Orvantis.ini, declared once in one table: the key it is
// stored under (the files written so far hold these keys), the kind of value, the text an
// absent or empty value reads as and, for numbers, the bounds. SettingsStore reads and writes
// every setting by this table, each kind by its own typed call; the controls that edit a
// number take their range from it.

#include <QString>
#include <optional>
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
    // Bounds of a Count or Seconds, both included: a count is brought within them, seconds
    // outside them read as unreadable. Nothing for the other kinds.
    double minimum = 0;
    double maximum = 0;
};

namespace settings {

// The table, in the order of the enumeration.
std::span<const SettingEntry> table();
const SettingEntry &entry(Setting setting);
inline const QString &key(Setting setting) { return entry(setting).key; }
inline const QString &defaultText(Setting setting) { return entry(setting).defaultText; }
inline SettingKind kind(Setting setting) { return entry(setting).kind; }

// A count brought within its setting's bounds.
int bounded(Setting setting, int count);
// The stored text of each kind of value: an option "1" or "0", a count in decimal digits
// (within its bounds), seconds with one decimal (within their bounds).
QString optionText(bool on);
QString countText(Setting setting, int count);
QString secondsText(Setting setting, double seconds);
// Seconds read from a stored text ("," or "." before the decimals, spaces around ignored);
// nothing when the text is no number or outside the setting's bounds.
std::optional<double> readSeconds(Setting setting, const QString &text);

} // namespace settings
