#include "catalogue/ArchiveMapOperations.h"
#include "catalogue/AddedMaps.h"
#include "catalogue/ArchiveCatalogue.h"
#include "catalogue/Library.h"
#include "session/AppContext.h"
#include "source/iiif/IiifAddress.h"
#include "source/iiif/IiifReader.h"
#include "store/TileStore.h"

#include <QDir>

namespace archive {

QString mapFolder(const QString &mapsRoot, int position)
{
    return store::mapFolder(mapsRoot, SheetId::archive(position, 0));
}

bool isInstalled(const QString &mapsRoot, int position)
{
    return store::folderExists(mapFolder(mapsRoot, position));
}

QString mapPage(const catalogue::AddedMaps &maps, int catalogueCount, int position)
{
    if (position < 1)
        return {};
    if (position <= catalogueCount)
        return library::documentPageUrl(documentNumber(position));
    // An added map's page is its server's.
    const catalogue::AddedMap *map = maps.find(SheetId::archive(position, 0));
    if (!map || map->sheets.isEmpty())
        return {};
    return iiif::pageAddress(map->sheets.first().address);
}

AddedOutcome addMaps(AppContext &context, const QString &title, const QList<source::SheetSource> &sheets)
{
    // More sheets than a map holds make several maps, so that every sheet can be chosen.
    int added = 0;
    for (const IiifReader::MapPart &part : IiifReader::mapsOf(title, sheets)) {
        const int position = context.addedMaps().addArchiveMap(part.title, part.sheets);
        added = added ? added : position;
    }
    if (!context.saveAddedMaps())
        return {0, QStringLiteral("Enregistrement impossible, la carte n'est pas ajoutée : ")
                       + catalogue::AddedMaps::filePath(context.mapsRoot())};
    // Another program may have given that position meanwhile: the save then gave the next.
    return {context.addedMaps().positionAfterSave(added), {}};
}

QString addedMessage(int position, const QString &title, source::Kind kind, const QList<source::SheetSource> &sheets)
{
    // The kind of server recognised.
    const QString kindText = source::kindLabel(kind) + QStringLiteral(" : ");
    return QStringLiteral("Carte n° %1 : ").arg(position) + title + u'\n' + kindText + IiifReader::summaryText(sheets);
}

QString removeAddedMap(AppContext &context, int position, bool deleteTiles)
{
    // The folders are those of the sheets the map has before it is taken off.
    QStringList folders;
    if (const catalogue::AddedMap *map = context.addedMaps().find(SheetId::archive(position, 0)))
        folders = catalogue::sheetFolders(context.mapsRoot(), *map);
    context.addedMaps().removeArchiveMap(position);
    if (!context.saveAddedMaps())
        return QStringLiteral("Enregistrement impossible, la carte n'est pas retirée : ")
               + catalogue::AddedMaps::filePath(context.mapsRoot());
    if (deleteTiles)
        for (const QString &folder : folders)
            QDir(folder).removeRecursively();
    context.refreshSelectionStatus();
    return {};
}

} // namespace archive
