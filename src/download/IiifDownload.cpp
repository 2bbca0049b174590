#include "download/IiifDownload.h"
#include "download/IiifTexts.h"
#include "platform/Logging.h"
#include "store/TileStore.h"

#include <QFile>
#include <QUrl>

using download::RowState;

IiifDownload::IiifDownload(IiifFetcher &fetcher, QObject *parent) : QObject(parent), m_fetcher(fetcher)
{
    connect(&m_fetcher, &IiifFetcher::finished, this, &IiifDownload::onResult);
    connect(&m_fetcher, &IiifFetcher::received, this, [this](int id, qint64) {
        if (m_active && m_inFlight.contains(id))
            emit receiving(m_inFlight.value(id).row);
    });
    connect(&m_fetcher, &IiifFetcher::retrying, this, [this](int id, int seconds) {
        if (m_active && (id == m_infoRequest || m_inFlight.contains(id)))
            m_countdown.start(seconds);
    });
    connect(&m_countdown, &download::RetryCountdown::text, this, &IiifDownload::statusText);
    // One thread checks the received tiles, in the order they came.
    m_checker.setMaxThreadCount(1);
    m_checker.setExpiryTimeout(-1);
}

IiifDownload::~IiifDownload()
{
    cancel();
    m_checker.waitForDone();
}

QString IiifDownload::tilePath(int column, int row) const
{
    return store::tilePath(m_mapFolder, column, row);
}

void IiifDownload::start(const QString &imageBase, const download::TileRect &rect, const QString &mapFolder,
                         std::function<bool()> stopRequested)
{
    cancel();
    m_active = true;
    m_imageBase = imageBase;
    m_rect = rect;
    m_mapFolder = mapFolder;
    m_stopRequested = std::move(stopRequested);
    m_plan.reset();
    m_cursor = -1;
    m_streak.reset();
    m_capacity = m_fetcher.limitFor(QUrl(imageBase));
    emit statusText(QStringLiteral("Connexion au serveur IIIF"));
    m_infoRequest = m_fetcher.getBytes(imageBase + QStringLiteral("/info.json"), kMaxInfoBytes);
}

void IiifDownload::cancel()
{
    if (!m_active)
        return;
    m_active = false;
    ++m_generation;
    m_countdown.stop();
    m_fetcher.cancelAll();
    for (const Pending &p : std::as_const(m_inFlight))
        QFile::remove(p.partial);
    m_inFlight.clear();
    // A check under way ends on its own: its tile is installed whole or its file removed.
    m_checking.clear();
    m_infoRequest = 0;
}

void IiifDownload::abandonRows()
{
    QList<int> rows;
    for (const Pending &p : std::as_const(m_inFlight))
        rows << p.row;
    rows += m_checking.keys();
    std::sort(rows.begin(), rows.end());
    for (int row : rows)
        emit rowAbandoned(row);
}

void IiifDownload::stopNow()
{
    if (!m_active)
        return;
    abandonRows();
    cancel();
    emit ended(false);
}

void IiifDownload::endWithError(const QString &text)
{
    qCWarning(lcDownload) << "IIIF run of" << m_imageBase << "ends:" << text;
    abandonRows();
    cancel();
    emit statusText(text);
    emit ended(true);
}

void IiifDownload::onInfo(const IiifFetcher::Result &r)
{
    m_infoRequest = 0;
    m_countdown.stop();
    if (r.outcome == IiifFetcher::Outcome::HttpError)
        return endWithError(QStringLiteral("Description IIIF introuvable : ") + r.text);
    if (r.outcome != IiifFetcher::Outcome::Ok)
        return endWithError(iiif::requestFailureText(r, QStringLiteral("Connexion impossible au serveur IIIF : ")));
    QString why;
    const auto info = iiif::readImageInfo(r.body, &why);
    if (!info)
        return endWithError(QStringLiteral("Description IIIF illisible : ") + why);
    m_plan = iiif::planTiles(*info, iiif::tileBase(m_imageBase, r.finalUrl, *info), &why);
    if (!m_plan)
        return endWithError(QStringLiteral("Description IIIF illisible : ") + why);
    emit planned(QSize(m_plan->columns, m_plan->rows));
    emit statusText(QStringLiteral("Connecté au serveur IIIF"));
    pump();
}

void IiifDownload::pumpLater()
{
    // The next requests start from the event loop, after the row's handlers ran.
    QMetaObject::invokeMethod(this, &IiifDownload::pump, Qt::QueuedConnection);
}

