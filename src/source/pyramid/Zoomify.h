#pragma once
// Zoomify pyramids: a folder holding "ImageProperties.xml" (the element IMAGE_PROPERTIES
// with WIDTH, HEIGHT, TILESIZE and often NUMTILES) and folders "TileGroupN" of 256 tiles
// each, named "tier-column-row.jpg". Tiers run from the smallest (one tile) to the full
// size, each halving the next; tiles are numbered tier after tier from the smallest, rows
// outer and columns inner, and tile number i lies in "TileGroup" + i / 256.

#include "source/pyramid/PyramidSource.h"

#include <QByteArray>
#include <memory>

namespace source {

struct ZoomifyInfo {
    qint64 width = 0;
    qint64 height = 0;
    int tileSide = 0;
    qint64 tileCount = 0;   // NUMTILES, 0 when the description gives none
};

std::optional<ZoomifyInfo> readZoomify(const QByteArray &xml, QString *why = nullptr);

struct ZoomifyTiers {
    QList<QSize> sizes;          // smallest first
    QList<qint64> tilesBefore;   // tiles of all the smaller tiers
    qint64 tileCount = 0;
};

// The tiers, halving by rounding up (`roundUp`) or down; nothing when the count overflows.
std::optional<ZoomifyTiers> zoomifyTiers(qint64 width, qint64 height, int tileSide, bool roundUp);

class ZoomifySource : public PyramidSource {
public:
    static constexpr int kTilesPerGroup = 256;
    // `folderUrl` is the folder of ImageProperties.xml, without a trailing "/". The tiers
    // are those whose tile count agrees with NUMTILES when the description gives it.
    static std::unique_ptr<ZoomifySource> make(const ZoomifyInfo &info, const QString &folderUrl,
                                               QString *why = nullptr);
    Kind kind() const override { return Kind::Zoomify; }
    // The tile group of a tile of a tier.
    qint64 tileGroup(int tier, int column, int row) const;

protected:
    QString serverTileUrl(int level, int column, int row) const override;

private:
    ZoomifySource(const ZoomifyTiers &tiers, int tileSide, const QString &folderUrl);
    ZoomifyTiers m_tiers;
    QString m_folderUrl;
};

} // namespace source
