#include "export/ExportRunner.h"

#include "export/TileBandDecoder.h"
#include "platform/Workers.h"
#include "store/TileStore.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QUuid>
#include <algorithm>
#include <cstdio>
#include <condition_variable>
#include <mutex>
#include <vector>

namespace exporting {
namespace {

// The decoding threads and the bands they fill. Tiles are taken in walking order; a tile
// of row r waits until band r % bands has been written for row r - bands.
class BandPipeline {
public:
    BandPipeline(const ExportPlan &plan, int bandCount, const std::atomic<bool> &cancel)
        : m_plan(plan), m_cancel(cancel), m_bandCount(bandCount), m_stride(qsizetype(plan.picture.width()) * 3)
    {
        const int rows = qMin(m_bandCount, plan.grid.height());
        m_bandCount = rows;
        m_bands.resize(size_t(rows));
        for (auto &band : m_bands)
            band.resize(size_t(m_stride) * size_t(plan.cell.height()));
        m_done.assign(size_t(rows), 0);
        m_failed.assign(size_t(plan.grid.width()) * size_t(plan.grid.height()), false);
    }

    void start(int threads) { m_team.start(threads, [this] { work(); }); }

    ~BandPipeline()
    {
        {
            std::lock_guard lock(m_mutex);
            m_stopping = true;
        }
        m_changed.notify_all();
        m_team.join();
    }

    // The band of `row` once all its tiles are in; null when cancelled first.
    const uchar *waitForRow(int row)
    {
        std::unique_lock lock(m_mutex);
        const int columns = m_plan.grid.width();
        while (m_done[size_t(row % m_bandCount)] < columns && !m_cancel)
            m_changed.wait_for(lock, std::chrono::milliseconds(50));
        return m_cancel ? nullptr : m_bands[size_t(row % m_bandCount)].data();
    }

    void release(int row)
    {
        {
            std::lock_guard lock(m_mutex);
            m_done[size_t(row % m_bandCount)] = 0;
            m_written = row + 1;
        }
        m_changed.notify_all();
    }

    qsizetype stride() const { return m_stride; }
    bool failed(int column, int row) const { return m_failed[size_t(row * m_plan.grid.width() + column)]; }

private:
    void work()
    {
        const int columns = m_plan.grid.width();
        const int total = columns * m_plan.grid.height();
        for (;;) {
            int index;
            {
                std::unique_lock lock(m_mutex);
                while (!m_stopping && !m_cancel && m_next < total && m_next / columns >= m_written + m_bandCount)
                    m_changed.wait_for(lock, std::chrono::milliseconds(50));
                if (m_stopping || m_cancel || m_next >= total)
                    return;
                index = m_next++;
            }
            const int column = index % columns, row = index / columns;
            BandCell cell;
            cell.band = m_bands[size_t(row % m_bandCount)].data();
            cell.stride = m_stride;
            cell.left = m_plan.cellLeft(column);
            cell.width = m_plan.cellWidth(column);
            cell.height = m_plan.bandHeight(row);
            bool ok = false;
            if (cell.width > 0) {
                if (m_plan.tileSize(column, row).isValid())
                    ok = decodeTileInto(m_plan.tilePath(column, row), cell);
                else
                    fillWhite(cell);
            }
            {
                std::lock_guard lock(m_mutex);
                m_failed[size_t(index)] = !ok && m_plan.tileSize(column, row).isValid();
                ++m_done[size_t(row % m_bandCount)];
            }
            m_changed.notify_all();
        }
    }

