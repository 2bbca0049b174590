#include "source/iiif/IiifSource.h"
#include "source/iiif/IiifInfo.h"
#include "source/SourceKind.h"

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

extern const SourceKind kIiifKind{
    Kind::Iiif, "iiif", "IIIF",
    [](const QString &url) { return url + QStringLiteral("/info.json"); },
    nullptr,
    [](const QByteArray &description, const QString &url, const QString &foundAt, QString *why)
        -> std::unique_ptr<TileSource> { return IiifSource::make(description, url, foundAt, why); },
};

} // namespace source
