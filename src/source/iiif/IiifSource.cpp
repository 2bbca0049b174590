#include "source/iiif/IiifSource.h"
#include "source/iiif/IiifInfo.h"
#include "source/iiif/IiifAddress.h"
#include "source/iiif/IiifReader.h"
#include "source/iiif/IiifSheet.h"
#include "imaging/Jpeg.h"
#include "source/SourceAddress.h"
#include "source/SourceKind.h"
#include "store/TileWriter.h"

#include <QBuffer>
#include <QImageReader>

#include <QUrl>

namespace source {
namespace {

// The size of a plain picture from its first bytes: a JPEG's header, or any other format
// the program reads (PNG for the most part); nothing for what is no picture.
QSize sizeOfPicture(const QByteArray &bytes)
{
    jpeg::Header header;
    if (bytes.startsWith("\xFF\xD8"))
        return jpeg::readHeader(bytes, header).ok() ? header.size() : QSize();
    QBuffer buffer;
    buffer.setData(bytes);
    QImageReader reader(&buffer);
    return reader.canRead() ? reader.size() : QSize();
}

} // namespace

std::unique_ptr<IiifSource> IiifSource::make(const QByteArray &info, const QString &imageBase, const QString &infoUrl,
                                             QString *why)
{
    const iiif::SheetAddress sheet = iiif::SheetAddress::parse(imageBase);
    if (sheet.picture) {
        // The description is the picture itself: its size is the one it has.
        const QSize size = sizeOfPicture(info);
        if (size.isEmpty()) {
            if (why)
                *why = QStringLiteral("la réponse n'est pas une image");
            return nullptr;
        }
        auto plan = iiif::planPicture(size, sheet.url, why, sheet.selector);
        if (!plan)
            return nullptr;
        auto source = std::make_unique<IiifSource>(std::move(*plan));
        source->m_descriptionIsAnswer = true;
        return source;
    }
    const auto image = iiif::readImageInfo(info, why);
    if (!image)
        return nullptr;
    auto plan = iiif::planTiles(*image, iiif::tileBase(sheet.url, infoUrl, *image), why, sheet.selector);
    if (!plan)
        return nullptr;
    return std::make_unique<IiifSource>(std::move(*plan));
}

QSize IiifSource::tileSize(TileId id) const
{
    return contains(id) ? m_plan.tileSize(id.column, id.row) : QSize();
}

QList<TilePiece> IiifSource::pieces(TileId id) const
{
    if (!contains(id))
        return {};
    if (m_plan.hasSelector())
        return selectedPieces(id);
    const QSize asked = m_plan.answerSize(id.column, id.row), slack = m_plan.slack(id.column, id.row);
    const QRect crop = m_plan.whole.isEmpty() ? QRect(QPoint(), asked) : m_plan.region(id.column, id.row);
    return {TilePiece{m_plan.tileUrl(id.column, id.row), crop, QPoint(), asked + slack, slack}};
}

// A tile of a selected part: its part before the turn, from the whole picture, from one
// region asked of the server, or from the server's own tiles that cover it.
QList<TilePiece> IiifSource::selectedPieces(TileId id) const
{
    const iiif::TilePlan &plan = m_plan;
    const QRect part = plan.unturned(id.column, id.row);
    const QRect region = plan.scaledRegion();
    const QRect wanted = part.translated(region.topLeft());
    if (!plan.whole.isEmpty()) {
        const QSize slack = plan.slack(0, 0);
        return {TilePiece{plan.tileUrl(0, 0), wanted, QPoint(), plan.whole + slack, slack}};
    }
    const int scale = plan.scale;
    if (plan.cutsRegions) {
        const QRect full = plan.selector.region.isNull() ? QRect(QPoint(), plan.fullSize) : plan.selector.region;
        const int x = full.x() + part.x() * scale, y = full.y() + part.y() * scale;
        const QRect asked(x, y, qMin(part.width() * scale, full.x() + full.width() - x),
                          qMin(part.height() * scale, full.y() + full.height() - y));
        const bool widthOnly = scale > 1 && plan.version != 3 && !plan.sizeByWh;
        const QSize slack(0, widthOnly ? 1 : 0);
        return {TilePiece{plan.regionUrl(asked, part.size()), QRect(QPoint(), part.size()), QPoint(),
                          part.size() + slack, slack}};
    }
    // The server's tiles at the plan's scale, each cell pixels of the full picture.
    const int tw = qMax(1, plan.cell.width() / scale), th = qMax(1, plan.cell.height() / scale);
    QList<TilePiece> pieces;
    for (int row = wanted.top() / th; row <= wanted.bottom() / th; ++row)
        for (int column = wanted.left() / tw; column <= wanted.right() / tw; ++column) {
            const QRect tile(QPoint(column * tw, row * th), plan.gridTileSize(column, row));
            const QRect common = tile & wanted;
            if (common.isEmpty())
                continue;
            const QSize slack = plan.slack(column, row);
            pieces << TilePiece{plan.tileUrl(column, row), common.translated(-tile.topLeft()),
                                common.topLeft() - wanted.topLeft(), tile.size() + slack, slack};
        }
    return pieces;
}

int IiifSource::rotation() const
{
    return m_plan.selector.rotation;
}

namespace {

// An IIIF address whose form says it surely is one: a manifest or collection, an image's
// description or request, an ark, a page or image of the library. A bare base address may
// as well be another kind's folder, which only reading it can tell.
bool surelyIiif(const QString &text, const iiif::Address &address)
{
    QString plain = text.trimmed();
    while (plain.endsWith(u'/'))
        plain.chop(1);
    return address.kind == iiif::Address::Kind::Manifest || plain != address.url
           || QUrl(address.url).host().compare(iiif::kGallicaHost, Qt::CaseInsensitive) == 0;
}

} // namespace

extern const SourceKind kIiifKind{
    Kind::Iiif, "iiif", "IIIF",
    [](const QString &url) {
        // A plain picture is its own description.
        const iiif::SheetAddress sheet = iiif::SheetAddress::parse(url);
        return sheet.picture ? sheet.url : sheet.url + QStringLiteral("/info.json");
    },
    [](const QString &text, const QUrl &) -> std::optional<QString> {
        const auto address = iiif::parseAddress(text);
        if (!address || !surelyIiif(text, *address))
            return std::nullopt;
        return address->url;
    },
    [](const QByteArray &description, const QString &url, const QString &foundAt, QString *why)
        -> std::unique_ptr<TileSource> { return IiifSource::make(description, url, foundAt, why); },
    [](const QString &url) {
        return iiif::SheetAddress::parse(url).picture ? store::kMaxTileBytes : kMaxDescriptionBytes;
    },
    nullptr,
    "ark Gallica, info.json, manifeste IIIF",
    [](const QString &text, const QUrl &) -> std::optional<QString> {
        const auto address = iiif::parseAddress(text);
        if (!address || surelyIiif(text, *address))
            return std::nullopt;
        return address->url;
    },
    [](PacedFetcher &fetcher, const SourceKind &, QObject *parent) -> KindReader * {
        return new IiifReader(fetcher, parent);
    },
};

} // namespace source
