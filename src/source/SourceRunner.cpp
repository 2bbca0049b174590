#include "source/SourceRunner.h"
#include "platform/Logging.h"
#include "source/TileAssembly.h"
#include "store/TileStore.h"

#include <QFile>
#include <QUrl>

using download::RowState;

namespace source {

SourceRunner::SourceRunner(IiifFetcher &fetcher, QObject *parent) : QObject(parent), m_fetcher(fetcher)
{
    connect(&m_fetcher, &IiifFetcher::finished, this, &SourceRunner::onResult);
    connect(&m_fetcher, &IiifFetcher::received, this, [this](int id, qint64) {
        if (m_active && m_requests.contains(id)) {
            m_deadline.start();
            emit receiving(m_requests.value(id).row);
        }
    });
    m_deadline.setSingleShot(true);
    m_deadline.setInterval(kDefaultDeadlineMs);
    connect(&m_deadline, &QTimer::timeout, this, [this] {
        if (m_active && (m_descriptionRequest != 0 || !m_requests.isEmpty()))
            finish(RunOutcome::TimedOut);
    });
    // One thread assembles and writes the stored tiles, in the order they are complete.
    m_worker.setMaxThreadCount(1);
    m_worker.setExpiryTimeout(-1);
}

SourceRunner::~SourceRunner()
{
    cancel();
    m_worker.waitForDone();
}

QString SourceRunner::tilePath(TileId id) const
{
    return store::tilePath(m_mapFolder, id.column, id.row);
}

void SourceRunner::start(const SourceAddress &address, const download::TileRect &rect, const QString &mapFolder,
                         std::function<bool()> stopRequested)
{
    cancel();
    m_active = true;
    ++m_generation;
    m_address = address;
    m_rect = rect;
    m_mapFolder = mapFolder;
    m_stopRequested = std::move(stopRequested);
    m_source.reset();
    m_cursor = -1;
    m_asked = m_installed = m_failed = 0;
    m_firstFailure.clear();
    m_capacity = qMax(1, m_fetcher.limitFor(QUrl(address.url)));
    emit statusText(QStringLiteral("Connexion au serveur ") + kindLabel(address.kind));
    m_deadline.start();
    m_descriptionRequest = m_fetcher.getBytes(address.descriptionUrl(), kMaxDescriptionBytes);
}

void SourceRunner::cancel()
{
    if (!m_active)
        return;
    m_active = false;
    ++m_generation;
    m_deadline.stop();
    m_fetcher.cancelAll();
    m_requests.clear();
    m_tiles.clear();
    m_descriptionRequest = 0;
}

void SourceRunner::finish(RunOutcome outcome, const QString &detail)
{
    const QString text = outcomeText(outcome, detail);
    if (!text.isEmpty())
        qCWarning(lcDownload) << kindLabel(m_address.kind) << "run of" << m_address.url << "ends:" << text;
    cancel();
    emit ended(outcome, text);
}

namespace {

// The outcome of a request that ends the run; nothing when only its tile is lost.
std::optional<RunOutcome> runFailure(IiifFetcher::Outcome outcome)
{
    switch (outcome) {
    case IiifFetcher::Outcome::Ok:
    case IiifFetcher::Outcome::HttpError:
    case IiifFetcher::Outcome::TooLarge: return std::nullopt;
    case IiifFetcher::Outcome::CertificateRefused: return RunOutcome::CertificateRefused;
    case IiifFetcher::Outcome::TimedOut: return RunOutcome::TimedOut;
    case IiifFetcher::Outcome::FileError: return RunOutcome::WriteError;
    case IiifFetcher::Outcome::NetworkError: break;
    }
    return RunOutcome::Unreachable;
}

} // namespace

void SourceRunner::onDescription(const IiifFetcher::Result &r)
{
    m_descriptionRequest = 0;
    if (r.outcome == IiifFetcher::Outcome::HttpError || r.outcome == IiifFetcher::Outcome::TooLarge)
        return finish(RunOutcome::DescriptionMissing, r.text);
    if (const auto failure = runFailure(r.outcome))
        return finish(*failure, r.text);
    QString why;
    m_source = makeSource(m_address, r.body, &why);
    if (!m_source)
        return finish(RunOutcome::DescriptionUnreadable, why);
    emit planned(m_source->grid());
    emit statusText(QStringLiteral("Connecté au serveur ") + kindLabel(m_address.kind));
    pump();
}

// Asks for stored tiles in walking order until the server's share is out.
void SourceRunner::pump()
{
    while (m_active && m_tiles.size() < m_capacity && !(m_stopRequested && m_stopRequested())) {
        if (m_cursor + 1 >= m_rect.count())
            break;
        const int row = ++m_cursor;
        const TileId id{m_rect.columnOf(row), m_rect.rowOf(row)};
        emit advanced(row);
        const QString code = store::tileCode(id.column, id.row);
        if (store::fileExists(tilePath(id))) {
            emit rowDone(row, code, RowState::AlreadyInstalled, QString());
            continue;
        }
        if (!m_source->contains(id)) {
            emit rowDone(row, code, RowState::OutsidePicture, QString());
            continue;
        }
        Tile tile;
        tile.id = id;
        tile.pieces = m_source->pieces(id);
        tile.answers.resize(tile.pieces.size());
        tile.waiting = int(tile.pieces.size());
        ++m_asked;
        m_tiles.insert(row, tile);
        m_deadline.start();
        for (int piece = 0; piece < int(tile.pieces.size()); ++piece)
            m_requests.insert(m_fetcher.getBytes(tile.pieces[piece].url, store::kMaxTileBytes), Request{row, piece});
    }
    endIfDone();
}

void SourceRunner::onResult(const IiifFetcher::Result &r)
{
    if (!m_active)
        return;
    if (r.id == m_descriptionRequest)
        return onDescription(r);
    if (!m_requests.contains(r.id))
        return;
    const Request request = m_requests.take(r.id);
    m_deadline.start();
    if (const auto failure = runFailure(r.outcome))
        return finish(*failure, r.text);
    const int row = request.row;
    Tile &tile = m_tiles[row];
    if (r.outcome == IiifFetcher::Outcome::Ok) {
        tile.answers[request.piece] = r.body;
    } else if (tile.failure.isEmpty()) {
        tile.failure = r.text.isEmpty() ? QStringLiteral("HTTP %1").arg(r.status) : r.text;
    }
    if (--tile.waiting == 0)
        assemble(row);
}

// Assembles and writes the stored tile on the worker thread; its row is settled from the
// event loop when that is done.
void SourceRunner::assemble(int row)
{
    Tile &tile = m_tiles[row];
    if (!tile.failure.isEmpty()) {
        const QString why = tile.failure;
        return settle(row, store::TileWriter::Result::NotPicture, why);
    }
    const QSize size = m_source->tileSize(tile.id);
    const QList<TilePiece> pieces = tile.pieces;
    const QList<QByteArray> answers = std::move(tile.answers);
    tile.answers.clear();
    const QString finalPath = tilePath(tile.id);
    const int generation = m_generation;
    m_worker.start([this, size, pieces, answers, finalPath, generation, row] {
        QByteArray bytes;
        QString why;
        store::TileWriter::Result result = store::TileWriter::Result::NotPicture;
        if (assembleTile(size, pieces, answers, &bytes, &why)) {
            store::TileWriter writer(finalPath);
            result = writer.open() && writer.write(bytes) ? writer.commit() : store::TileWriter::Result::WriteError;
            if (result == store::TileWriter::Result::NotPicture)
                why = writer.pictureStatus().message();
        }
        // A call queued to a deleted runner is dropped; the runner waits for this thread.
        QMetaObject::invokeMethod(
            this,
            [this, generation, row, result, why] {
                if (m_active && generation == m_generation)
                    settle(row, result, why);
            },
            Qt::QueuedConnection);
    });
}

void SourceRunner::settle(int row, store::TileWriter::Result result, const QString &why)
{
    const Tile tile = m_tiles.take(row);
    const QString code = store::tileCode(tile.id.column, tile.id.row);
    switch (result) {
    case store::TileWriter::Result::Installed:
        ++m_installed;
        emit rowDone(row, code, RowState::Downloaded, tilePath(tile.id));
        break;
    case store::TileWriter::Result::NotPicture:
        ++m_failed;
        if (m_firstFailure.isEmpty())
            m_firstFailure = code + QStringLiteral(" : ") + why;
        qCWarning(lcDownload) << "tile" << code << "of" << m_address.url << "not installed:" << why;
        emit rowDone(row, code, RowState::Missing, QString());
        break;
    case store::TileWriter::Result::WriteError:
        return finish(RunOutcome::WriteError);
    }
    // The next requests start from the event loop, after the row's handlers ran.
    QMetaObject::invokeMethod(
        this,
        [this, generation = m_generation] {
            if (m_active && generation == m_generation)
                pump();
        },
        Qt::QueuedConnection);
}

void SourceRunner::endIfDone()
{
    if (!m_active || !m_tiles.isEmpty())
        return;
    const bool stopped = m_stopRequested && m_stopRequested();
    if (!stopped && m_cursor + 1 < m_rect.count())
        return;
    if (stopped)
        return finish(RunOutcome::Stopped);
    if (m_asked > 0 && m_installed == 0 && m_failed == m_asked)
        return finish(RunOutcome::NothingInstalled,
                      QStringLiteral("%1 en échec, la première %2").arg(m_failed).arg(m_firstFailure));
    finish(RunOutcome::Completed);
}

} // namespace source
