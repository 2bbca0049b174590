#include "source/SourceAddress.h"
#include "source/DeepZoom.h"
#include "source/IiifSource.h"
#include "source/Zoomify.h"

#include <QRegularExpression>
#include <QUrl>

namespace source {
namespace {

const QString kZoomifyFile = QStringLiteral("ImageProperties.xml");

} // namespace

QString SourceAddress::descriptionUrl() const
{
    switch (kind) {
    case Kind::DeepZoom: return url;
    case Kind::Zoomify: return url + u'/' + kZoomifyFile;
    case Kind::Classic:   // no description: its grid is fixed
    case Kind::Iiif: break;
    }
    return url + QStringLiteral("/info.json");
}

SourceAddress zoomifyFolder(const QString &folderUrl)
{
    QString folder = folderUrl;
    while (folder.endsWith(u'/'))
        folder.chop(1);
    return {Kind::Zoomify, folder};
}

std::optional<SourceAddress> parsePyramidAddress(const QString &given)
{
    const QString text = given.trimmed();
    if (text.isEmpty() || text.contains(QRegularExpression(QStringLiteral("\\s"))))
        return std::nullopt;
    const QUrl url(text, QUrl::StrictMode);
    const QString scheme = url.scheme().toLower();
    if (!url.isValid() || url.host().isEmpty() || (scheme != QStringLiteral("http") && scheme != QStringLiteral("https")))
        return std::nullopt;
    const QString path = url.path();
    if (path.endsWith(QStringLiteral(".dzi"), Qt::CaseInsensitive) && path.size() > 5)
        return SourceAddress{Kind::DeepZoom, text};
    if (path.endsWith(u'/' + kZoomifyFile, Qt::CaseInsensitive) && url.query().isEmpty() && url.fragment().isEmpty()) {
        const QString folder = text.chopped(int(kZoomifyFile.size()) + 1);
        if (QUrl(folder).path().isEmpty())
            return std::nullopt;
        return zoomifyFolder(folder);
    }
    return std::nullopt;
}

std::unique_ptr<TileSource> makeSource(const SourceAddress &address, const QByteArray &description,
                                       const QString &foundAt, QString *why)
{
    switch (address.kind) {
    case Kind::DeepZoom:
        if (const auto info = readDeepZoom(description, why))
            return DeepZoomSource::make(*info, address.url, why);
        return nullptr;
    case Kind::Zoomify:
        if (const auto info = readZoomify(description, why))
            return ZoomifySource::make(*info, address.url, why);
        return nullptr;
    case Kind::Classic:
        if (why)
            *why = QStringLiteral("une feuille du serveur de tuiles n'a pas de description");
        return nullptr;
    case Kind::Iiif: break;
    }
    return IiifSource::make(description, address.url, foundAt, why);
}

} // namespace source