    const ExportPlan &m_plan;
    const std::atomic<bool> &m_cancel;
    int m_bandCount;
    qsizetype m_stride;
    std::vector<std::vector<uchar>> m_bands;
    std::vector<int> m_done;        // tiles in each band
    std::vector<bool> m_failed;     // present tiles that did not decode
    std::mutex m_mutex;
    std::condition_variable m_changed;
    int m_next = 0;
    int m_written = 0;              // rows of tiles handed to the writer
    bool m_stopping = false;
    workers::Team m_team;           // last: its threads end before the rest goes
};

QString temporaryPath(const QString &path)
{
    const QFileInfo info(path);
    return info.dir().filePath(QStringLiteral(".%1.%2.part")
                                   .arg(info.fileName(), QUuid::createUuid().toString(QUuid::Id128).left(8)));
}

} // namespace

QString writtenMessage(const QString &path, QSize picture, const QStringList &unreadable)
{
    QString text = QStringLiteral("Carte exportée dans le fichier %1 (%2 x %3 pixels).")
                       .arg(QDir::toNativeSeparators(path))
                       .arg(picture.width())
                       .arg(picture.height());
    if (!unreadable.isEmpty())
        text += QStringLiteral("\nImages manquantes ou illisibles, laissées en blanc : %1\n%2")
                    .arg(unreadable.size())
                    .arg(tileList(unreadable));
    return text;
}

ExportResult runExport(const ExportPlan &plan, const QString &path, Format format,
                       const std::atomic<bool> &cancel, const std::function<void(int, int)> &progress,
                       const ExportSettings &settings)
{
    ExportResult result;
    if (plan.empty()) {
        result.outcome = ExportResult::Refused;
        result.message = QStringLiteral("Aucune image de la carte n'est installée dans le dossier %1")
                             .arg(QDir::toNativeSeparators(plan.folder));
        return result;
    }
    if (format == Format::Jpeg
        && (plan.picture.width() > kJpegMaxSide || plan.picture.height() > kJpegMaxSide)) {
        result.outcome = ExportResult::Refused;
        result.message = jpegTooLargeMessage(plan.picture.width(), plan.picture.height());
        return result;
    }

    const QString temporary = temporaryPath(path);
    const auto failed = [&](ExportResult::Outcome outcome) {
        QFile::remove(temporary);
        result.outcome = outcome;
        result.message = outcome == ExportResult::Failed ? writeFailedMessage(QDir::toNativeSeparators(path))
                                                         : QString();
        return result;
    };

    std::unique_ptr<PictureWriter> writer = makeWriter(format, settings.writer);
    if (!writer->open(temporary, plan.picture)) {
        writer.reset();
        return failed(ExportResult::Failed);
    }
    const int threads = settings.threads > 0 ? settings.threads : workers::threadCount(16);
    const int rows = plan.grid.height();
    {
        BandPipeline pipeline(plan, qMax(2, settings.bands), cancel);
        pipeline.start(threads);
        for (int row = 0; row < rows && plan.bandTop(row) < plan.picture.height(); ++row) {
            const uchar *band = pipeline.waitForRow(row);
            if (!band) {
                writer.reset();
                return failed(ExportResult::Cancelled);
            }
            if (!writer->writeRows(band, plan.bandHeight(row), pipeline.stride())) {
                writer.reset();
                return failed(ExportResult::Failed);
            }
            pipeline.release(row);
            if (progress)
                progress(row + 1, rows);
        }
        // Missing and undecodable cells together, in walking order.
        for (int row = 0; row < rows; ++row)
            for (int column = 0; column < plan.grid.width(); ++column)
                if (!plan.tileSize(column, row).isValid() || pipeline.failed(column, row))
                    result.unreadable << store::tileFileName(column, row);
    }
    if (cancel) {
        writer.reset();
        return failed(ExportResult::Cancelled);
    }
    const bool finished = writer->finish();
    writer.reset();
    if (!finished)
        return failed(ExportResult::Failed);
    // The new file replaces an old one of the same name only now that it is whole.
    if (std::rename(QFile::encodeName(temporary).constData(), QFile::encodeName(path).constData()) != 0)
        return failed(ExportResult::Failed);
    result.outcome = ExportResult::Written;
    result.message = writtenMessage(path, plan.picture, result.unreadable);
    return result;
}

} // namespace exporting
