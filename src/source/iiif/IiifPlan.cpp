#include "source/iiif/IiifPlan.h"
#include "imaging/Jpeg.h"
#include "store/TileStore.h"

#include <QUrl>
#include <algorithm>

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

QSize turned(QSize size, int rotation) { return rotation % 180 ? size.transposed() : size; }

} // namespace

int maxTileSide() { return jpeg::kMaxSide; }

QRect TilePlan::region(int column, int row) const
{
    const QSize bounds = whole.isEmpty() ? fullSize : whole;
    const int x = column * cell.width(), y = row * cell.height();
    return QRect(x, y, qMin(cell.width(), bounds.width() - x), qMin(cell.height(), bounds.height() - y));
}

QRect TilePlan::scaledRegion() const
{
    const QRect all(QPoint(), fullSize);
    const QRect r = selector.region.isNull() ? all : selector.region;
    if (!whole.isEmpty()) {
        // In pixels of the whole picture: the region's edges outward to whole pixels.
        const qint64 x0 = qint64(r.x()) * whole.width() / fullSize.width();
        const qint64 y0 = qint64(r.y()) * whole.height() / fullSize.height();
        const qint64 x1 = ceilDiv(qint64(r.x() + r.width()) * whole.width(), fullSize.width());
        const qint64 y1 = ceilDiv(qint64(r.y() + r.height()) * whole.height(), fullSize.height());
        return QRect(int(x0), int(y0), int(x1 - x0), int(y1 - y0));
    }
    const int x0 = r.x() / scale, y0 = r.y() / scale;
    return QRect(x0, y0, int(ceilDiv(r.x() + r.width(), scale)) - x0, int(ceilDiv(r.y() + r.height(), scale)) - y0);
}

QRect TilePlan::unturned(int column, int row) const
{
    const QSize sheet = sheetSize(), part = scaledRegion().size();
    const QRect t = QRect(column * sheetCell.width(), row * sheetCell.height(), sheetCell.width(), sheetCell.height())
                    & QRect(QPoint(), sheet);
    const int w = part.width(), h = part.height();
    switch (selector.rotation) {
    case 90: return QRect(t.y(), h - t.x() - t.width(), t.height(), t.width());
    case 180: return QRect(w - t.x() - t.width(), h - t.y() - t.height(), t.width(), t.height());
    case 270: return QRect(w - t.y() - t.height(), t.x(), t.height(), t.width());
    default: return t;
    }
}

QSize TilePlan::tileSize(int column, int row) const
{
    if (hasSelector())
        return turned(unturned(column, row).size(), selector.rotation);
    return gridTileSize(column, row);
}

QSize TilePlan::gridTileSize(int column, int row) const
{
    const QRect r = region(column, row);
    if (!whole.isEmpty())
        return r.size();
    return QSize(int(ceilDiv(r.width(), scale)), int(ceilDiv(r.height(), scale)));
}

QSize TilePlan::sheetSize() const
{
    if (hasSelector())
        return turned(scaledRegion().size(), selector.rotation);
    if (!whole.isEmpty())
        return whole;
    return QSize(int(ceilDiv(fullSize.width(), scale)), int(ceilDiv(fullSize.height(), scale)));
}

QSize TilePlan::answerSize(int column, int row) const
{
    return whole.isEmpty() ? gridTileSize(column, row) : whole;
}

QString TilePlan::sizeText(int column, int row) const
{
    const QSize s = answerSize(column, row);
    const bool fullSide = whole.isEmpty() ? scale == 1 : whole == fullSize;
    if (fullSide && (cutsRegions || !whole.isEmpty()))
        return version == 3 ? QStringLiteral("max") : QStringLiteral("full");
    // Static trees name their tiles in the version's canonical form; other servers take both
    // sides where they can.
    if (version == 3 || (cutsRegions && sizeByWh))
        return QStringLiteral("%1,%2").arg(s.width()).arg(s.height());
    return QStringLiteral("%1,").arg(s.width());
}

QSize TilePlan::slack(int column, int row) const
{
    // A request by width alone leaves the height to the server, exact only at full size.
    const bool widthOnly = sizeText(column, row).endsWith(u',');
    const bool reduced = whole.isEmpty() ? scale > 1 : whole != fullSize;
    return QSize(0, widthOnly && reduced ? 1 : 0);
}

bool TilePlan::accepts(int column, int row, QSize answer) const
{
    const QSize expected = answerSize(column, row), allowed = slack(column, row);
    return !answer.isEmpty() && qAbs(answer.width() - expected.width()) <= allowed.width()
           && qAbs(answer.height() - expected.height()) <= allowed.height();
}

QString TilePlan::tileUrl(int column, int row) const
{
    if (!whole.isEmpty() && !pictureUrl.isEmpty())
        return pictureUrl;
    const QRect r = region(column, row);
    const QString regionText = !whole.isEmpty() ? QStringLiteral("full")
                                                : QStringLiteral("%1,%2,%3,%4").arg(r.x()).arg(r.y()).arg(r.width()).arg(r.height());
    return imageBase + u'/' + regionText + u'/' + sizeText(column, row) + QStringLiteral("/0/") + quality
           + QStringLiteral(".jpg");
}

