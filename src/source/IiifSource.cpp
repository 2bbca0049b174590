#include "source/IiifSource.h"
#include "net/IiifInfo.h"

namespace source {

std::unique_ptr<IiifSource> IiifSource::make(const QByteArray &info, const QString &imageBase, QString *why)
{
    const auto image = iiif::readImageInfo(info, why);
    if (!image)
        return nullptr;
    auto plan = iiif::planTiles(*image, imageBase, why);
    if (!plan)
        return nullptr;
    return std::unique_ptr<IiifSource>(new IiifSource(std::move(*plan)));
}

QList<TilePiece> IiifSource::pieces(TileId id) const
{
    if (!contains(id))
        return {};
    const QSize size = tileSize(id);
    return {TilePiece{m_plan.tileUrl(id.column, id.row), QRect(QPoint(), size), QPoint(), size}};
}

} // namespace source
