#include "source/IiifSource.h"
#include "net/IiifInfo.h"

namespace source {

std::unique_ptr<IiifSource> IiifSource::make(const QByteArray &info, const QString &imageBase, QString *why)
{
    const auto image = iiif::readImageInfo(info, why);
    if (!image)
        return nullptr;
    const QList<QSize> sizes = iiif::listedSizes(info);
    if (iiif::servesWholePicturesOnly(*image, sizes)) {
        auto whole = iiif::planWholePicture(*image, sizes, imageBase, why);
        if (!whole)
            return nullptr;
        return std::unique_ptr<IiifSource>(new IiifSource(std::nullopt, std::move(*whole)));
    }
    auto plan = iiif::planTiles(*image, imageBase, why);
    if (!plan)
        return nullptr;
    return std::unique_ptr<IiifSource>(new IiifSource(std::move(*plan), std::nullopt));
}

QSize IiifSource::pictureSize() const
{
    return m_plan ? m_plan->sheetSize() : m_whole->size;
}

QSize IiifSource::grid() const
{
    return m_plan ? QSize(m_plan->columns, m_plan->rows) : QSize(m_whole->columns, m_whole->rows);
}

QSize IiifSource::tileSize(TileId id) const
{
    if (!contains(id))
        return {};
    return m_plan ? m_plan->tileSize(id.column, id.row) : m_whole->region(id.column, id.row).size();
}

QList<TilePiece> IiifSource::pieces(TileId id) const
{
    if (!contains(id))
        return {};
    if (m_whole)
        return {TilePiece{m_whole->url, m_whole->region(id.column, id.row), QPoint(), m_whole->size}};
    const QSize size = tileSize(id);
    return {TilePiece{m_plan->tileUrl(id.column, id.row), QRect(QPoint(), size), QPoint(), size}};
}

} // namespace source
