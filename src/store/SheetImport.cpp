#include "store/SheetImport.h"
#include "platform/Desktop.h"
#include "session/ProgressGauge.h"
#include "store/TileImporter.h"
#include "store/TileStore.h"
#include "widgets/OverrideCursor.h"

#include <QWidget>

SheetImport::SheetImport(const QString &mapFolder, Desktop &desktop, ProgressGauge &gauge, QWidget &window,
                         InstalledHandler installed)
    : m_mapFolder(mapFolder), m_desktop(desktop), m_gauge(gauge), m_window(window), m_installed(std::move(installed))
{
}

bool SheetImport::confirmAndImport()
{
    const QString firstTile = store::tilePath(m_mapFolder, 0, 0);
    if (store::fileExists(firstTile)
        && !m_desktop.confirm(QStringLiteral("Attention !!! L'importation va effacer la carte déjà installée..."),
                              QStringLiteral("Réimportation d'une Carte")))
        return true;
    return importSheetFromBackup();
}

bool SheetImport::importSheetFromBackup()
{
    store::createFolderPath(m_mapFolder);

    m_window.hide();
    const QString backup = m_desktop.browseFolder(QStringLiteral("Sélectionnez le dossier de la carte à importer"));
    m_window.show();
    if (backup.isEmpty())
        return true;

    m_gauge.start(store::kTileCount);
    const store::ImportResult result = [&] {
        OverrideCursor busy;
        return store::importTiles(backup, m_mapFolder, [this](int i) { m_gauge.setProgress(i + 1); });
    }();
    m_gauge.stop();
    if (!result.ok()) {
        m_desktop.error(result.error);
        return false;
    }
    if (m_installed)
        m_installed(m_mapFolder);
    return true;
}
