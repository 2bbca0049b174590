#pragma once
// Importing a sheet from a backup folder: the warning before overwriting, the folder
// browser, the copy with the progress gauge, and the error report.

#include <QString>
#include <functional>

class Desktop;
class ProgressGauge;
class QWidget;

class SheetImport {
public:
    // Told the map folder once its tiles are in place.
    using InstalledHandler = std::function<void(const QString &mapFolder)>;

    // Imports into `mapFolder` (the selection's); `window` steps aside while the folder
    // browser is open.
    SheetImport(const QString &mapFolder, Desktop &desktop, ProgressGauge &gauge, QWidget &window,
                InstalledHandler installed);

    // Asks before overwriting a map whose first tile exists, then imports. False when the
    // import stopped on an error (the caller then skips its status refresh).
    bool confirmAndImport();
    // The folder browser and the copy into the map folder.
    bool importSheetFromBackup();

private:
    QString m_mapFolder;
    Desktop &m_desktop;
    ProgressGauge &m_gauge;
    QWidget &m_window;
    InstalledHandler m_installed;
};
