#include "source/ClassicSource.h"
#include "store/TileStore.h"

namespace source {

QSize ClassicSource::grid() const
{
    return {store::kGridSide, store::kGridSide};
}

QString ClassicSource::tileUrl(TileId id) const
{
    QString url = m_template;
    return url.replace(QStringLiteral("**"), store::tileCode(id.column, id.row), Qt::CaseInsensitive);
}

QList<TilePiece> ClassicSource::pieces(TileId id) const
{
    if (!contains(id))
        return {};
    return {TilePiece{tileUrl(id), {}, {}, {}, {}}};
}

} // namespace source
