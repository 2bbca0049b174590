#include "store/TileStore.h"
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

QString mapFolder(const QString &mapsRoot, const QString &editionFolder,
                  const QString &sheetNumber, const QString &folderSuffix)
{
    return mapsRoot + u'\\' + editionFolder + QStringLiteral("\\Carte") + sheetNumber + folderSuffix;
}

QString tilePath(const QString &mapFolder, int column, int row)
{
    return mapFolder + u'\\' + tileFileName(column, row);
}

int tileCount(const QString &mapFolder)
{
    return tileCount(mapFolder, kGridSide, kGridSide);
}

int tileCount(const QString &mapFolder, int columns, int rows)
{
    // One listing of the folder instead of 676 probes.
    const QDir dir(paths::nativePath(mapFolder));
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
    const QDir dir(paths::nativePath(folder));
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
    QString native = paths::nativePath(path);
    if (native.size() > 1 && native.endsWith(u'/'))
        native.chop(1);
    if (native.isEmpty())
        return false;
    QFileInfo info(native);
    if (info.isDir())
        return true;
    return QDir().mkpath(native);
}

bool folderExists(const QString &path)
{
    return QFileInfo(paths::nativePath(path)).isDir();
}

bool fileExists(const QString &path)
{
    return QFileInfo::exists(paths::nativePath(path));
}

} // namespace store
