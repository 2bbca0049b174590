#pragma once
// A sheet of the national library's tile server: always 26 x 26 tiles, each at the address
// of the sheet's template with "**" in the place of the tile's two letters. The tiles have
// no size known in advance and are stored as the server sends them.

#include "source/TileSource.h"

namespace source {

class ClassicSource : public TileSource {
public:
    explicit ClassicSource(QString urlTemplate) : m_template(std::move(urlTemplate)) {}

    Kind kind() const override { return Kind::Classic; }
    QSize pictureSize() const override { return {}; }
    QSize grid() const override;
    QSize tileSize(TileId) const override { return {}; }
    QList<TilePiece> pieces(TileId id) const override;
    bool storesAnswersAsIs() const override { return true; }
    bool everyTileExists() const override { return false; }

    // The address of the tile: the template with the tile's letters for "**".
    QString tileUrl(TileId id) const;

private:
    QString m_template;
};

} // namespace source
