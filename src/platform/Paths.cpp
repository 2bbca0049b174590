#include "platform/Paths.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
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
    return withSeparator(QCoreApplication::applicationDirPath());
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
    const QString install = installFolder();
    if (isWritableFolder(install))
        return install;
    const QString data = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    QDir().mkpath(data);
    return withSeparator(data);
}

} // namespace paths
