#include "source/SourceAddress.h"
#include "source/SourceKind.h"

#include <QUrl>

namespace source {

QString SourceAddress::descriptionUrl() const
{
    return sourceKind(kind).descriptionUrl(url);
}

qint64 SourceAddress::descriptionLimit() const
{
    const SourceKind &entry = sourceKind(kind);
    return entry.descriptionLimit ? entry.descriptionLimit(url) : kMaxDescriptionBytes;
}

SourceAddress zoomifyFolder(const QString &folderUrl)
{
    QString folder = folderUrl;
    while (folder.endsWith(u'/'))
        folder.chop(1);
    return {Kind::Zoomify, folder};
}

QList<Recognised> recogniseAddress(const QString &given)
{
    const QString text = given.trimmed();
    const QUrl url(text, QUrl::StrictMode);
    QList<Recognised> sure, possible;
    for (const SourceKind *entry : sourceKinds()) {
        if (entry->recognise)
            if (const auto address = entry->recognise(text, url))
                sure << Recognised{{entry->kind, *address}, true};
        if (entry->perhaps)
            if (const auto address = entry->perhaps(text, url))
                possible << Recognised{{entry->kind, *address}, false};
    }
    return sure + possible;
}

std::unique_ptr<TileSource> makeSource(const SourceAddress &address, const QByteArray &description,
                                       const QString &foundAt, QString *why)
{
    return sourceKind(address.kind).make(description, address.url, foundAt, why);
}

} // namespace source
