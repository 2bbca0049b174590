#include "source/iiif/IiifSource.h"
#include "source/iiif/IiifInfo.h"
#include "source/iiif/IiifAddress.h"
#include "source/iiif/IiifReader.h"
#include "source/SourceKind.h"

#include <QUrl>

namespace source {

std::unique_ptr<IiifSource> IiifSource::make(const QByteArray &info, const QString &imageBase, const QString &infoUrl,
                                             QString *why)
{
    const auto image = iiif::readImageInfo(info, why);
    if (!image)
        return nullptr;
    auto plan = iiif::planTiles(*image, iiif::tileBase(imageBase, infoUrl, *image), why);
    if (!plan)
        return nullptr;
    return std::make_unique<IiifSource>(std::move(*plan));
}

QSize IiifSource::tileSize(TileId id) const
{
    return contains(id) ? m_plan.tileSize(id.column, id.row) : QSize();
}

QList<TilePiece> IiifSource::pieces(TileId id) const
{
    if (!contains(id))
        return {};
    const QSize asked = m_plan.answerSize(id.column, id.row), slack = m_plan.slack(id.column, id.row);
    const QRect crop = m_plan.whole.isEmpty() ? QRect(QPoint(), asked) : m_plan.region(id.column, id.row);
    return {TilePiece{m_plan.tileUrl(id.column, id.row), crop, QPoint(), asked + slack, slack}};
}

namespace {

// An IIIF address whose form says it surely is one: a manifest or collection, an image's
// description or request, an ark, a page or image of the library. A bare base address may
// as well be another kind's folder, which only reading it can tell.
bool surelyIiif(const QString &text, const iiif::Address &address)
{
    QString plain = text.trimmed();
    while (plain.endsWith(u'/'))
        plain.chop(1);
    return address.kind == iiif::Address::Kind::Manifest || plain != address.url
           || QUrl(address.url).host().compare(iiif::kGallicaHost, Qt::CaseInsensitive) == 0;
}

} // namespace

extern const SourceKind kIiifKind{
    Kind::Iiif, "iiif", "IIIF",
    [](const QString &url) { return url + QStringLiteral("/info.json"); },
    [](const QString &text, const QUrl &) -> std::optional<QString> {
        const auto address = iiif::parseAddress(text);
        if (!address || !surelyIiif(text, *address))
            return std::nullopt;
        return address->url;
    },
    [](const QByteArray &description, const QString &url, const QString &foundAt, QString *why)
        -> std::unique_ptr<TileSource> { return IiifSource::make(description, url, foundAt, why); },
    nullptr,
    "ark Gallica, info.json, manifeste IIIF",
    [](const QString &text, const QUrl &) -> std::optional<QString> {
        const auto address = iiif::parseAddress(text);
        if (!address || surelyIiif(text, *address))
            return std::nullopt;
        return address->url;
    },
    [](PacedFetcher &fetcher, const SourceKind &, QObject *parent) -> KindReader * {
        return new IiifReader(fetcher, parent);
    },
};

} // namespace source
