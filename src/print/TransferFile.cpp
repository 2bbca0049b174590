#include "print/TransferFile.h"

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
    return picture.convertToFormat(QImage::Format_RGB888).save(path, "BMP");
}

QImage readTransfer(const QString &path)
{
    QImageReader reader(path, "BMP");
    QImage image = reader.read();
    if (image.isNull())
        return image;
    return image.convertToFormat(QImage::Format_RGB888);
}

void removeTransfer(const QString &path)
{
    QFile::remove(path);
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
