#include "source/classic/ClassicSource.h"
#include "source/classic/ClassicLayout.h"
#include "source/SourceKind.h"
#include "store/TileStore.h"

namespace source {

QSize ClassicSource::grid() const
{
    return {store::kGridSide, store::kGridSide};
}

QString ClassicSource::tileUrl(TileId id) const
{
    QString url = m_template;
    return url.replace(QLatin1StringView(ClassicLayout::kTileCodeMark), store::tileCode(id.column, id.row), Qt::CaseInsensitive);
}

QList<TilePiece> ClassicSource::pieces(TileId id) const
{
    if (!contains(id))
        return {};
    return {TilePiece{tileUrl(id), {}, {}, {}, {}}};
}

// The tile server's sheets have no description: their grid is fixed, and no address typed
// by a person names one.
extern const SourceKind kClassicKind{
    Kind::Classic, nullptr, "BNF",
    [](const QString &) { return QString(); },
    nullptr,
    [](const QByteArray &, const QString &, const QString &, QString *why) -> std::unique_ptr<TileSource> {
        if (why)
            *why = QStringLiteral("une feuille du serveur de tuiles n'a pas de description");
        return nullptr;
    },
};

} // namespace source
