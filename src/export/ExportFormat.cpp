#include "export/ExportFormat.h"

#include <QFileInfo>

namespace exporting {

std::optional<Format> formatOfPath(const QString &path)
{
    const QString suffix = QFileInfo(path).suffix().toLower();
    if (suffix == u"jpg" || suffix == u"jpeg")
        return Format::Jpeg;
    if (suffix == u"tif" || suffix == u"tiff")
        return Format::Tiff;
    if (suffix == u"png")
        return Format::Png;
    return std::nullopt;
}

QString jpegFilter() { return QStringLiteral("Image JPEG (*.jpg *.jpeg)"); }
QString tiffFilter() { return QStringLiteral("Image TIFF en tuiles (*.tif *.tiff)"); }
QString pngFilter() { return QStringLiteral("Image PNG (*.png)"); }

QString unknownFormatMessage(const QString &path)
{
    return QStringLiteral("Format inconnu pour le fichier %1 : choisissez un nom en .jpg, .tif ou .png")
        .arg(path);
}

QString jpegTooLargeMessage(int width, int height)
{
    return QStringLiteral("L'image fait %1 x %2 pixels : le format JPEG est limité à 65 500 pixels de côté.\n"
                          "Choisissez le format TIFF (.tif), sans limite de taille.")
        .arg(width)
        .arg(height);
}

QString writeFailedMessage(const QString &path)
{
    return QStringLiteral("Ecriture impossible du fichier ") + path;
}

} // namespace exporting
