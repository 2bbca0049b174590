#include "render/Mosaic.h"
#include "imaging/Jpeg.h"
#include "platform/Logging.h"
#include "platform/Workers.h"
#include "store/TileRepair.h"
#include "store/TileStore.h"

#include <QDir>
#include <QPainter>
#include <QSet>

#include <algorithm>
#include <atomic>
#include <functional>
#include <optional>
#include <thread>
#include <vector>

namespace render {
namespace {

int cacheKey(int column, int row, int shrink)
{
    return Mosaic::index(column, row) * 16 + shrink;
}

// Tiles are decoded side by side on up to four threads; a handful on this one alone.
void sideBySide(int count, const std::function<void(int)> &work)
{
    workers::forEach(count, count < 4 ? 1 : workers::threadCount(4), work);
}

} // namespace

Mosaic::Mosaic(const QString &mapFolder) : m_folder(mapFolder), m_repair(lcRender) {}

QString Mosaic::tilePath(int column, int row) const
{
    return store::tilePath(m_folder, column, row);
}

Mosaic::Scan Mosaic::measure()
{
    return measure(QRect(0, 0, store::kGridSide, store::kGridSide));
}

Mosaic::Scan Mosaic::measure(const QRect &cells, bool stopAtUnopenable)
{
    Scan scan;
    m_tiles.fill(Tile{});
    m_cellSize = QSize();
    clearCache();

    // One listing of the folder instead of 676 probes.
    const QDir dir(m_folder);
    const QStringList names =
        dir.exists() ? dir.entryList({QStringLiteral("MAXI_??.jpg")},
                                     QDir::Files | QDir::Hidden | QDir::System | QDir::CaseSensitive)
                     : QStringList();
    const QSet<QString> existing(names.begin(), names.end());

    // The headers are read side by side; what they mean is decided below in walking order.
    using Verdict = store::TileRepair::Verdict;
    struct Probe {
        QString native;
        std::optional<Verdict> found;   // none: no file
        jpeg::Header header;
    };
    std::vector<Probe> probes(store::kTileCount);
    for (int i = 0; i < store::kTileCount; ++i) {
        const int column = store::walkColumn(i), row = store::walkRow(i);
        if (cells.contains(column, row) && existing.contains(store::tileFileName(column, row)))
            probes[size_t(i)].native = tilePath(column, row);
    }
    sideBySide(store::kTileCount, [&](int i) {
        Probe &probe = probes[size_t(i)];
        if (!probe.native.isEmpty())
            probe.found = store::TileRepair::ofHeader(jpeg::readHeaderFromFile(probe.native, probe.header), probe.header);
    });

    store::TileRepair repair(lcRender);
    const auto done = [&] {
        scan.deleted = repair.takeDeleted();
        scan.renamed = repair.takeRenamed();
        return scan;
    };
    for (int i = 0; i < store::kTileCount; ++i) {
        const int column = store::walkColumn(i), row = store::walkRow(i);
        const Probe &probe = probes[size_t(i)];
        if (!probe.found)
            continue;
        switch (*probe.found) {
        case Verdict::Unopenable:
            if (scan.unopenable.isEmpty())
                scan.unopenable = tilePath(column, row);
            if (stopAtUnopenable)
                return done();
            break;
        case Verdict::Damaged:
            repair.repairHeader(tilePath(column, row));
            break;
        case Verdict::Undecodable:
            break;
        case Verdict::Readable:
            m_tiles[index(column, row)] = Tile{true, probe.header.size()};
            m_cellSize = probe.header.size();
            break;
        }
    }
    return done();
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
            if (column >= 0 && column < store::kGridSide && row >= 0 && row < store::kGridSide && tile(column, row).present)
                return tile(column, row).size;
    return {};
}

QImage Mosaic::decode(int column, int row, int shrink)
{
    if (!tile(column, row).present)
        return {};
    QImage image;
    const jpeg::Status status = jpeg::decodeFile(tilePath(column, row), image, shrink);
    if (status.ok())
        return image;
    failed(column, row, status);
    return {};
}

void Mosaic::forget(int column, int row)
{
    m_tiles[index(column, row)] = Tile{};
    for (int shrink : {1, 2, 4, 8})
        m_cache.erase(cacheKey(column, row, shrink));
}

bool Mosaic::covers(int key, const QRect &needed) const
{
    const auto it = m_cache.find(key);
    if (it == m_cache.end())
        return false;
    return needed.isNull() ? it->second.valid == it->second.image.rect() : it->second.valid.contains(needed);
}

QImage Mosaic::tileImage(int column, int row, int shrink)
{
    return tileImage(column, row, shrink, QRect());
}

QImage Mosaic::tileImage(int column, int row, int shrink, const QRect &needed)
{
    if (column < 0 || column >= store::kGridSide || row < 0 || row >= store::kGridSide || !tile(column, row).present)
        return {};
    const int key = cacheKey(column, row, shrink);
    if (covers(key, needed))
        return m_cache.at(key).image;
    // A tile seen in part before is decoded whole the second time: panning over it then
    // costs no further decode.
    std::vector<Job> jobs{{column, row, shrink, {}, m_cache.count(key) ? QRect() : needed, {}, {}, {}}};
    decodeJobs(jobs);
    keep(jobs.front());
    return jobs.front().image;
}

void Mosaic::keep(const Job &job)
{
    if (!job.image.isNull())
        m_cache.insert_or_assign(cacheKey(job.column, job.row, job.shrink), Cached{job.image, job.decoded});
}

QImage Mosaic::cachedImage(int column, int row, int shrink) const
{
    if (column < 0 || column >= store::kGridSide || row < 0 || row >= store::kGridSide)
        return {};
    const auto it = m_cache.find(cacheKey(column, row, shrink));
    return it == m_cache.end() ? QImage() : it->second.image;
}

QImage Mosaic::decodeCovering(int column, int row, QSize target)
{
    const Tile &t = tile(column, row);
    if (!t.present)
        return {};
    return decode(column, row, jpeg::coveringScale(t.size, target));
}

void Mosaic::decodeJobs(std::vector<Job> &jobs, const std::function<void(Job &)> &done)
{
    std::vector<QString> files;
    files.reserve(jobs.size());
    for (const Job &job : jobs)
        files.push_back(tilePath(job.column, job.row));
    // Tiles are independent: they are decoded side by side on worker threads, each into
    // its own picture. Everything else (cache, deletions) stays on this thread.
    sideBySide(int(jobs.size()), [&](int i) {
        Job &job = jobs[size_t(i)];
        if (job.region.isNull()) {
            job.status = jpeg::decodeFile(files[size_t(i)], job.image, job.shrink);
            job.decoded = job.image.rect();
        } else {
            job.status = jpeg::decodeFileRegion(files[size_t(i)], job.image, job.region, job.decoded, job.shrink);
        }
        if (job.status.ok() && job.scaleTo.isValid() && job.image.size() != job.scaleTo)
            job.image = job.image.scaled(job.scaleTo, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        if (done)
            done(job);
    });
    for (Job &job : jobs) {
        if (job.status.ok())
            continue;
        job.image = QImage();
        failed(job.column, job.row, job.status);
    }
}

void Mosaic::failed(int column, int row, const jpeg::Status &status)
{
    // A tile whose picture data is damaged is removed, like one whose header fails; a tile
    // that this machine could not decode now (short of memory) stays for the next time.
    m_repair.repairDecode(tilePath(column, row), status);
    forget(column, row);
}

void Mosaic::decodeCells(const QRect &cells, int shrink,
                         const std::function<void(int column, int row, const QImage &picture)> &deliver,
                         const std::function<void(int tiles)> &progress)
{
    const QRect grid = cells.intersected(QRect(0, 0, store::kGridSide, store::kGridSide));
    std::vector<Job> jobs;
    int fromCache = 0;
    for (int row = grid.top(); row <= grid.bottom(); ++row)
        for (int column = grid.left(); column <= grid.right(); ++column) {
            if (!tile(column, row).present)
                continue;
            const int key = cacheKey(column, row, shrink);
            if (covers(key, QRect())) {
                deliver(column, row, m_cache.at(key).image);
                ++fromCache;
            } else {
                jobs.push_back({column, row, shrink, {}, {}, {}, {}, {}});
            }
        }
    // Progress is told on this thread only, between the tiles it decodes itself, from the
    // count of all threads: no thread waits for it.
    const std::thread::id caller = std::this_thread::get_id();
    std::atomic<int> dealt{fromCache};
    int told = 0;
    const auto tell = [&] {
        const int now = dealt;
        if (progress && now > told)
            progress(now - told);
        told = now;
    };
    decodeJobs(jobs, [&](Job &job) {
        if (job.status.ok())
            deliver(job.column, job.row, job.image);
        job.image = QImage();
        ++dealt;
        if (std::this_thread::get_id() == caller)
            tell();
    });
    tell();
}

void Mosaic::preload(const QRect &cells, int shrink)
{
    std::vector<Job> jobs;
    const QRect grid = cells.intersected(QRect(0, 0, store::kGridSide, store::kGridSide));
    for (int row = grid.top(); row <= grid.bottom(); ++row)
        for (int column = grid.left(); column <= grid.right(); ++column)
            if (tile(column, row).present && !covers(cacheKey(column, row, shrink), QRect()))
                jobs.push_back({column, row, shrink, {}, {}, {}, {}, {}});
    decodeJobs(jobs);
    for (const Job &job : jobs)
        keep(job);
}

void Mosaic::preloadVisible(const Placement &p, const QRect &area)
{
    std::vector<Job> jobs;
    const QRect cells = p.cells.intersected(QRect(0, 0, store::kGridSide, store::kGridSide));
    for (int row = cells.top(); row <= cells.bottom(); ++row)
        for (int column = cells.left(); column <= cells.right(); ++column) {
            if (!tile(column, row).present)
                continue;
            const QRect cell(p.origin.x() + (column - p.cells.left()) * p.pitch.width(),
                             p.origin.y() + (row - p.cells.top()) * p.pitch.height(), p.pitch.width(),
                             p.pitch.height());
            const QRect needed = cell.intersected(area).translated(-cell.topLeft());
            if (needed.isEmpty())
                continue;
            const int key = cacheKey(column, row, p.shrink);
            if (!covers(key, needed))
                jobs.push_back({column, row, p.shrink, {}, m_cache.count(key) ? QRect() : needed, {}, {}, {}});
        }
    decodeJobs(jobs);
    for (const Job &job : jobs)
        keep(job);
}

std::vector<QImage> Mosaic::decodeStretched(const QRect &cells, QSize target)
{
    std::vector<Job> jobs;
    std::vector<QImage> pictures;
    if (target.isEmpty())
        return pictures;
    const QRect grid = cells.intersected(QRect(0, 0, store::kGridSide, store::kGridSide));
    for (int row = grid.top(); row <= grid.bottom(); ++row)
        for (int column = grid.left(); column <= grid.right(); ++column)
            if (tile(column, row).present)
                jobs.push_back({column, row, jpeg::coveringScale(tile(column, row).size, target), target, {}, {}, {}, {}});
    decodeJobs(jobs);
    pictures.resize(size_t(grid.width() * grid.height()));
    for (Job &job : jobs)
        pictures[size_t((job.row - grid.top()) * grid.width() + job.column - grid.left())] = std::move(job.image);
    return pictures;
}

int Mosaic::render(QImage &target, QPoint targetOrigin, const Placement &p)
{
    if (p.pitch.width() <= 0 || p.pitch.height() <= 0 || target.isNull())
        return 0;
    const QRect area(targetOrigin, target.size());
    const QRect cells = p.cells.intersected(QRect(0, 0, store::kGridSide, store::kGridSide));
    const auto cellRect = [&](int column, int row) {
        return QRect(p.origin.x() + (column - p.cells.left()) * p.pitch.width(),
                     p.origin.y() + (row - p.cells.top()) * p.pitch.height(), p.pitch.width(), p.pitch.height());
    };

    // Row by row: the tiles of a row that this rendering needs and does not have are
    // decoded together, drawn, and (unless kept) let go before the next row.
    int drawn = 0;
    QPainter painter(&target);
    painter.setRenderHint(QPainter::SmoothPixmapTransform, true);
    for (int row = cells.top(); row <= cells.bottom(); ++row) {
        std::vector<Job> jobs;
        for (int column = cells.left(); column <= cells.right(); ++column) {
            if (!tile(column, row).present || !cellRect(column, row).intersects(area))
                continue;
            const int shrink = p.stretch ? jpeg::coveringScale(tile(column, row).size, p.pitch) : p.shrink;
            if (!p.keepDecoded || !covers(cacheKey(column, row, shrink), QRect()))
                jobs.push_back({column, row, shrink, {}, {}, {}, {}, {}});
        }
        decodeJobs(jobs);
        std::unordered_map<int, QImage> fresh;
        for (Job &job : jobs) {
            if (job.image.isNull())
                continue;
            if (p.keepDecoded)
                keep(job);
            fresh.emplace(cacheKey(job.column, job.row, job.shrink), std::move(job.image));
        }

        for (int column = cells.left(); column <= cells.right(); ++column) {
            const QRect cell = cellRect(column, row);
            const QRect visible = cell.intersected(area);
            if (visible.isEmpty() || !tile(column, row).present)
                continue;
            const int shrink = p.stretch ? jpeg::coveringScale(tile(column, row).size, p.pitch) : p.shrink;
            const auto it = fresh.find(cacheKey(column, row, shrink));
            QImage image = it != fresh.end() ? it->second : cachedImage(column, row, shrink);
            if (image.isNull())
                continue;
            if (p.stretch && image.size() != p.pitch)
                image = image.scaled(p.pitch, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
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
        if (keep.contains(i % store::kGridSide, i / store::kGridSide))
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
    for (const auto &[key, cached] : m_cache)
        bytes += cached.image.sizeInBytes();
    return bytes;
}

QString Mosaic::takeKeptFailure()
{
    return m_repair.takeKeptFailure();
}

QStringList Mosaic::takeDeletedWhileRendering()
{
    return m_repair.takeDeleted();
}

} // namespace render
