#include "print/TileComposition.h"
#include "imaging/Jpeg.h"
#include "platform/Paths.h"
#include "store/TileStore.h"

#include <QFile>
#include <QPainter>

#include <list>

namespace printing {

// Recently decoded full-size tiles, so that neighbouring renderings (a scrolled view, the
// pages of a poster row) do not decode a shared tile again. A few tiles only.
struct TileComposition::Cache {
    static constexpr int kCapacity = 24;
    std::list<std::pair<int, QImage>> tiles;   // most recent first

    const QImage *find(int index)
    {
        for (auto it = tiles.begin(); it != tiles.end(); ++it)
            if (it->first == index) {
                tiles.splice(tiles.begin(), tiles, it);
                return &tiles.front().second;
            }
        return nullptr;
    }
    const QImage &add(int index, QImage image)
    {
        tiles.emplace_front(index, std::move(image));
        while (int(tiles.size()) > kCapacity)
            tiles.pop_back();
        return tiles.front().second;
    }
};

namespace {

bool readBytes(const QString &path, QByteArray &bytes)
{
    QFile file(paths::nativePath(path));
    if (!file.open(QIODevice::ReadOnly))
        return false;
    bytes = file.readAll();
    return true;
}

void removeTile(const QString &path)
{
    QFile::remove(paths::nativePath(path));
}

// Reads and decodes a tile at 1/scale. A file whose bytes are damaged is deleted; one that
// could not be decoded for want of memory is kept.
enum class Load { Missing, Broken, Loaded };
Load loadTile(const QString &path, int scale, jpeg::Header &header, QImage &image)
{
    QByteArray bytes;
    if (!readBytes(path, bytes))
        return Load::Missing;
    jpeg::Status status = jpeg::readHeader(bytes, header);
    if (status.ok())
        status = jpeg::decode(bytes, image, scale);
    if (!status.ok()) {
        if (status.isCorrupt())
            removeTile(path);
        return Load::Broken;
    }
    return Load::Loaded;
}

} // namespace

TileComposition::TileComposition() : m_cache(std::make_unique<Cache>()) {}
TileComposition::~TileComposition() = default;
TileComposition::TileComposition(TileComposition &&) noexcept = default;
TileComposition &TileComposition::operator=(TileComposition &&) noexcept = default;

void TileComposition::clear()
{
    *this = TileComposition();
}

TileComposition TileComposition::compose(const QString &mapFolder, int c1, int c2, int r1, int r2,
                                         const std::function<void()> &tick)
{
    TileComposition t;
    t.m_folder = mapFolder;
    t.m_c1 = c1;
    t.m_r1 = r1;
    t.m_columns = std::max(0, c2 - c1 + 1);
    t.m_rows = std::max(0, r2 - r1 + 1);
    t.m_tileSizes.assign(size_t(t.m_columns) * size_t(t.m_rows), QSize());

    QPainter painter;
    double sx = 0, sy = 0;
    for (int r = 0; r < t.m_rows; ++r) {
        for (int c = 0; c < t.m_columns; ++c) {
            if (tick)
                tick();
            const QString path = store::tilePath(mapFolder, c1 - 1 + c, r1 - 1 + r);
            jpeg::Header header;
            QImage quarter;
            if (loadTile(path, 4, header, quarter) != Load::Loaded)
                continue;
            if (t.m_tile.isEmpty()) {
                t.m_tile = header.size();
                t.m_size = QSize(t.m_tile.width() * t.m_columns, t.m_tile.height() * t.m_rows);
                t.m_overview = QImage(t.m_size.width() / 4, t.m_size.height() / 4, QImage::Format_RGB32);
                if (t.m_overview.isNull()) {   // cannot hold even the overview
                    t.m_tile = t.m_size = QSize();
                    return t;
                }
                t.m_overview.fill(Qt::white);
                painter.begin(&t.m_overview);
                painter.setRenderHint(QPainter::SmoothPixmapTransform, true);
                sx = double(t.m_overview.width()) / t.m_size.width();
                sy = double(t.m_overview.height()) / t.m_size.height();
            }
            t.m_tileSizes[size_t(r) * size_t(t.m_columns) + size_t(c)] = header.size();
            const int x = c * t.m_tile.width();
            const int y = r * t.m_tile.height();
            if (x % 4 == 0 && y % 4 == 0 && sx == 0.25 && sy == 0.25
                && quarter.size() * 4 == header.size())
                painter.drawImage(QPoint(x / 4, y / 4), quarter);
            else
                painter.drawImage(QRectF(x * sx, y * sy, header.width * sx, header.height * sy), quarter);
        }
    }
    return t;
}

QImage TileComposition::render(const QRect &rect) const
{
    QImage out(rect.size(), QImage::Format_RGB32);
    if (out.isNull())
        return out;
    out.fill(Qt::white);
    const QRect inside = rect & QRect(QPoint(0, 0), m_size);
    if (inside.isEmpty())
        return out;

    QPainter painter(&out);
    painter.translate(-rect.topLeft());
    painter.setClipRect(inside);
    for (int r = 0; r < m_rows; ++r) {
        for (int c = 0; c < m_columns; ++c) {
            const size_t index = size_t(r) * size_t(m_columns) + size_t(c);
            const QSize tileSize = m_tileSizes[index];
            if (tileSize.isEmpty())
                continue;
            const QPoint at(c * m_tile.width(), r * m_tile.height());
            if (!QRect(at, tileSize).intersects(inside))
                continue;
            const QImage *tile = m_cache->find(int(index));
            if (!tile) {
                const QString path = store::tilePath(m_folder, m_c1 - 1 + c, m_r1 - 1 + r);
                jpeg::Header header;
                QImage image;
                if (loadTile(path, 1, header, image) != Load::Loaded)
                    continue;
                tile = &m_cache->add(int(index), std::move(image));
            }
            painter.drawImage(at, *tile);
        }
    }
    return out;
}

} // namespace printing