// Issues requests in walking order until the server's share is in flight.
void IiifDownload::pump()
{
    // A tile being checked still holds its place: its row is settled before the next request.
    while (m_active && m_plan && m_inFlight.size() + m_checking.size() < m_capacity
           && !(m_stopRequested && m_stopRequested())) {
        if (m_cursor + 1 >= m_rect.count())
            break;
        const int row = ++m_cursor;
        const int column = m_rect.columnOf(row), gridRow = m_rect.rowOf(row);
        emit advanced(row);
        const QString code = store::tileCode(column, gridRow);
        const QString finalPath = tilePath(column, gridRow);
        if (store::fileExists(finalPath)) {
            emit rowDone(row, code, RowState::AlreadyInstalled, QString());
            continue;
        }
        if (!m_plan->contains(column, gridRow)) {
            emit rowDone(row, code, RowState::OutsidePicture, QString());
            continue;
        }
        const QString partial = store::TileWriter::reserveTemporary(finalPath);
        if (partial.isEmpty())
            return endWithError(QStringLiteral("Erreur d'écriture de l'image"));
        Pending p{row, column, gridRow, partial};
        const int id = m_fetcher.getFile(m_plan->tileUrl(column, gridRow), p.partial, store::kMaxTileBytes);
        m_inFlight.insert(id, p);
    }
    if (m_active && m_inFlight.isEmpty() && m_checking.isEmpty() && m_infoRequest == 0) {
        m_active = false;
        emit ended(false);
    }
}

void IiifDownload::onResult(const IiifFetcher::Result &r)
{
    if (!m_active)
        return;
    if (r.id == m_infoRequest)
        return onInfo(r);
    if (!m_inFlight.contains(r.id))
        return;
    m_countdown.stop();
    const Pending p = m_inFlight.take(r.id);
    switch (r.outcome) {
    case IiifFetcher::Outcome::Ok:
        startCheck(p, r.bytes);
        break;
    case IiifFetcher::Outcome::HttpError:
    case IiifFetcher::Outcome::TooLarge:
        refused(p, r.outcome == IiifFetcher::Outcome::TooLarge);
        break;
    default:
        return endWithError(iiif::requestFailureText(r, QStringLiteral("Connexion impossible au serveur IIIF : ")));
    }
    pumpLater();
}

// The same checks as every tile (whole on disk, decodable within the decoder's budget) and
// the size the plan asks for, on the worker thread; the row gets its state when it is done.
void IiifDownload::startCheck(const Pending &p, qint64 bytes)
{
    m_checking.insert(p.row, p);
    const quint64 generation = m_generation;
    const QString finalPath = tilePath(p.column, p.gridRow);
    const QSize expected = m_plan->tileSize(p.column, p.gridRow);
    m_checker.start([this, generation, p, finalPath, bytes, expected, plan = *m_plan] {
        store::TileWriter writer(finalPath);
        qint64 length = bytes;
        iiif::fitTileFile(plan, p.column, p.gridRow, p.partial, &length);
        const store::TileWriter::Result result = writer.install(p.partial, length, expected);
        // A call queued to a deleted run is dropped; the run waits for this thread before it goes.
        QMetaObject::invokeMethod(
            this, [this, generation, p, result] { onChecked(generation, p, result); }, Qt::QueuedConnection);
    });
}

void IiifDownload::onChecked(quint64 generation, const Pending &p, store::TileWriter::Result result)
{
    if (!m_active || generation != m_generation || !m_checking.remove(p.row))
        return;
    const QString code = store::tileCode(p.column, p.gridRow);
    switch (result) {
    case store::TileWriter::Result::Installed:
        m_streak.installed();
        emit rowDone(p.row, code, RowState::Downloaded, tilePath(p.column, p.gridRow));
        break;
    case store::TileWriter::Result::NotPicture:
        refused(p, false);
        break;
    case store::TileWriter::Result::WriteError:
        return endWithError(QStringLiteral("Erreur d'écriture de l'image"));
    }
    pumpLater();
}

void IiifDownload::refused(const Pending &p, bool cut)
{
    emit rowDone(p.row, store::tileCode(p.column, p.gridRow), RowState::Missing, QString());
    const auto verdict = m_streak.refused(cut);
    if (verdict != download::RefusalStreak::Verdict::GoOn)
        endWithError(download::RefusalStreak::text(verdict));
}
