#include "store/TileStore.h"
#include "platform/Logging.h"
#include "platform/Paths.h"

#include <QDir>
#include <QDirIterator>
#include <QFileInfo>

namespace store {

QString tileCode(int column, int row)
{
    return QString(QChar(u'A' + column)) + QChar(u'A' + row);
}

QString tileFileName(int column, int row)
{
    return QStringLiteral("MAXI_") + tileCode(column, row) + QStringLiteral(".jpg");
}

QString mapFolder(const QString &mapsRoot, const SheetId &sheet)
{
    const QString folder = paths::join(paths::join(mapsRoot, sheet.edition), QStringLiteral("Carte") + sheet.numberText());
    // An archive sheet's suffix "\F007" (as captions show it) names a folder inside the map's own.
    const QString suffix = sheet.folderSuffix();
    return suffix.isEmpty() ? folder : paths::join(folder, suffix.mid(1));
}

QString tilePath(const QString &mapFolder, int column, int row)
{
    return paths::join(mapFolder, tileFileName(column, row));
}

int tileCount(const QString &mapFolder)
{
    return tileCount(mapFolder, kGridSide, kGridSide);
}

int tileCount(const QString &mapFolder, int columns, int rows)
{
    // One listing of the folder instead of 676 probes.
    const QDir dir(mapFolder);
    if (!dir.exists())
        return 0;
    int count = 0;
    const QStringList names = dir.entryList({QStringLiteral("MAXI_??.jpg")},
                                            QDir::Files | QDir::Hidden | QDir::System | QDir::CaseSensitive);
    for (const QString &name : names) {
        const QChar c = name.at(5), r = name.at(6);
        if (c >= u'A' && c < QChar(u'A' + columns) && r >= u'A' && r < QChar(u'A' + rows))
            ++count;
    }
    return count;
}

int jpgEntryCount(const QString &folder)
{
    const QDir dir(folder);
    if (!dir.exists())
        return 0;
    int count = 0;
    for (const QString &name : dir.entryList(QDir::AllEntries | QDir::Hidden | QDir::System
                                             | QDir::NoDotAndDotDot))
        if (name.endsWith(QStringLiteral(".jpg"), Qt::CaseInsensitive))
            ++count;
    return count;
}

bool createFolderPath(const QString &path)
{
    QString folder = path;
    if (folder.size() > 1 && folder.endsWith(u'/'))
        folder.chop(1);
    if (folder.isEmpty())
        return false;
    if (QFileInfo(folder).isDir())
        return true;
    if (QDir().mkpath(folder))
        return true;
    qCWarning(lcStore) << "cannot create the folder" << folder;
    return false;
}

bool folderExists(const QString &path)
{
    return QFileInfo(path).isDir();
}

bool fileExists(const QString &path)
{
    return QFileInfo::exists(path);
}

} // namespace store