QString TilePlan::regionUrl(QRect part, QSize asked) const
{
    QString size;
    if (scale == 1)
        size = version == 3 ? QStringLiteral("max") : QStringLiteral("full");
    else if (version == 3 || sizeByWh)
        size = QStringLiteral("%1,%2").arg(asked.width()).arg(asked.height());
    else
        size = QStringLiteral("%1,").arg(asked.width());
    return imageBase + QStringLiteral("/%1,%2,%3,%4/").arg(part.x()).arg(part.y()).arg(part.width()).arg(part.height())
           + size + QStringLiteral("/0/") + quality + QStringLiteral(".jpg");
}

namespace {

// The plan of the whole image cut again for the part the selector shows, turned.
std::optional<TilePlan> selected(TilePlan plan, const Selector &selector, QString *why)
{
    const QRect all(QPoint(), plan.fullSize);
    const QRect region = selector.region.isNull() ? all : selector.region & all;
    const int rotation = ((selector.rotation % 360) + 360) % 360;
    if (region.isEmpty()) {
        if (why)
            *why = QStringLiteral("région hors de l'image");
        return std::nullopt;
    }
    if (rotation % 90 != 0) {
        if (why)
            *why = QStringLiteral("rotation de %1 degrés non prise en charge").arg(rotation);
        return std::nullopt;
    }
    if (region == all && rotation == 0)
        return plan;
    plan.selector = Selector{region == all ? QRect() : region, rotation};
    const QSize sheet = plan.sheetSize();
    // A whole picture keeps its cut on its blocks where the region's corner does; regions
    // keep the size of the image's own cells.
    const int unit = plan.whole.isEmpty() ? qMin(plan.cell.width(), plan.cell.height()) / plan.scale : 512;
    plan.sheetCell = QSize(cellSide(sheet.width(), unit, maxTileSide()), cellSide(sheet.height(), unit, maxTileSide()));
    plan.columns = int(ceilDiv(sheet.width(), plan.sheetCell.width()));
    plan.rows = int(ceilDiv(sheet.height(), plan.sheetCell.height()));
    return plan;
}

} // namespace

std::optional<TilePlan> planPicture(QSize size, const QString &url, QString *why, const Selector &selector)
{
    ImageInfo info;
    info.width = size.width();
    info.height = size.height();
    info.sizes << size;
    auto plan = planTiles(info, url, why, selector);
    if (plan)
        plan->pictureUrl = url;
    return plan;
}

std::optional<TilePlan> planTiles(const ImageInfo &info, const QString &imageBase, QString *why,
                                  const Selector &selector)
{
    auto plan = planImage(info, imageBase, why);
    if (!plan || selector.isEmpty())
        return plan;
    return selected(std::move(*plan), selector, why);
}

std::optional<TilePlan> planImage(const ImageInfo &info, const QString &imageBase, QString *why)
{
    TilePlan plan;
    plan.imageBase = imageBase;
    plan.version = info.version;
    plan.quality = info.quality();
    plan.fullSize = QSize(info.width, info.height);
    plan.sizeByWidth = info.sizeByW;
    plan.sizeByWh = info.sizeByWh;
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

    // Static pictures without tiles: the largest size offered that fits (the full size is
    // always offered, as "full" or "max"), asked once and cut into tiles of a usual size.
    if (info.tileWidth == 0 && !info.sizes.isEmpty()) {
        QList<QSize> offered = info.sizes;
        offered << plan.fullSize;
        std::sort(offered.begin(), offered.end(), [](QSize a, QSize b) { return a.width() > b.width(); });
        for (const QSize size : offered) {
            if (!fits(size.width(), size.height()))
                continue;
            constexpr int kStoredCell = 512;
            plan.whole = size;
            plan.cell = QSize(cellSide(size.width(), kStoredCell, side), cellSide(size.height(), kStoredCell, side));
            plan.columns = int(ceilDiv(size.width(), plan.cell.width()));
            plan.rows = int(ceilDiv(size.height(), plan.cell.height()));
            return plan;
        }
        if (why)
            *why = QStringLiteral("aucune des tailles de l'image ne tient en %1 x %2 pixels").arg(limitW).arg(limitH);
        return std::nullopt;
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

QString tileBase(const QString &requestedBase, const QString &infoUrl, const ImageInfo &info)
{
    const QString suffix = QStringLiteral("/info.json");
    if (infoUrl.isEmpty() || QUrl(infoUrl) == QUrl(requestedBase + suffix))
        return requestedBase;
    const QUrl found(infoUrl);
    QString id = info.id;
    while (id.endsWith(u'/'))
        id.chop(1);
    const QUrl declared(id);
    auto port = [](const QUrl &url) { return url.port(url.scheme() == QStringLiteral("https") ? 443 : 80); };
    if (!id.isEmpty() && declared.isValid() && declared.scheme() == found.scheme()
        && declared.host().compare(found.host(), Qt::CaseInsensitive) == 0 && port(declared) == port(found))
        return id;
    if (infoUrl.endsWith(suffix))
        return infoUrl.chopped(suffix.size());
    return requestedBase;
}

} // namespace iiif
