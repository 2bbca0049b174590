#include "store/SheetImport.h"
#include "session/AppContext.h"
#include "platform/Desktop.h"
#include "store/TileImporter.h"
#include "store/TileStore.h"
#include "widgets/OverrideCursor.h"

#include <QApplication>
#include <QProgressBar>
#include <QWidget>

SheetImport::SheetImport(AppContext &context, QProgressBar &gauge, QWidget &mainWindow)
    : m_context(context), m_gauge(gauge), m_mainWindow(mainWindow)
{
}

bool SheetImport::confirmAndImport()
{
    const QString firstTile = store::tilePath(m_context.selectedMapFolder(), 0, 0);
    if (store::fileExists(firstTile)
        && !m_context.desktop().confirm(
            QStringLiteral("Attention !!! L'importation va effacer la carte déjà installée..."),
            QStringLiteral("Réimportation d'une Carte")))
        return true;
    return importSheetFromBackup();
}

bool SheetImport::importSheetFromBackup()
{
    const QString mapFolder = m_context.selectedMapFolder();
    store::createFolderPath(mapFolder);

    m_mainWindow.hide();
    const QString backup =
        m_context.desktop().browseFolder(QStringLiteral("Sélectionnez le dossier de la carte à importer"));
    m_mainWindow.show();
    if (backup.isEmpty())
        return true;

    m_gauge.setRange(0, store::kTileCount);
    m_gauge.setValue(0);
    m_gauge.setFormat(QStringLiteral("%p%"));
    m_gauge.setTextVisible(true);
    const store::ImportResult result = [&] {
        OverrideCursor busy;
        return store::importTiles(backup, mapFolder, [this](int i) { m_gauge.setValue(i + 1); });
    }();
    m_gauge.setTextVisible(false);
    m_gauge.setValue(0);
    if (!result.ok()) {
        m_context.desktop().error(result.error);
        return false;
    }
    emit m_context.tilesInstalled(mapFolder);
    return true;
}
