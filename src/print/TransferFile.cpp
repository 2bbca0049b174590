#include "print/TransferFile.h"
#include "platform/Logging.h"

#include <QDir>
#include <QFile>
#include <QImageReader>

namespace printing {

QString transferFile(const QString &scratchFolder, int page)
{
    const QString name = page > 0 ? QStringLiteral("imprime%1.bmp").arg(page) : QStringLiteral("imprime.bmp");
    return QDir(scratchFolder).filePath(name);
}

bool writeTransfer(const QString &path, const QImage &picture)
{
    if (picture.isNull())
        return false;
    if (picture.convertToFormat(QImage::Format_RGB888).save(path, "BMP"))
        return true;
    qCWarning(lcPrint) << "cannot write the transfer file" << path;
    return false;
}

QImage readTransfer(const QString &path)
{
    QImageReader reader(path, "BMP");
    QImage image = reader.read();
    if (image.isNull()) {
        qCWarning(lcPrint) << "cannot read the transfer file" << path << reader.errorString();
        return image;
    }
    return image.convertToFormat(QImage::Format_RGB888);
}

void removeTransfer(const QString &path)
{
    QFile file(path);
    if (file.exists() && !file.remove())
        qCWarning(lcPrint) << "cannot delete the transfer file" << path << file.errorString();
}

QString emptyPictureText()
{
    return QStringLiteral("L'image à imprimer est vide.");
}

QString cannotWrite(const QString &path)
{
    return QStringLiteral("Impossible de créer le fichier %1").arg(QDir::toNativeSeparators(path));
}

QString cannotRead(const QString &path)
{
    return QStringLiteral("Impossible de lire le fichier %1").arg(QDir::toNativeSeparators(path));
}

} // namespace printing
