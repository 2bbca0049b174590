#include "download/DownloadEngine.h"
#include "catalogue/ArchiveCatalogue.h"
#include "session/AppContext.h"
#include "source/SourceRunner.h"
#include "catalogue/CassiniCatalogue.h"
#include "imaging/Jpeg.h"
#include "platform/Connection.h"
#include "platform/Desktop.h"
#include "platform/Logging.h"
#include "platform/Paths.h"
#include "store/TileStore.h"
#include "store/TileWriter.h"

#include <QFile>
#include <QUrl>
#include <QPointer>
#include <cstdio>

using download::RowState;

namespace {
const QString kLetters = QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZ");
QChar letter(int number) { return kLetters.at(number - 1); }

// A short French text for a fetch error that no client event has described.
QString errorStatus(HttpClient::Error error)
{
    switch (error) {
    case HttpClient::Error::NullRemoteAddress: return QStringLiteral("Serveur Indisponible");
    case HttpClient::Error::ConnectionFailed:
    case HttpClient::Error::ConnectionTimedOut: return QStringLiteral("Connexion impossible à la BNF");
    case HttpClient::Error::HostLookupTimedOut:
    case HttpClient::Error::ReadTimedOut: return QStringLiteral("Délai d'attente dépassé");
    case HttpClient::Error::TooManyRedirects: return QStringLiteral("Trop de redirections");
    case HttpClient::Error::HeaderLineTooLong:
    case HttpClient::Error::TooManyHeaderLines: return QStringLiteral("Réponse du serveur incorrecte");
    case HttpClient::Error::FileError: return QStringLiteral("Erreur d'écriture de l'image");
    case HttpClient::Error::DeadlineExceeded: return QStringLiteral("Délai d'attente dépassé");
    case HttpClient::Error::SecureNotSupported:
    case HttpClient::Error::BadPort:
    case HttpClient::Error::EmptyUrl: return QStringLiteral("Adresse du serveur incorrecte");
    default: return QStringLiteral("Erreur de communication avec la BNF");
    }
}
} // namespace

DownloadEngine::DownloadEngine(AppContext &context, download::DownloadList &list, QObject *parent)
    : QObject(parent), m_context(context), m_job(context.downloadJob), m_list(list),
      m_iiifFetcher(std::make_unique<IiifFetcher>())
{
    connectSources();
    connect(&m_client, &HttpClient::hostResolved, this, [this] { setStatus(QStringLiteral("Connexion à la BNF ")); });
    connect(&m_client, &HttpClient::connected, this, [this] { setStatus(QStringLiteral("Connecté à la BNF")); });
    connect(&m_client, &HttpClient::connectionFailed, this,
            [this] { setStatus(QStringLiteral("Connexion impossible à la BNF")); });
    connect(&m_client, &HttpClient::invalidHost, this, [this] { setStatus(QStringLiteral("Serveur Indisponible")); });
    connect(&m_client, &HttpClient::packetReceived, this,
            [this] { m_list.setState(m_job.tileCursor, RowState::Downloading, false); });
    connect(&m_client, &HttpClient::success, this, &DownloadEngine::onSuccess);
    connect(&m_client, &HttpClient::failure, this, &DownloadEngine::onFailure);
    connect(&m_client, &HttpClient::error, this, &DownloadEngine::onError);
    m_client.setMaxBodyBytes(store::kMaxTileBytes);
    // One thread, kept for the engine's life, checks the tiles in the order they came.
    m_checker.setMaxThreadCount(1);
    m_checker.setExpiryTimeout(-1);
    m_stopGrace.setSingleShot(true);
    m_stopGrace.setInterval(kStopGraceMs);
    connect(&m_stopGrace, &QTimer::timeout, this, &DownloadEngine::abandonCurrentTile);
}

DownloadEngine::~DownloadEngine()
{
    m_sources->cancel();
    m_client.disconnect();
    for (PendingCheck &pending : m_pending)
        pending.result.wait();
    m_checker.waitForDone();
    if (m_active)
        removePartial();
}

QString DownloadEngine::urlTemplate(const QString &server, const QString &documentNumber, const QString &folderSuffix)
{
    const QString sheetFolder = folderSuffix.isEmpty() ? QStringLiteral("/0000001")
                                                       : QStringLiteral("/0000") + folderSuffix.mid(2, 3);
    return QStringLiteral("http://") + server + QStringLiteral("/Fonds_ImagesZoom/077/077") + documentNumber
           + sheetFolder + QStringLiteral("/MAXI_**.jpg");
}

QString DownloadEngine::currentTilePath() const
{
    return paths::join(m_mapFolder, QStringLiteral("MAXI_") + m_job.tileCode + QStringLiteral(".jpg"));
}

