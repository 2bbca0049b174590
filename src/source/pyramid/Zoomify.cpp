#include "source/pyramid/Zoomify.h"
#include "source/pyramid/DescriptionXml.h"
#include "source/DescriptionReader.h"
#include "source/SourceAddress.h"
#include "source/SourceKind.h"

#include <limits>

namespace source {

std::optional<ZoomifyInfo> readZoomify(const QByteArray &xml, QString *why)
{
    const auto properties = readRootElement(xml, QStringLiteral("IMAGE_PROPERTIES"), QString(), why);
    if (!properties)
        return std::nullopt;
    ZoomifyInfo info;
    qint64 tileSide = 0;
    if (!properties->number(QStringLiteral("WIDTH"), 1, PyramidSource::kMaxPictureSide, &info.width, why)
        || !properties->number(QStringLiteral("HEIGHT"), 1, PyramidSource::kMaxPictureSide, &info.height, why)
        || !properties->number(QStringLiteral("TILESIZE"), PyramidSource::kMinTileSide, PyramidSource::kMaxTileSide,
                               &tileSide, why))
        return std::nullopt;
    info.tileSide = int(tileSide);
    if (properties->has(QStringLiteral("NUMTILES"))
        && !properties->number(QStringLiteral("NUMTILES"), 1, std::numeric_limits<qint64>::max(), &info.tileCount, why))
        return std::nullopt;
    return info;
}

std::optional<ZoomifyTiers> zoomifyTiers(qint64 width, qint64 height, int tileSide, bool roundUp)
{
    QList<QSize> sizes;
    qint64 w = width, h = height;
    auto half = [roundUp](qint64 side) { return qMax<qint64>(1, roundUp ? ceilDiv(side, 2) : side / 2); };
    for (;;) {
        sizes.prepend(QSize(int(w), int(h)));
        if ((w <= tileSide && h <= tileSide) || sizes.size() > PyramidSource::kMaxLevels)
            break;
        w = half(w);
        h = half(h);
    }
    ZoomifyTiers tiers;
    tiers.sizes = sizes;
    for (const QSize size : sizes) {
        tiers.tilesBefore << tiers.tileCount;
        qint64 count = 0;
        if (!checkedMultiply(ceilDiv(size.width(), tileSide), ceilDiv(size.height(), tileSide), &count)
            || !checkedAdd(tiers.tileCount, count, &tiers.tileCount))
            return std::nullopt;
    }
    return tiers;
}

std::unique_ptr<ZoomifySource> ZoomifySource::make(const ZoomifyInfo &info, const QString &folderUrl, QString *why)
{
    // Makers of pyramids round the halved sizes up or down; the tile count tells which.
    std::optional<ZoomifyTiers> tiers;
    for (const bool roundUp : {true, false}) {
        tiers = zoomifyTiers(info.width, info.height, info.tileSide, roundUp);
        if (tiers && (info.tileCount == 0 || tiers->tileCount == info.tileCount))
            break;
        tiers.reset();
    }
    if (!tiers) {
        if (why)
            *why = QStringLiteral("valeur incorrecte de NUMTILES : %1").arg(info.tileCount);
        return nullptr;
    }
    std::unique_ptr<ZoomifySource> source(new ZoomifySource(*tiers, info.tileSide, folderUrl));
    if (!source->plan(why))
        return nullptr;
    return source;
}

ZoomifySource::ZoomifySource(const ZoomifyTiers &tiers, int tileSide, const QString &folderUrl)
    : PyramidSource(tiers.sizes, tileSide, 0), m_tiers(tiers), m_folderUrl(folderUrl)
{
}

qint64 ZoomifySource::tileGroup(int tier, int column, int row) const
{
    const qint64 columns = ceilDiv(m_tiers.sizes.at(tier).width(), serverTileSide());
    return (m_tiers.tilesBefore.at(tier) + row * columns + column) / kTilesPerGroup;
}

QString ZoomifySource::serverTileUrl(int level, int column, int row) const
{
    return m_folderUrl + QStringLiteral("/TileGroup%1/%2-%3-%4.jpg").arg(tileGroup(level, column, row)).arg(level)
                             .arg(column).arg(row);
}

namespace {
const QString kZoomifyFile = QStringLiteral("ImageProperties.xml");
}

extern const SourceKind kZoomifyKind{
    Kind::Zoomify, "zoomify", "Zoomify",
    [](const QString &url) { return url + u'/' + kZoomifyFile; },
    [](const QString &text, const QUrl &url) -> std::optional<QString> {
        if (!isWebAddress(text, url) || !url.path().endsWith(u'/' + kZoomifyFile, Qt::CaseInsensitive) || !url.query().isEmpty()
            || !url.fragment().isEmpty())
            return std::nullopt;
        const QString folder = text.chopped(int(kZoomifyFile.size()) + 1);
        if (QUrl(folder).path().isEmpty())
            return std::nullopt;
        return zoomifyFolder(folder).url;
    },
    [](const QByteArray &description, const QString &url, const QString &, QString *why) -> std::unique_ptr<TileSource> {
        if (const auto info = readZoomify(description, why))
            return ZoomifySource::make(*info, url, why);
        return nullptr;
    },
    nullptr,
    nullptr,
    "dossier Zoomify",
    // A folder (no file name, no query) may hold a pyramid's "ImageProperties.xml".
    [](const QString &text, const QUrl &url) -> std::optional<QString> {
        if (!isWebAddress(text, url) || !url.query().isEmpty() || !url.fragment().isEmpty())
            return std::nullopt;
        QString path = url.path();
        while (path.endsWith(u'/'))
            path.chop(1);
        if (path.isEmpty() || path.section(u'/', -1).contains(u'.'))
            return std::nullopt;
        return zoomifyFolder(text).url;
    },
    [](PacedFetcher &fetcher, const SourceKind &kind, QObject *parent) -> KindReader * {
        return new DescriptionReader(fetcher, kind, parent);
    },
};

} // namespace source
