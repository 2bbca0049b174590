#include "download/IiifDownload.h"
#include "imaging/Jpeg.h"
#include "platform/Logging.h"
#include "store/TileStore.h"
#include "store/TileWriter.h"

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
}

IiifDownload::~IiifDownload()
{
    cancel();
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
    m_capacity = m_fetcher.limitFor(QUrl(imageBase));
    emit statusText(QStringLiteral("Connexion au serveur IIIF"));
    m_infoRequest = m_fetcher.getBytes(imageBase + QStringLiteral("/info.json"), kMaxInfoBytes);
}

void IiifDownload::cancel()
{
    if (!m_active)
        return;
    m_active = false;
    m_fetcher.cancelAll();
    for (const Pending &p : std::as_const(m_inFlight))
        QFile::remove(p.partial);
    m_inFlight.clear();
    m_infoRequest = 0;
}

void IiifDownload::endWithError(const QString &text)
{
    qCWarning(lcDownload) << "IIIF run of" << m_imageBase << "ends:" << text;
    cancel();
    emit statusText(text);
    emit ended(true);
}

static QString failureText(const IiifFetcher::Result &r)
{
    if (r.outcome == IiifFetcher::Outcome::Refused)
        return r.text;
    if (r.outcome == IiifFetcher::Outcome::CertificateRefused)
        return IiifFetcher::certificateRefusal(r.text);
    if (r.outcome == IiifFetcher::Outcome::FileError)
        return QStringLiteral("Erreur d'écriture de l'image");
    if (r.outcome == IiifFetcher::Outcome::TimedOut)
        return QStringLiteral("Délai d'attente dépassé");
    return QStringLiteral("Connexion impossible au serveur IIIF : ") + r.text;
}

void IiifDownload::onInfo(const IiifFetcher::Result &r)
{
    m_infoRequest = 0;
    if (r.outcome == IiifFetcher::Outcome::HttpError)
        return endWithError(QStringLiteral("Description IIIF introuvable : ") + r.text);
    if (r.outcome != IiifFetcher::Outcome::Ok)
        return endWithError(failureText(r));
    QString why;
    const auto info = iiif::readImageInfo(r.body, &why);
    if (!info)
        return endWithError(QStringLiteral("Description IIIF illisible : ") + why);
    m_plan = iiif::planTiles(*info, m_imageBase, &why);
    if (!m_plan)
        return endWithError(QStringLiteral("Description IIIF illisible : ") + why);
    emit planned(QSize(m_plan->columns, m_plan->rows));
    emit statusText(QStringLiteral("Connecté au serveur IIIF"));
    pump();
}

// Issues requests in walking order until the server's share is in flight.
void IiifDownload::pump()
{
    while (m_active && m_inFlight.size() < m_capacity && !(m_stopRequested && m_stopRequested())) {
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
        Pending p{row, column, gridRow, finalPath + QStringLiteral(".part")};
        const int id = m_fetcher.getFile(m_plan->tileUrl(column, gridRow), p.partial, store::kMaxTileBytes);
        m_inFlight.insert(id, p);
    }
    if (m_active && m_inFlight.isEmpty()) {
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
    const Pending p = m_inFlight.take(r.id);
    const QString code = store::tileCode(p.column, p.gridRow);
    switch (r.outcome) {
    case IiifFetcher::Outcome::Ok: {
        const QString finalPath = tilePath(p.column, p.gridRow);
        // The same checks as every tile: whole on disk, decodable, then renamed into place.
        store::TileWriter writer(finalPath);
        const store::TileWriter::Result installed = writer.install(p.partial, r.bytes);
        if (installed == store::TileWriter::Result::WriteError)
            return endWithError(QStringLiteral("Erreur d'écriture de l'image"));
        if (installed == store::TileWriter::Result::NotPicture) {
            emit rowDone(p.row, code, RowState::Missing, QString());
            break;
        }
        emit rowDone(p.row, code, RowState::Downloaded, finalPath);
        break;
    }
    case IiifFetcher::Outcome::HttpError:
    case IiifFetcher::Outcome::TooLarge:
        emit rowDone(p.row, code, RowState::Missing, QString());
        break;
    default:
        return endWithError(failureText(r));
    }
    // The next requests start from the event loop, after the row's handlers ran.
    QMetaObject::invokeMethod(this, &IiifDownload::pump, Qt::QueuedConnection);
}
