#include "download/IiifPlan.h"
#include "imaging/Jpeg.h"
#include "store/TileStore.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace iiif {
namespace {

qint64 ceilDiv(qint64 a, qint64 b) { return (a + b - 1) / b; }

// A cell side (in pixels of the picture at its scale) that cuts `side` into at most 26
// parts, a whole multiple of the server's tile side when that stays within `limit`.
int cellSide(qint64 side, int serverTile, int limit)
{
    const qint64 plain = ceilDiv(side, store::kGridSide);
    if (serverTile > 0) {
        const qint64 multiple = ceilDiv(plain, serverTile) * serverTile;
        if (multiple <= limit)
            return int(multiple);
    }
    return int(plain);
}

} // namespace

int maxTileSide() { return jpeg::kMaxSide; }

QRect TilePlan::region(int column, int row) const
{
    const int x = column * cell.width(), y = row * cell.height();
    return QRect(x, y, qMin(cell.width(), fullSize.width() - x), qMin(cell.height(), fullSize.height() - y));
}

QSize TilePlan::tileSize(int column, int row) const
{
    const QRect r = region(column, row);
    return QSize(int(ceilDiv(r.width(), scale)), int(ceilDiv(r.height(), scale)));
}

QSize TilePlan::sheetSize() const
{
    return QSize(int(ceilDiv(fullSize.width(), scale)), int(ceilDiv(fullSize.height(), scale)));
}

QString TilePlan::tileUrl(int column, int row) const
{
    const QRect r = region(column, row);
    const QSize s = tileSize(column, row);
    const QString regionText = QStringLiteral("%1,%2,%3,%4").arg(r.x()).arg(r.y()).arg(r.width()).arg(r.height());
    QString sizeText;
    if (scale == 1 && cutsRegions && !sizeByWidth)
        sizeText = version == 3 ? QStringLiteral("max") : QStringLiteral("full");
    else if (version == 3)
        sizeText = QStringLiteral("%1,%2").arg(s.width()).arg(s.height());
    else
        sizeText = QStringLiteral("%1,").arg(s.width());
    return imageBase + u'/' + regionText + u'/' + sizeText + QStringLiteral("/0/") + quality + QStringLiteral(".jpg");
}

std::optional<TilePlan> planTiles(const ImageInfo &info, const QString &imageBase, QString *why)
{
    TilePlan plan;
    plan.imageBase = imageBase;
    plan.version = info.version;
    plan.quality = info.quality();
    plan.fullSize = QSize(info.width, info.height);
    plan.sizeByWidth = info.sizeByW;
    const int side = maxTileSide();
    const int limitW = info.maxWidth > 0 ? qMin(side, info.maxWidth) : side;
    const int limitH = info.maxHeight > 0 ? qMin(side, info.maxHeight) : side;
    auto fits = [&](int w, int h) {
        return w <= limitW && h <= limitH && (info.maxArea <= 0 || qint64(w) * h <= info.maxArea);
    };

    if (info.regionByPx) {
        // Full resolution first, then halving while the server can scale.
        for (int scale = 1; scale <= (1 << 16); scale *= 2) {
            if (scale > 1 && !info.sizeByW)
                break;
            const qint64 w = ceilDiv(info.width, scale), h = ceilDiv(info.height, scale);
            // Server tiles are named at full size; at 1/scale a server tile covers tile * scale.
            const int cw = cellSide(w, info.tileWidth, qMin(limitW, limitH)),
                      ch = cellSide(h, info.tileHeight, qMin(limitW, limitH));
            if (!fits(cw, ch))
                continue;
            plan.cutsRegions = true;
            plan.scale = scale;
            plan.cell = QSize(cw * scale, ch * scale);
            plan.columns = int(ceilDiv(info.width, plan.cell.width()));
            plan.rows = int(ceilDiv(info.height, plan.cell.height()));
            return plan;
        }
    }

    // Static tiles: one server tile per tile of the sheet.
    const int tw = info.tileWidth > 0 ? info.tileWidth : info.width;
    const int th = info.tileHeight > 0 ? info.tileHeight : info.height;
    for (const int scale : info.scaleFactors) {
        const qint64 columns = ceilDiv(info.width, qint64(tw) * scale), rows = ceilDiv(info.height, qint64(th) * scale);
        if (columns > store::kGridSide || rows > store::kGridSide || !fits(tw, th))
            continue;
        plan.scale = scale;
        // Any cell past the largest side a picture may declare holds all of it: the bound
        // keeps the product in range.
        constexpr qint64 kLargestCell = qint64(1) << 30;
        plan.cell = QSize(int(qMin(qint64(tw) * scale, kLargestCell)), int(qMin(qint64(th) * scale, kLargestCell)));
        plan.columns = int(columns);
        plan.rows = int(rows);
        return plan;
    }
    if (why)
        *why = QStringLiteral("image trop grande pour 26 x 26 images");
    return std::nullopt;
}

