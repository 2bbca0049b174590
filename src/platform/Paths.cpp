#include "platform/Paths.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QUuid>

namespace paths {

QString nativePath(const QString &programPath)
{
    QString path;
    path.reserve(programPath.size());
    bool lastWasSeparator = false;
    for (QChar c : programPath) {
        const bool separator = c == u'\\' || c == u'/';
        if (separator && lastWasSeparator)
            continue;
        path += separator ? QChar(u'/') : c;
        lastWasSeparator = separator;
    }
    return path;
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
    const QString probe = nativePath(folder + "/.orvantis-" + QUuid::createUuid().toString(QUuid::Id128));
    QFile file(probe);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    file.close();
    file.remove();
    return true;
}

QString programFolder()
{
    const QString program = withSeparator(QCoreApplication::applicationDirPath());
    if (isWritableFolder(program))
        return program;
    const QString data = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    QDir().mkpath(data);
    return withSeparator(data);
}

} // namespace paths