void DownloadEngine::setStatus(const QString &text)
{
    m_status = text;
    emit statusTextChanged(text);
}

void DownloadEngine::setRunningMark(int mark)
{
    m_runningMark = mark;
    emit runningMarkChanged(mark);
}

void DownloadEngine::setGauge(int value)
{
    m_gauge = value;
    emit gaugeChanged(value);
}

bool DownloadEngine::start(const download::TileRect &rect)
{
    if (m_active)
        return false;
    // A server setting that the program does not accept is said, never replaced by another.
    if (!AppContext::isServerAddress(m_context.tileServer())) {
        const QString text = QStringLiteral("Adresse de serveur incorrecte : ") + m_context.tileServer();
        setStatus(text);
        m_context.desktop().error(text);
        return false;
    }

    setRunningMark(kRunningMark);
    m_job.stopRequested = false;

    SelectionState &selection = m_context.selection;
    if (!selection.isArchive() && !selection.editionFolder.isEmpty())
        m_context.lookUpDocumentNumber();
    m_job.editionFolder = selection.editionFolder;
    m_job.folderSuffix = selection.folderSuffix;
    m_job.sheetNumber = selection.sheetNumber;
    m_job.documentNumber = selection.documentNumber;
    emit captionChanged(QStringLiteral("Téléchargement en cours : Carte n° ") + m_job.sheetNumber + m_job.folderSuffix
                        + QStringLiteral(" - ") + m_job.editionFolder);

    // A map added from a IIIF server has only its own sheets: no other server has the rest.
    if (const iiif::AddedMap *added = m_context.addedMaps().find(selection.editionFolder, selection.sheetNumber);
        added && selection.sheetNumber.toInt() > archive::kTitleCount
        && !m_context.addedMaps().sheet(selection.editionFolder, selection.sheetNumber, selection.folderSuffix)) {
        m_context.desktop().error(QStringLiteral("La carte n° %1 a %2 feuille(s) : la feuille %3 n'existe pas.")
                                      .arg(selection.sheetNumber)
                                      .arg(added->sheets.size())
                                      .arg(selection.folderSuffix));
        setRunningMark(0);
        m_job.clearSheet();
        return false;
    }
    setStatus(QStringLiteral("Numérotation en cours..."));
    Connection &connection = m_context.connection();
    connection.dial(m_unattendedDial ? m_unattendedDial() : true);
    // A sheet added with its own address comes from its server; the others from the tile server.
    const auto addedSource =
        m_context.addedMaps().sheet(selection.editionFolder, selection.sheetNumber, selection.folderSuffix);
    const QString serverHost =
        addedSource ? QUrl(addedSource->imageBase).host() : m_context.tileServer().section(u':', 0, 0);
    if (!connection.isConnected(serverHost)) {
        qCWarning(lcDownload) << "no connection to" << serverHost << "; no run";
        setStatus(QStringLiteral("Problème de connexion internet"));
        // No run: nothing may look as if one were active.
        setRunningMark(0);
        m_job.clearSheet();
        return false;
    }
    setStatus(QStringLiteral("Connecté à internet"));

    m_active = true;
    m_rect = rect;
    m_streak.reset();
    m_walkWaitsForCheck = false;
    m_context.setDownloadRunning(true);
    setGauge(0);
    m_mapFolder = store::mapFolder(m_context.mapsRoot(), m_job.editionFolder, m_job.sheetNumber, m_job.folderSuffix);
    if (!store::folderExists(m_mapFolder))
        store::createFolderPath(m_mapFolder);
    qCDebug(lcDownload) << "run starts: sheet" << m_job.sheetNumber + m_job.folderSuffix << m_job.editionFolder
                        << "columns" << rect.firstColumn << "to" << rect.lastColumn << "rows" << rect.firstRow << "to"
                        << rect.lastRow << "into" << m_mapFolder << (addedSource ? "from its own server" : "from the tile server");
    m_job.columnPosition = rect.firstColumn;   // C1 - 1 in letter numbers
    m_job.rowPosition = rect.firstRow + 1;
    if (addedSource) {
        m_job.urlTemplate = addedSource->imageBase;
        m_job.tileCursor = -1;
        m_sources->start({addedSource->kind, addedSource->imageBase}, rect, m_mapFolder, [this] { return m_job.stopRequested; });
        return true;
    }
    m_job.urlTemplate = urlTemplate(m_context.tileServer(), selection.documentNumber, selection.folderSuffix);
    m_job.tileCursor = -1;
    advanceTileCursor();
    if (m_job.rowPosition > m_rect.lastRow + 1)
        finishDownload(false);
    else
        requestCurrentTile();
    return true;
}