QRect WholePicturePlan::region(int column, int row) const
{
    const int x = column * cell.width(), y = row * cell.height();
    return QRect(x, y, qMin(cell.width(), size.width() - x), qMin(cell.height(), size.height() - y));
}

QList<QSize> listedSizes(const QByteArray &json)
{
    QList<QSize> sizes;
    const QJsonArray listed = QJsonDocument::fromJson(json).object().value(QStringLiteral("sizes")).toArray();
    for (const QJsonValue &entry : listed) {
        const QJsonObject size = entry.toObject();
        const double w = size.value(QStringLiteral("width")).toDouble(), h = size.value(QStringLiteral("height")).toDouble();
        // Whole pixel counts within the largest side a description may declare.
        if (w >= 1 && h >= 1 && w <= (1 << 30) && h <= (1 << 30) && w == int(w) && h == int(h))
            sizes << QSize(int(w), int(h));
    }
    return sizes;
}

bool servesWholePicturesOnly(const ImageInfo &info, const QList<QSize> &sizes)
{
    return !info.regionByPx && info.tileWidth <= 0 && !sizes.isEmpty();
}

std::optional<WholePicturePlan> planWholePicture(const ImageInfo &info, const QList<QSize> &sizes,
                                                 const QString &imageBase, QString *why)
{
    // The whole picture is decoded at once: it keeps within the decoder's bound too.
    const int side = maxTileSide();
    const int limitW = info.maxWidth > 0 ? qMin(side, info.maxWidth) : side;
    const int limitH = info.maxHeight > 0 ? qMin(side, info.maxHeight) : side;
    std::optional<QSize> chosen;
    for (const QSize &size : sizes) {
        const qint64 area = qint64(size.width()) * size.height();
        if (size.width() > limitW || size.height() > limitH || (info.maxArea > 0 && area > info.maxArea))
            continue;
        if (!chosen || area > qint64(chosen->width()) * chosen->height())
            chosen = size;
    }
    if (!chosen) {
        if (why)
            *why = QStringLiteral("aucune des tailles de l'image ne tient en %1 x %2 pixels").arg(limitW).arg(limitH);
        return std::nullopt;
    }
    // Stored tiles of a usual size: the picture is decoded once per tile.
    constexpr int kStoredCell = 512;
    WholePicturePlan plan;
    plan.size = *chosen;
    plan.url = imageBase + QStringLiteral("/full/%1,%2/0/").arg(chosen->width()).arg(chosen->height()) + info.quality()
               + QStringLiteral(".jpg");
    plan.cell = QSize(cellSide(chosen->width(), kStoredCell, side), cellSide(chosen->height(), kStoredCell, side));
    plan.columns = int(ceilDiv(chosen->width(), plan.cell.width()));
    plan.rows = int(ceilDiv(chosen->height(), plan.cell.height()));
    return plan;
}

} // namespace iiif
