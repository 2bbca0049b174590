#pragma once
// Deep Zoom pyramids: a ".dzi" description (XML: the element Image with TileSize, Overlap
// and Format, holding Size with Width and Height) beside a folder "name_files" with one
// folder per level, 0 (one pixel) to the full size, and tiles "column_row.format" in it.

#include "source/pyramid/PyramidSource.h"

#include <QByteArray>
#include <memory>

namespace source {

struct DeepZoomInfo {
    int tileSide = 0;
    int overlap = 0;
    QString format;   // "jpg", "jpeg" or "png"
    qint64 width = 0;
    qint64 height = 0;
};

// The description, or nothing and `why` (French) when it is unreadable or out of bounds.
std::optional<DeepZoomInfo> readDeepZoom(const QByteArray &xml, QString *why = nullptr);

// Level sizes from 0 (1 x 1) to the full size: each level halves the next, rounding up.
QList<QSize> deepZoomLevels(qint64 width, qint64 height);

class DeepZoomSource : public PyramidSource {
public:
    // `descriptorUrl` is the ".dzi" address; nothing and `why` when no level fits.
    static std::unique_ptr<DeepZoomSource> make(const DeepZoomInfo &info, const QString &descriptorUrl,
                                                QString *why = nullptr);
    Kind kind() const override { return Kind::DeepZoom; }
    // "name_files/" beside the description.
    QString tilesBase() const { return m_tilesBase; }

protected:
    QString serverTileUrl(int level, int column, int row) const override;

private:
    DeepZoomSource(const DeepZoomInfo &info, const QString &tilesBase);
    QString m_tilesBase;
    QString m_format;
};

} // namespace source
