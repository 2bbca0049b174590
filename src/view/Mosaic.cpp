#include "view/Mosaic.h"
#include "imaging/Jpeg.h"
#include "platform/Paths.h"
#include "store/TileStore.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPainter>
#include <QSet>

namespace view {
namespace {

int cacheKey(int column, int row, int shrink)
{
    return Mosaic::index(column, row) * 16 + shrink;
}

bool removeFile(const QString &path)
{
    return QFile::remove(paths::nativePath(path));
}

} // namespace

Mosaic::Mosaic(const QString &mapFolder) : m_folder(mapFolder) {}

QString Mosaic::tilePath(int column, int row) const
{
    return store::tilePath(m_folder, column, row);
}

Mosaic::Scan Mosaic::measure()
{
    Scan scan;
    m_tiles.fill(Tile{});
    m_cellSize = QSize();
    clearCache();

    // One listing of the folder instead of 676 probes.
    const QDir dir(paths::nativePath(m_folder));
    const QStringList names =
        dir.exists() ? dir.entryList({QStringLiteral("MAXI_??.jpg")},
                                     QDir::Files | QDir::Hidden | QDir::System | QDir::CaseSensitive)
                     : QStringList();
    const QSet<QString> existing(names.begin(), names.end());

    for (int i = 0; i < kCells; ++i) {
        const int column = store::walkColumn(i), row = store::walkRow(i);
        if (!existing.contains(store::tileFileName(column, row)))
            continue;
        const QString path = tilePath(column, row);
        const QString native = paths::nativePath(path);
        QFile file(native);
        if (!file.open(QIODevice::ReadOnly)) {
            scan.unopenable = path;
            return scan;
        }
        const bool empty = file.size() == 0;
        file.close();
        jpeg::Header header;
        if (empty || !jpeg::readHeaderFromFile(native, header).ok()
            || header.width <= 0 || header.height <= 0) {
            if (removeFile(path))
                scan.deleted << path;
            continue;
        }
        m_tiles[index(column, row)] = Tile{true, header.size()};
        m_cellSize = header.size();
    }
    return scan;
}

int Mosaic::presentCount() const
{
    int count = 0;
    for (const Tile &t : m_tiles)
        count += t.present ? 1 : 0;
    return count;
}

QSize Mosaic::firstTileSize(const QRect &cells) const
{
    for (int row = cells.top(); row <= cells.bottom(); ++row)
        for (int column = cells.left(); column <= cells.right(); ++column)
            if (column >= 0 && column < kSide && row >= 0 && row < kSide && tile(column, row).present)
                return tile(column, row).size;
    return {};
}

QImage Mosaic::decode(int column, int row, int shrink)
{
    const Tile &t = tile(column, row);
    if (!t.present)
        return {};
    QImage image;
    const jpeg::Status status = jpeg::decodeFile(paths::nativePath(tilePath(column, row)), image, shrink);
    if (status.ok())
        return image;
    // A tile whose picture data cannot be decoded is removed, like one whose header fails.
    if (!status.isFileError()) {
        if (removeFile(tilePath(column, row)))
            m_deletedWhileRendering << tilePath(column, row);
    }
    forget(column, row);
    return {};
}

void Mosaic::forget(int column, int row)
{
    m_tiles[index(column, row)] = Tile{};
    for (int shrink : {1, 2, 4, 8})
        m_cache.erase(cacheKey(column, row, shrink));
}

QImage Mosaic::tileImage(int column, int row, int shrink)
{
    if (column < 0 || column >= kSide || row < 0 || row >= kSide)
        return {};
    const int key = cacheKey(column, row, shrink);
    if (auto it = m_cache.find(key); it != m_cache.end())
        return it->second;
    QImage image = decode(column, row, shrink);
    if (!image.isNull())
        m_cache.emplace(key, image);
    return image;
}

QImage Mosaic::cachedImage(int column, int row, int shrink) const
{
    if (column < 0 || column >= kSide || row < 0 || row >= kSide)
        return {};
    const auto it = m_cache.find(cacheKey(column, row, shrink));
    return it == m_cache.end() ? QImage() : it->second;
}

QImage Mosaic::decodeCovering(int column, int row, QSize target)
{
    const Tile &t = tile(column, row);
    if (!t.present)
        return {};
    return decode(column, row, jpeg::coveringScale(t.size, target));
}

int Mosaic::render(QImage &target, QPoint targetOrigin, const Placement &p)
{
    if (p.pitch.width() <= 0 || p.pitch.height() <= 0 || target.isNull())
        return 0;
    const QRect area(targetOrigin, target.size());
    const QRect cells = p.cells.intersected(QRect(0, 0, kSide, kSide));
    int drawn = 0;
    QPainter painter(&target);
    painter.setRenderHint(QPainter::SmoothPixmapTransform, true);
    for (int row = cells.top(); row <= cells.bottom(); ++row) {
        for (int column = cells.left(); column <= cells.right(); ++column) {
            const QRect cell(p.origin.x() + (column - cells.left()) * p.pitch.width(),
                             p.origin.y() + (row - cells.top()) * p.pitch.height(),
                             p.pitch.width(), p.pitch.height());
            const QRect visible = cell.intersected(area);
            if (visible.isEmpty() || !tile(column, row).present)
                continue;
            QImage image;
            if (p.stretch) {
                image = p.keepDecoded
                            ? tileImage(column, row, jpeg::coveringScale(tile(column, row).size, p.pitch))
                            : decodeCovering(column, row, p.pitch);
                if (image.isNull())
                    continue;
                if (image.size() != p.pitch)
                    image = image.scaled(p.pitch, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
            } else {
                image = p.keepDecoded ? tileImage(column, row, p.shrink) : decode(column, row, p.shrink);
                if (image.isNull())
                    continue;
            }
            // A tile larger than its cell is clipped to it; a smaller one leaves the rest.
            const QRect source = QRect(cell.topLeft(), image.size()).intersected(visible);
            painter.drawImage(source.topLeft() - targetOrigin, image,
                              QRect(source.topLeft() - cell.topLeft(), source.size()));
            ++drawn;
        }
    }
    return drawn;
}

void Mosaic::retainNear(const QRect &cells, int margin)
{
    const QRect keep = cells.adjusted(-margin, -margin, margin, margin);
    for (auto it = m_cache.begin(); it != m_cache.end();) {
        const int i = it->first / 16;
        if (keep.contains(i % kSide, i / kSide))
            ++it;
        else
            it = m_cache.erase(it);
    }
}

void Mosaic::clearCache()
{
    m_cache.clear();
}

qsizetype Mosaic::cachedBytes() const
{
    qsizetype bytes = 0;
    for (const auto &[key, image] : m_cache)
        bytes += image.sizeInBytes();
    return bytes;
}

QStringList Mosaic::takeDeletedWhileRendering()
{
    QStringList list;
    list.swap(m_deletedWhileRendering);
    return list;
}

} // namespace view