void DownloadEngine::stop()
{
    if (!m_active)
        return;
    setRunningMark(0);
    m_job.stopRequested = true;
    setStatus(QStringLiteral("Déconnexion de la BNF en cours"));
    // The tiles in flight have a moment to complete; a stalled one does not hold the run.
    m_stopGrace.start();
}

// "Arrêter" found the tile still in flight after its grace time: the tile is given up, its
// temporary file removed and its row back to waiting, and the run ends.
void DownloadEngine::abandonCurrentTile()
{
    if (!m_active || !m_job.stopRequested)
        return;
    if (m_sources->active())
        return m_sources->stopNow();
    if (!m_client.busy())
        return;
    if (!settleChecks(true))
        return;
    m_client.disconnect();
    removePartial();
    m_list.setState(m_job.tileCursor, RowState::Waiting, false);
    emit tileShown(QString());
    finishDownload(false);
}

// Moves to the next tile of the rectangle, marking the tiles already on disk on the way.
void DownloadEngine::advanceTileCursor()
{
    const int c1 = m_rect.firstColumn + 1, c2 = m_rect.lastColumn + 1, r2 = m_rect.lastRow + 1;
    for (;;) {
        if (++m_job.columnPosition == c2 + 1) {
            m_job.columnPosition = c1;
            ++m_job.rowPosition;
        }
        ++m_job.tileCursor;
        if (m_job.rowPosition > r2)
            return;
        emit currentRowChanged(m_job.tileCursor);
        setGauge(m_gauge + 1);
        m_job.tileCode = QString(letter(m_job.columnPosition)) + letter(m_job.rowPosition);
        if (!store::fileExists(currentTilePath()))
            return;
        // Rows get their final states in order: the tile before is settled first.
        if (!settleChecks(true))
            return;
        markTile(RowState::AlreadyInstalled);
        emit tileShown(QString());
    }
}

void DownloadEngine::requestCurrentTile()
{
    m_job.tileCode = QString(letter(m_job.columnPosition)) + letter(m_job.rowPosition);
    m_job.tileUrl = m_job.urlTemplate;
    m_job.tileUrl.replace(QStringLiteral("**"), m_job.tileCode, Qt::CaseInsensitive);
    // A temporary file of this run's own: another program may fetch the same sheet. When
    // none can be made here the body's write fails and says so, as any write would.
    m_partialPath = store::TileWriter::reserveTemporary(currentTilePath());
    if (m_partialPath.isEmpty())
        m_partialPath = store::TileWriter::temporaryPathFor(currentTilePath());
    emit requestStarted(m_job.tileUrl);
    m_client.get(m_job.tileUrl, m_partialPath);
}

void DownloadEngine::markTile(RowState state)
{
    markRow(m_job.tileCursor, m_job.tileCode, state);
}

void DownloadEngine::markRow(int row, const QString &code, RowState state)
{
    m_list.setState(row, state, true);
    emit tileDone(row, QStringLiteral("MAXI_") + code + QStringLiteral(".jpg"), state);
}

// The received tile is checked (decoded whole) and renamed into place on a worker thread
// while the next tiles are already being fetched: the check costs about as much as a tile's
// transfer on a fast network. Rows get their states when their checks are done, always in
// the order of the list.
void DownloadEngine::startCheck()
{
    PendingCheck pending;
    pending.row = m_job.tileCursor;
    pending.code = m_job.tileCode;
    pending.finalPath = currentTilePath();
    const QString temporary = m_partialPath;
    const QString finalPath = pending.finalPath;
    const qint64 bytes = m_client.bodyBytes();
    auto promise = std::make_shared<std::promise<store::TileWriter::Result>>();
    pending.result = promise->get_future();
    m_checker.start([promise, temporary, finalPath, bytes, this] {
        store::TileWriter writer(finalPath);
        promise->set_value(writer.install(temporary, bytes));
        // Settled from the event loop as soon as it is known (the engine waits for this
        // thread before it goes, and a call queued to a deleted engine is dropped).
        QMetaObject::invokeMethod(
            this,
            [this] {
                if (!m_active || !settleChecks(false))
                    return;
                if (m_walkWaitsForCheck && m_pending.size() <= size_t(kMaxPendingChecks)) {
                    m_walkWaitsForCheck = false;
                    continueAfterTile();
                }
            },
            Qt::QueuedConnection);
    });
    m_pending.push_back(std::move(pending));
}

