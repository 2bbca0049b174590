#include "source/pyramid/DeepZoom.h"
#include "source/pyramid/DescriptionXml.h"
#include "source/DescriptionReader.h"
#include "source/SourceKind.h"

#include <QUrl>

namespace source {

std::optional<DeepZoomInfo> readDeepZoom(const QByteArray &xml, QString *why)
{
    const auto image = readRootElement(xml, QStringLiteral("Image"), QStringLiteral("Size"), why);
    if (!image)
        return std::nullopt;
    DeepZoomInfo info;
    const QString format = image->attribute(QStringLiteral("Format")).toLower();
    if (format != QStringLiteral("jpg") && format != QStringLiteral("jpeg") && format != QStringLiteral("png")) {
        if (why)
            *why = QStringLiteral("format d'image non pris en charge : ") + format.left(20);
        return std::nullopt;
    }
    info.format = format;
    qint64 tileSide = 0, overlap = 0;
    if (!image->number(QStringLiteral("TileSize"), PyramidSource::kMinTileSide, PyramidSource::kMaxTileSide,
                       &tileSide, why)
        || !image->number(QStringLiteral("Overlap"), 0, tileSide / 2, &overlap, why)
        || !image->childNumber(QStringLiteral("Width"), 1, PyramidSource::kMaxPictureSide, &info.width, why)
        || !image->childNumber(QStringLiteral("Height"), 1, PyramidSource::kMaxPictureSide, &info.height, why))
        return std::nullopt;
    info.tileSide = int(tileSide);
    info.overlap = int(overlap);
    return info;
}

QList<QSize> deepZoomLevels(qint64 width, qint64 height)
{
    QList<QSize> levels;
    qint64 w = width, h = height;
    for (;;) {
        levels.prepend(QSize(int(w), int(h)));
        if (w == 1 && h == 1)
            break;
        w = ceilDiv(w, 2);
        h = ceilDiv(h, 2);
    }
    return levels;
}

std::unique_ptr<DeepZoomSource> DeepZoomSource::make(const DeepZoomInfo &info, const QString &descriptorUrl,
                                                     QString *why)
{
    QUrl url(descriptorUrl);
    QString path = url.path();
    if (path.endsWith(QStringLiteral(".dzi"), Qt::CaseInsensitive))
        path.chop(4);
    url.setPath(path + QStringLiteral("_files/"));
    url.setQuery(QString());
    url.setFragment(QString());
    std::unique_ptr<DeepZoomSource> source(new DeepZoomSource(info, url.toString()));
    if (!source->plan(why))
        return nullptr;
    return source;
}

DeepZoomSource::DeepZoomSource(const DeepZoomInfo &info, const QString &tilesBase)
    : PyramidSource(deepZoomLevels(info.width, info.height), info.tileSide, info.overlap), m_tilesBase(tilesBase),
      m_format(info.format)
{
}

QString DeepZoomSource::serverTileUrl(int level, int column, int row) const
{
    return m_tilesBase + QStringLiteral("%1/%2_%3.").arg(level).arg(column).arg(row) + m_format;
}

extern const SourceKind kDeepZoomKind{
    Kind::DeepZoom, "dzi", "Deep Zoom",
    [](const QString &url) { return url; },
    [](const QString &text, const QUrl &url) -> std::optional<QString> {
        if (!isWebAddress(text, url))
            return std::nullopt;
        const QString path = url.path();
        if (path.endsWith(QStringLiteral(".dzi"), Qt::CaseInsensitive) && path.size() > 5)
            return text;
        return std::nullopt;
    },
    [](const QByteArray &description, const QString &url, const QString &, QString *why) -> std::unique_ptr<TileSource> {
        if (const auto info = readDeepZoom(description, why))
            return DeepZoomSource::make(*info, url, why);
        return nullptr;
    },
    nullptr,
    ".dzi",
    ".dzi Deep Zoom",
    nullptr,
    [](PacedFetcher &fetcher, const SourceKind &kind, QObject *parent) -> KindReader * {
        return new DescriptionReader(fetcher, kind, parent);
    },
};

} // namespace source
