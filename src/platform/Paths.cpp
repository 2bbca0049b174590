#include "platform/Paths.h"
#include "platform/Logging.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QUuid>

namespace paths {

QString join(const QString &folder, const QString &name)
{
    if (folder.isEmpty())
        return name;
    return folder.endsWith(u'/') ? folder + name : folder + u'/' + name;
}

// How older versions read a stored path: "\" and "/" both separated folders, doubled
// separators counting as one.
static QString separatorsReadAsOlderVersions(const QString &stored)
{
    QString path;
    path.reserve(stored.size());
    bool lastWasSeparator = false;
    for (QChar c : stored) {
        const bool separator = c == u'\\' || c == u'/';
        if (separator && lastWasSeparator)
            continue;
        path += separator ? QChar(u'/') : c;
        lastWasSeparator = separator;
    }
    return path;
}

QString existingStoredFolder(const QString &stored)
{
    if (stored.isEmpty())
        return {};
    if (QFileInfo(stored).isDir())
        return stored;
    if (!stored.contains(u'\\'))
        return {};
    const QString older = separatorsReadAsOlderVersions(stored);
    if (QFileInfo(older).isDir()) {
        qCInfo(lcPlatform) << "stored folder" << stored << "read with \\ as separator:" << older;
        return older;
    }
    return {};
}

static QString withSeparator(QString folder)
{
    if (!folder.endsWith(u'/'))
        folder += u'/';
    return folder;
}

QString installFolder()
{
    // A program in its build folder has its help and skin beside it; an installed one
    // finds them under share/orvantis of its prefix (bin/../share/orvantis).
    const QString programDir = withSeparator(QCoreApplication::applicationDirPath());
    if (QFileInfo::exists(programDir + QStringLiteral("Aide.html"))
        || QFileInfo::exists(programDir + QStringLiteral("Skins")))
        return programDir;
    const QString shared = QDir::cleanPath(programDir + QStringLiteral("../share/orvantis"));
    if (QFileInfo(shared).isDir())
        return withSeparator(shared);
    return programDir;
}

bool isWritableFolder(const QString &folder)
{
    const QString probe = join(folder, ".orvantis-" + QUuid::createUuid().toString(QUuid::Id128));
    QFile file(probe);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    file.close();
    file.remove();
    return true;
}

bool isInstalledProgramFolder(const QString &folder)
{
    // A build folder holds the build system's cache; an installed program's folder is a
    // bin/ with no such file.
    const QDir dir(folder);
    return dir.dirName() == QStringLiteral("bin") && !dir.exists(QStringLiteral("CMakeCache.txt"));
}

QString programFolder()
{
    const QString program = withSeparator(QCoreApplication::applicationDirPath());
    if (!isInstalledProgramFolder(QCoreApplication::applicationDirPath()) && isWritableFolder(program))
        return program;
    const QString data = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    QDir().mkpath(data);
    return withSeparator(data);
}

} // namespace paths
