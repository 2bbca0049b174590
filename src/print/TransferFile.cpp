#include "print/TransferFile.h"
#include "platform/Paths.h"

#include <QFile>
#include <QImageReader>

namespace printing {

QString transferFile(const QString &scratchFolder, int page)
{
    return paths::join(scratchFolder, QStringLiteral("imprime"))
        + (page > 0 ? QString::number(page) : QString()) + QStringLiteral(".bmp");
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

bool transferExists(const QString &path)
{
    return QFile::exists(path);
}

QString cannotWrite(const QString &path)
{
    return QStringLiteral("Impossible de créer le fichier %1").arg(path);
}

QString cannotRead(const QString &path)
{
    return QStringLiteral("Impossible de lire le fichier %1").arg(path);
}

} // namespace printing
