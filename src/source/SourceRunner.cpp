#include "source/SourceRunner.h"
#include "source/FetcherTransport.h"
#include "platform/Logging.h"
#include "source/TileAssembly.h"
#include "store/TileStore.h"
#include "store/TileWriter.h"

#include <QUrl>
#include <algorithm>

using source::RowState;

namespace source {

SourceRunner::SourceRunner(PacedFetcher &fetcher, QObject *parent)
    : QObject(parent), m_fetcher(std::make_unique<FetcherTransport>(fetcher))
{
    connect(&m_countdown, &source::RetryCountdown::text, this, &SourceRunner::statusText);
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
    for (Transport *transport : std::as_const(m_attached))
        disconnect(transport, nullptr, this, nullptr);
    m_attached.clear();
}

QString SourceRunner::tilePath(TileId id) const
{
    return store::tilePath(m_mapFolder, id.column, id.row);
}

// The transport's results reach the runner while it is the run's.
void SourceRunner::attach(Transport &transport)
{
    if (m_attached.contains(&transport))
        return;
    m_attached.insert(&transport);
    Transport *t = &transport;
    connect(t, &Transport::finished, this, [this, t](const Transport::Result &r) {
        if (t == m_transport)
            onResult(r);
    });
    connect(t, &Transport::received, this, [this, t](int id, qint64) {
        if (t != m_transport || !m_active)
            return;
        // A plain picture read as its description may take long: it is progress too.
        if (id == m_descriptionRequest && id != 0)
            return m_deadline.start();
        if (!m_requests.contains(id))
            return;
        m_deadline.start();
        const Request request = m_requests.value(id);
        if (request.sharedUrl.isEmpty())
            return emit receiving(request.row);
        for (const Request &waiting : m_shared.value(request.sharedUrl).waiting)
            emit receiving(waiting.row);
    });
    connect(t, &Transport::retrying, this, [this, t](int id, int seconds) {
        if (t == m_transport && m_active && (id == m_descriptionRequest || m_requests.contains(id)))
            m_countdown.start(seconds);
    });
    connect(t, &QObject::destroyed, this, [this, t] {
        m_attached.remove(t);
        if (m_transport == t)
            m_transport = nullptr;
    });
}

void SourceRunner::begin(Transport &transport, const SourceAddress &address, const source::TileRect &rect,
                         const QString &mapFolder, std::function<bool()> stopRequested)
{
    cancel();
    attach(transport);
    m_transport = &transport;
    m_active = true;
    ++m_generation;
    m_address = address;
    m_rect = rect;
    m_mapFolder = mapFolder;
    m_stopRequested = std::move(stopRequested);
    m_source.reset();
    m_cursor = -1;
    m_asked = m_installed = m_failed = 0;
    m_cutLossless = m_cutReencoded = 0;
    m_firstFailure.clear();
    m_capacity = qMax(1, transport.limitFor(QUrl(address.url)));
    m_checksAhead = qMax(0, transport.checksAhead());
    m_deadline.start();
}

void SourceRunner::start(const SourceAddress &address, const source::TileRect &rect, const QString &mapFolder,
                         std::function<bool()> stopRequested)
{
    begin(*m_fetcher, address, rect, mapFolder, std::move(stopRequested));
    m_streak = source::RefusalStreak();
    emit statusText(QStringLiteral("Connexion au serveur ") + kindLabel(address.kind));
    m_descriptionRequest = m_transport->get(address.descriptionUrl(), address.descriptionLimit(), QString());
}

void SourceRunner::start(Transport &transport, std::unique_ptr<TileSource> source, const source::TileRect &rect,
                         const QString &mapFolder, std::function<bool()> stopRequested)
{
    begin(transport, SourceAddress{source->kind(), QString()}, rect, mapFolder, std::move(stopRequested));
    m_source = std::move(source);
    walk();
}

// The source is known: the walk starts.
void SourceRunner::walk()
{
    m_streak = source::RefusalStreak(m_source->everyTileExists());
    countSharedAnswers();
    pump();
}

void SourceRunner::cancel()
{
    if (!m_active)
        return;
    m_active = false;
    ++m_generation;
    m_deadline.stop();
    m_countdown.stop();
    if (m_transport)
        m_transport->cancelAll();
    m_requests.clear();
    // A tile being made on the worker ends on its own: installed whole or not at all.
    m_tiles.clear();
    m_shared.clear();
    m_ending.reset();
    m_descriptionRequest = 0;
}

// The rows of the tiles not settled when the run ends, in order: those whose tile was done
// say so, the others go back to waiting.
void SourceRunner::abandonRows()
{
    for (auto it = m_tiles.cbegin(); it != m_tiles.cend(); ++it) {
        const Tile &tile = it.value();
        const QString code = store::tileCode(tile.id.column, tile.id.row);
        if (tile.stage == Tile::Stage::Done && tile.result == store::TileWriter::Result::Installed)
            emit rowDone(it.key(), code, RowState::Downloaded, tilePath(tile.id));
        else if (tile.stage == Tile::Stage::Done && tile.result == store::TileWriter::Result::NotPicture)
            emit rowDone(it.key(), code, RowState::Missing, QString());
        else
            emit rowAbandoned(it.key());
    }
}

void SourceRunner::stopNow()
{
    if (!m_active)
        return;
    abandonRows();
    cancel();
    emit ended(RunOutcome::Stopped, QString());
}

void SourceRunner::finish(RunOutcome outcome, const QString &detail)
{
    // Tiles being checked while the next was asked for settle first; nothing more is asked.
    if (m_checksAhead > 0 && count(Tile::Stage::Making) > 0) {
        if (!m_ending) {
            m_ending.emplace(outcome, detail);
            m_deadline.stop();
            m_countdown.stop();
            if (m_transport)
                m_transport->cancelAll();
            m_requests.clear();
        }
        return;
    }
    const QString text = outcomeText(outcome, m_address.kind, detail);
    if (!text.isEmpty())
        qCWarning(lcDownload) << kindLabel(m_address.kind) << "run of" << m_address.url << "ends:" << text;
    abandonRows();
    cancel();
    emit ended(outcome, text);
}

namespace {

// The outcome of a request that ends the run; nothing when only its tile is lost.
std::optional<RunOutcome> runFailure(Transport::Outcome outcome)
{
    switch (outcome) {
    case PacedFetcher::Outcome::Ok:
    case PacedFetcher::Outcome::HttpError:
    case PacedFetcher::Outcome::TooLarge: return std::nullopt;
    case PacedFetcher::Outcome::CertificateRefused: return RunOutcome::CertificateRefused;
    case PacedFetcher::Outcome::TimedOut: return RunOutcome::TimedOut;
    case PacedFetcher::Outcome::FileError: return RunOutcome::WriteError;
    case PacedFetcher::Outcome::TooManyRedirects: return RunOutcome::TooManyRedirects;
    case PacedFetcher::Outcome::Refused: return RunOutcome::LibraryRefusal;
    case PacedFetcher::Outcome::NetworkError: break;
    }
    return RunOutcome::Unreachable;
}

} // namespace

void SourceRunner::onDescription(const Transport::Result &r)
{
    m_descriptionRequest = 0;
    if (r.outcome == Transport::Outcome::HttpError || r.outcome == Transport::Outcome::TooLarge)
        return finish(RunOutcome::DescriptionMissing, r.text);
    if (const auto failure = runFailure(r.outcome))
        return finish(*failure, r.text);
    QString why;
    m_source = makeSource(m_address, r.body, r.finalUrl, &why);
    if (!m_source)
        return finish(RunOutcome::DescriptionUnreadable, why);
    // A plain picture was its own description: the tiles are cut from it, not asked again.
    if (m_source->descriptionIsAnswer())
        m_descriptionAnswer = {m_address.descriptionUrl(), r.body};
    emit planned(m_source->grid());
    emit statusText(QStringLiteral("Connecté au serveur ") + kindLabel(m_address.kind));
    walk();
}

// The answers that more than one stored tile of the walk needs, and how many need each.
void SourceRunner::countSharedAnswers()
{
    m_shared.clear();
    QHash<QString, int> uses;
    for (int row = 0; row < m_rect.count(); ++row) {
        const TileId id{m_rect.columnOf(row), m_rect.rowOf(row)};
        if (!m_source->contains(id) || store::fileExists(tilePath(id)))
            continue;
        for (const TilePiece &piece : m_source->pieces(id))
            ++uses[piece.url];
    }
    for (auto it = uses.cbegin(); it != uses.cend(); ++it)
        if (it.value() > 1)
            m_shared[it.key()].uses = it.value();
    // The answer read with the description serves every tile that needs it, if any does.
    const auto [url, body] = std::exchange(m_descriptionAnswer, {});
    if (uses.value(url) > 0) {
        SharedAnswer &answer = m_shared[url];
        answer.uses = uses.value(url);
        answer.requested = answer.arrived = true;
        answer.answer.body = body;
    }
}

int SourceRunner::count(Tile::Stage stage) const
{
    return int(std::count_if(m_tiles.cbegin(), m_tiles.cend(), [stage](const Tile &t) { return t.stage == stage; }));
}

// Asks for stored tiles in walking order until the server's share is out (and, where tiles
// may wait for their check, until those wait too).
void SourceRunner::pump()
{
    while (m_active && !m_ending && count(Tile::Stage::Fetching) < m_capacity
           && m_tiles.size() < m_capacity + m_checksAhead && !(m_stopRequested && m_stopRequested())) {
        if (m_cursor + 1 >= m_rect.count())
            break;
        const int row = m_cursor + 1;
        const TileId id{m_rect.columnOf(row), m_rect.rowOf(row)};
        const bool installed = store::fileExists(tilePath(id));
        const bool outside = !installed && !m_source->contains(id);
        // Rows settle in the order of the walk: one that needs no request waits for those before.
        if ((installed || outside) && m_checksAhead > 0 && !m_tiles.isEmpty())
            break;
        m_cursor = row;
        emit advanced(row);
        const QString code = store::tileCode(id.column, id.row);
        if (installed) {
            emit rowDone(row, code, RowState::AlreadyInstalled, QString());
            continue;
        }
        if (outside) {
            emit rowDone(row, code, RowState::OutsidePicture, QString());
            continue;
        }
        Tile tile;
        tile.id = id;
        tile.pieces = m_source->pieces(id);
        tile.answers.resize(tile.pieces.size());
        tile.waiting = int(tile.pieces.size());
        ++m_asked;
        const QList<TilePiece> pieces = tile.pieces;
        m_tiles.insert(row, std::move(tile));
        m_deadline.start();
        for (int piece = 0; piece < int(pieces.size()) && m_active; ++piece)
            ask(row, piece, pieces[piece].url);
    }
    endIfDone();
}

// Asks for one piece of a stored tile; an answer shared with other tiles is asked once.
void SourceRunner::ask(int row, int piece, const QString &url)
{
    const auto shared = m_shared.find(url);
    if (shared == m_shared.end()) {
        m_requests.insert(m_transport->get(url, store::kMaxTileBytes, tilePath(m_tiles.value(row).id)),
                          Request{row, piece, {}});
        return;
    }
    if (shared->arrived)
        return deliver(row, piece, shared->answer);
    shared->waiting << Request{row, piece, {}};
    if (!shared->requested) {
        shared->requested = true;
        m_requests.insert(m_transport->get(url, store::kMaxTileBytes, QString()), Request{-1, 0, url});
    }
}

void SourceRunner::onResult(const Transport::Result &r)
{
    if (!m_active)
        return;
    if (r.id == m_descriptionRequest) {
        m_countdown.stop();
        return onDescription(r);
    }
    if (!m_requests.contains(r.id))
        return;
    m_countdown.stop();
    const Request request = m_requests.take(r.id);
    m_deadline.start();
    if (const auto failure = runFailure(r.outcome))
        return finish(*failure, r.text);
    Answer answer;
    if (r.outcome == Transport::Outcome::Ok) {
        answer.body = r.body;
        answer.file = r.file;
        answer.fileBytes = r.bytes;
    } else {
        answer.failure = r.text.isEmpty() ? QStringLiteral("HTTP %1").arg(r.status) : r.text;
        answer.cut = r.outcome == Transport::Outcome::TooLarge;
    }
    if (request.sharedUrl.isEmpty())
        return deliver(request.row, request.piece, answer);
    const auto shared = m_shared.find(request.sharedUrl);
    if (shared == m_shared.end())
        return;
    shared->arrived = true;
    shared->answer = answer;
    const QList<Request> waiting = std::exchange(shared->waiting, {});
    for (const Request &w : waiting) {
        if (!m_active)
            return;
        deliver(w.row, w.piece, answer);
    }
}

void SourceRunner::deliver(int row, int piece, const Answer &answer)
{
    const auto it = m_tiles.find(row);
    if (it == m_tiles.end())
        return;
    if (answer.failure.isEmpty()) {
        it->answers[piece] = answer.body;
        it->file = answer.file;
        it->fileBytes = answer.fileBytes;
    } else {
        if (it->failure.isEmpty())
            it->failure = answer.failure;
        it->cut = it->cut || answer.cut;
    }
    if (--it->waiting == 0)
        assemble(row);
}

// Assembles and writes the stored tile on the worker thread; its row is settled from the
// event loop when that is done.
void SourceRunner::assemble(int row)
{
    Tile &tile = m_tiles[row];
    if (!tile.failure.isEmpty()) {
        const QString why = tile.failure;
        return done(row, store::TileWriter::Result::NotPicture, why);
    }
    if (m_source->storesAnswersAsIs())
        return install(row);
    const QSize size = m_source->tileSize(tile.id);
    const QList<TilePiece> pieces = tile.pieces;
    const QList<QByteArray> answers = std::move(tile.answers);
    tile.answers.clear();
    const QString finalPath = tilePath(tile.id);
    const int rotation = m_source->rotation();
    onWorker(row, [size, pieces, answers, finalPath, rotation] {
        QByteArray bytes;
        QString why;
        TileMaking making = TileMaking::AsIs;
        store::TileWriter::Result result = store::TileWriter::Result::NotPicture;
        if (assembleTile(size, pieces, answers, &bytes, &why, &making, rotation)) {
            store::TileWriter writer(finalPath);
            result = writer.open() && writer.write(bytes) ? writer.commit() : store::TileWriter::Result::WriteError;
            if (result == store::TileWriter::Result::NotPicture)
                why = writer.pictureStatus().message();
        }
        return WorkerResult{result, why, making};
    });
}

// Checks the answer streamed to its temporary file and gives it the tile's name, on the
// worker thread; the row is settled from the event loop when that is done.
void SourceRunner::install(int row)
{
    Tile &tile = m_tiles[row];
    const QString temporary = std::exchange(tile.file, {});
    const qint64 bytes = tile.fileBytes;
    const QString finalPath = tilePath(tile.id);
    onWorker(row, [temporary, bytes, finalPath] {
        store::TileWriter writer(finalPath);
        const store::TileWriter::Result result = writer.install(temporary, bytes);
        return WorkerResult{result, result == store::TileWriter::Result::NotPicture ? writer.pictureStatus().message()
                                                                                     : QString()};
    });
}

// Runs `job` for the row's tile on the worker thread; the row is settled from the event loop
// with its result, unless the run ended meanwhile.
void SourceRunner::onWorker(int row, std::function<WorkerResult()> job)
{
    m_tiles[row].stage = Tile::Stage::Making;
    const int generation = m_generation;
    // The next tile may be asked for while this one is checked (queued before the check can
    // end, so the request goes first).
    if (m_checksAhead > 0)
        QMetaObject::invokeMethod(
            this,
            [this, generation] {
                if (m_active && generation == m_generation)
                    pump();
            },
            Qt::QueuedConnection);
    m_worker.start([this, generation, row, job = std::move(job)] {
        const WorkerResult done = job();
        // A call queued to a deleted runner is dropped; the runner waits for this thread.
        QMetaObject::invokeMethod(
            this,
            [this, generation, row, done] {
                if (!m_active || generation != m_generation)
                    return;
                if (done.result == store::TileWriter::Result::Installed && m_source->cutsWholePicture())
                    tellCut(done.making);
                this->done(row, done.result, done.why);
            },
            Qt::QueuedConnection);
    });
}

// The tile's result is known. Its row settles now, or, where tiles are checked while the
// next are asked for, once the rows before it have; an end waiting for the checks comes then.
void SourceRunner::done(int row, store::TileWriter::Result result, const QString &why)
{
    const auto it = m_tiles.find(row);
    if (it == m_tiles.end())
        return;
    it->stage = Tile::Stage::Done;
    it->result = result;
    it->why = why;
    if (m_checksAhead == 0)
        return settle(row);
    while (m_active && !m_tiles.isEmpty() && m_tiles.first().stage == Tile::Stage::Done)
        settle(m_tiles.firstKey());
    if (m_active && m_ending && count(Tile::Stage::Making) == 0) {
        const auto [outcome, detail] = *m_ending;
        finish(outcome, detail);
    }
}

// The stored tile no longer needs its shared answers: the last tile to need one lets it go.
void SourceRunner::release(const Tile &tile)
{
    for (const TilePiece &piece : tile.pieces) {
        const auto shared = m_shared.find(piece.url);
        if (shared != m_shared.end() && --shared->uses <= 0)
            m_shared.erase(shared);
    }
}

// The status says how the whole picture is cut, when that changes.
void SourceRunner::tellCut(TileMaking making)
{
    const bool before = m_cutReencoded > 0, first = m_cutLossless + m_cutReencoded == 0;
    ++(making == TileMaking::Reencoded ? m_cutReencoded : m_cutLossless);
    if (first || before != (m_cutReencoded > 0))
        emit statusText(QStringLiteral("Connecté au serveur ") + kindLabel(m_address.kind)
                        + (m_cutReencoded > 0 ? QStringLiteral(", découpe avec réencodage")
                                              : QStringLiteral(", découpe sans perte")));
}

void SourceRunner::settle(int row)
{
    const Tile tile = m_tiles.take(row);
    const store::TileWriter::Result result = tile.result;
    const QString &why = tile.why;
    release(tile);
    const QString code = store::tileCode(tile.id.column, tile.id.row);
    switch (result) {
    case store::TileWriter::Result::Installed:
        ++m_installed;
        m_streak.installed();
        emit rowDone(row, code, RowState::Downloaded, tilePath(tile.id));
        break;
    case store::TileWriter::Result::NotPicture: {
        ++m_failed;
        if (m_firstFailure.isEmpty())
            m_firstFailure = code + QStringLiteral(" : ") + why;
        qCWarning(lcDownload) << "tile" << code << "of" << m_address.url << "not installed:" << why;
        emit rowDone(row, code, RowState::Missing, QString());
        if (!m_active)
            return;
        const auto verdict = m_streak.refused(tile.cut);
        if (verdict == source::RefusalStreak::Verdict::TooManyCut)
            return finish(RunOutcome::TooManyCut);
        if (verdict == source::RefusalStreak::Verdict::TooManyFailures)
            return finish(RunOutcome::TooManyRefused);
        break;
    }
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
    if (m_source->everyTileExists() && m_asked > 0 && m_installed == 0 && m_failed == m_asked)
        return finish(RunOutcome::NothingInstalled,
                      QStringLiteral("%1 en échec, la première %2").arg(m_failed).arg(m_firstFailure));
    finish(RunOutcome::Completed);
}

} // namespace source
