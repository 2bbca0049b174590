#include "render/PictureFile.h"
#include "imaging/Jpeg.h"
#include "platform/Logging.h"
#include "platform/Paths.h"
#include "store/TileStore.h"

#include <QFile>
#include <QImageReader>
#include <QSaveFile>

namespace render {

QString cannotCreateMessage(const QString &fileName)
{
    return QStringLiteral("Impossible de créer le fichier %1").arg(fileName);
}

QString savedFileName(const QString &chosenName, int type)
{
    // The dialog has asked about replacing the file it names: that file is the one written.
    const QString extension = type == 2 ? QStringLiteral(".jpg") : QStringLiteral(".bmp");
    return chosenName.endsWith(extension, Qt::CaseInsensitive) ? chosenName : chosenName + extension;
}

QString writeBmp(const QImage &image, const QString &path)
{
    const QImage rgb = image.convertToFormat(QImage::Format_RGB888);
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || !rgb.save(&file, "BMP") || !file.commit()) {
        qCWarning(lcRender) << "cannot write the picture" << path << ":" << file.errorString();
        return cannotCreateMessage(path);
    }
    return {};
}

QString writeJpegThroughScratch(const QImage &image, const QString &path, const QString &scratchFolder)
{
    store::createFolderPath(scratchFolder);
    const QString scratch = paths::join(scratchFolder, kScratchBitmapName);
    struct RemoveScratch {
        QString path;
        ~RemoveScratch() { QFile::remove(path); }
    } removeScratch{scratch};

    if (QString error = writeBmp(image, scratch); !error.isEmpty())
        return error;
    QImage reread;
    if (!reread.load(scratch, "BMP"))
        return cannotCreateMessage(scratch);
    QFile::remove(scratch);

    QByteArray bytes;
    const jpeg::Status status = jpeg::encode(reread, bytes, 90);
    if (!status.ok())
        return status.message();
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit()) {
        qCWarning(lcRender) << "cannot write the picture" << path << ":" << file.errorString();
        return cannotCreateMessage(path);
    }
    return {};
}

} // namespace render