// Gives the rows of the checked tiles their states, in order: those whose check is done, or
// all of them when `wait`. False when a tile could not be written: the run then ended.
bool DownloadEngine::settleChecks(bool wait)
{
    while (!m_pending.empty()) {
        PendingCheck &front = m_pending.front();
        if (!wait && front.result.wait_for(std::chrono::seconds(0)) != std::future_status::ready)
            return true;
        const store::TileWriter::Result result = front.result.get();
        const PendingCheck done = {front.row, front.code, front.finalPath, {}};
        m_pending.pop_front();
        switch (result) {
        case store::TileWriter::Result::Installed:
            m_streak.installed();
            markRow(done.row, done.code, RowState::Downloaded);
            emit tileShown(done.finalPath);
            break;
        case store::TileWriter::Result::NotPicture:
            markRow(done.row, done.code, RowState::Missing);
            emit tileShown(QString());
            break;
        case store::TileWriter::Result::WriteError:
            // The disk failed: the tiles checked after it are let finish, and the run ends.
            for (PendingCheck &later : m_pending)
                later.result.wait();
            m_pending.clear();
            setStatus(errorStatus(HttpClient::Error::FileError));
            finishDownload(true);
            return false;
        }
    }
    return true;
}

void DownloadEngine::removePartial()
{
    if (!m_partialPath.isEmpty())
        QFile::remove(m_partialPath);
}

void DownloadEngine::onSuccess()
{
    if (!m_active || !settleChecks(false))
        return;
    // Only a whole picture takes the tile's name, in one step (a tile file is never seen
    // half written, and one already there is replaced only by a good one).
    startCheck();
    continueAfterTile();
}

void DownloadEngine::onFailure()
{
    if (!m_active || !settleChecks(true))
        return;
    removePartial();
    markTile(RowState::Missing);
    emit tileShown(QString());
    const auto verdict = m_streak.refused(m_client.bodyCut());
    if (verdict != download::RefusalStreak::Verdict::GoOn) {
        qCWarning(lcDownload) << "run stops: the server keeps refusing tiles";
        setStatus(download::RefusalStreak::text(verdict));
        return finishDownload(true);
    }
    continueAfterTile();
}

// An error of the fetch itself ends the run; the status field tells the cause.
void DownloadEngine::onError(HttpClient::Error error, const QString &)
{
    if (!m_active)
        return;
    removePartial();
    if (!settleChecks(true))
        return;
    const bool told = error == HttpClient::Error::NullRemoteAddress || error == HttpClient::Error::ConnectionFailed
                      || error == HttpClient::Error::ConnectionTimedOut;
    if (!told)
        setStatus(errorStatus(error));
    finishDownload(true);
}

// The rest of a tile's steps run from the event loop once the result handler has
// returned, so what the user did meanwhile (a click on "Arrêter") is seen first.
void DownloadEngine::continueAfterTile()
{
    QMetaObject::invokeMethod(
        this,
        [this] {
            if (!m_active)
                return;
            if (m_job.stopRequested)
                return finishDownload(false);
            // While more than kMaxPendingChecks tiles wait for their checks the next request
            // waits too, never the window: the walk goes on when a check ends.
            if (m_pending.size() > size_t(kMaxPendingChecks)) {
                m_walkWaitsForCheck = true;
                return;
            }
            advanceTileCursor();
            if (!m_active)
                return;
            if (m_job.rowPosition > m_rect.lastRow + 1)
                finishDownload(false);
            else
                requestCurrentTile();
        },
        Qt::QueuedConnection);
}

void DownloadEngine::finishDownload(bool keepStatus)
{
    m_sources->cancel();
    m_stopGrace.stop();
    // The tile checked last gets its state first; a tile that could not be written ends the
    // run with that error instead.
    if (!settleChecks(true))
        return;
    if (m_client.busy()) {
        m_client.disconnect();
        removePartial();
    }
    m_client.disconnect();
    const SelectionState &selection = m_context.selection;
    emit captionChanged(QStringLiteral("Arrêt carte n° ") + m_job.sheetNumber + m_job.folderSuffix
                        + QStringLiteral(". Nouvelle sélection = carte n° ") + selection.sheetNumber
                        + selection.folderSuffix);
    setRunningMark(0);
    m_list.clear();
    emit tileShown(QString());
    if (m_hangUp ? m_hangUp() : true) {
        m_context.connection().hangUp();
        if (!keepStatus)
            setStatus(QStringLiteral("Déconnecté"));
    } else if (!keepStatus) {
        setStatus(QStringLiteral("Connecté"));
    }
    setGauge(0);
    m_active = false;
    m_partialPath.clear();
    m_context.setDownloadRunning(false);
    qCDebug(lcDownload) << "run ends: sheet" << m_job.sheetNumber + m_job.folderSuffix << m_job.editionFolder
                        << (m_job.stopRequested ? "(stopped)" : "");
    m_job.clearSheet();
    emit finished();
}
