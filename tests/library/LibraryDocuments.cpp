#include "LibraryDocuments.h"
#include "iiif/IiifServers.h"

#include <QDir>
#include <QFile>

namespace testing_support {

QJsonObject document(const QString &ark, const QString &title, int views)
{
    return QJsonObject{{QStringLiteral("ark"), ark},
                       {QStringLiteral("title"), title},
                       {QStringLiteral("creators"), QJsonArray{QStringLiteral("Cassini de Thury")}},
                       {QStringLiteral("date"), QStringLiteral("17..")},
                       {QStringLiteral("views"), views}};
}

bool writeArkTree(const QString &root, const QString &base, const QString &ark, const QString &title, int width,
                  int height, QString *error)
{
    const QString folder = root + QStringLiteral("/iiif/ark:/12148/") + ark;
    QDir().mkpath(folder);
    if (!writeVipsTree(makeSmoothPicture(width, height), folder + QStringLiteral("/f1"), QStringLiteral("iiif"), 256, error))
        return false;
    const QString service = base + QStringLiteral("/iiif/ark:/12148/") + ark + QStringLiteral("/f1");
    QFile manifest(folder + QStringLiteral("/manifest.json"));
    if (!manifest.open(QIODevice::WriteOnly))
        return false;
    manifest.write(QStringLiteral(
        R"({"@context": "http://iiif.io/api/presentation/3/context.json", "type": "Manifest",
  "label": {"fr": ["%1"]},
  "items": [{"type": "Canvas", "items": [{"type": "AnnotationPage", "items": [{"type": "Annotation",
     "body": {"type": "Image", "service": [{"id": "%2", "type": "ImageService2"}]}}]}]}]})")
                       .arg(title, service)
                       .toUtf8());
    return true;
}

} // namespace testing_support
