#include "source/SourceAddress.h"
#include "source/SourceKind.h"

#include <QRegularExpression>
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

std::optional<SourceAddress> parsePyramidAddress(const QString &given)
{
    const QString text = given.trimmed();
    if (text.isEmpty() || text.contains(QRegularExpression(QStringLiteral("\\s"))))
        return std::nullopt;
    const QUrl url(text, QUrl::StrictMode);
    const QString scheme = url.scheme().toLower();
    if (!url.isValid() || url.host().isEmpty() || (scheme != QStringLiteral("http") && scheme != QStringLiteral("https")))
        return std::nullopt;
    for (const SourceKind *entry : sourceKinds())
        if (entry->recognise)
            if (const auto address = entry->recognise(text, url))
                return SourceAddress{entry->kind, *address};
    return std::nullopt;
}

std::unique_ptr<TileSource> makeSource(const SourceAddress &address, const QByteArray &description,
                                       const QString &foundAt, QString *why)
{
    return sourceKind(address.kind).make(description, address.url, foundAt, why);
}

} // namespace source
