#include "store/TileImporter.h"
#include "imaging/Jpeg.h"
#include "platform/Paths.h"
#include "store/TileStore.h"

#include <QFile>
#include <QSaveFile>

namespace store {

ImportResult importTiles(const QString &backupFolder, const QString &mapFolder,
                         const std::function<void(int)> &step)
{
    ImportResult result;
    createFolderPath(mapFolder);
    for (int i = 0; i < kTileCount; ++i) {
        const QString name = walkFileName(i);
        QFile source(paths::nativePath(backupFolder + u'\\' + name));
        if (source.exists()) {
            if (!source.open(QIODevice::ReadOnly)) {
                result.error = QStringLiteral("Lecture impossible du fichier %1").arg(source.fileName());
                return result;
            }
            const QByteArray bytes = source.readAll();
            jpeg::Header header;
            const jpeg::Status status = jpeg::readHeader(bytes, header);
            if (!status.ok()) {
                result.error = status.message();
                return result;
            }
            // The tile reaches its name only once it is written whole.
            QSaveFile target(paths::nativePath(mapFolder + u'\\' + name));
            if (!target.open(QIODevice::WriteOnly) || target.write(bytes) != bytes.size()
                || !target.commit()) {
                result.error = QStringLiteral("Ecriture impossible du fichier %1").arg(target.fileName());
                return result;
            }
            ++result.copied;
        }
        if (step)
            step(i);
    }
    return result;
}

} // namespace store
