#include "download/DownloadEngine.h"
#include "catalogue/ArchiveCatalogue.h"
#include "net/FailureTexts.h"
#include "session/AppContext.h"
#include "source/classic/ClassicLayout.h"
#include "source/classic/ClassicSource.h"
#include "source/classic/ClassicTransport.h"
#include "source/SourceRunner.h"
#include "catalogue/CassiniCatalogue.h"
#include "platform/Connection.h"
#include "platform/Desktop.h"
#include "platform/Logging.h"
#include "platform/Paths.h"
#include "store/TileStore.h"

#include <QUrl>
#include <QPointer>

using source::RowState;

DownloadEngine::DownloadEngine(AppContext &context, download::DownloadList &list, QObject *parent)
    : QObject(parent), m_context(context), m_list(list),
      m_classic(std::make_unique<source::ClassicTransport>()), m_fetcher(std::make_unique<PacedFetcher>())
{
    connectSources();
    HttpClient &client = m_classic->client();
    connect(&client, &HttpClient::hostResolved, this, [this] { setStatus(QStringLiteral("Connexion à la BNF ")); });
    connect(&client, &HttpClient::connected, this, [this] { setStatus(QStringLiteral("Connecté à la BNF")); });
    connect(&client, &HttpClient::connectionFailed, this,
            [this] { setStatus(net::failureText(HttpClient::Error::ConnectionFailed)); });
    connect(&client, &HttpClient::invalidHost, this,
            [this] { setStatus(net::failureText(HttpClient::Error::NullRemoteAddress)); });
    connect(m_classic.get(), &source::ClassicTransport::requestStarted, this, &DownloadEngine::requestStarted);
    m_stopGrace.setSingleShot(true);
    m_stopGrace.setInterval(kStopGraceMs);
    connect(&m_stopGrace, &QTimer::timeout, this, &DownloadEngine::abandonCurrentTile);
}

// Quitting during a run: the request in flight ends and leaves no temporary file; a tile
// being checked is installed whole or not at all.
DownloadEngine::~DownloadEngine()
{
    m_sources->cancel();
}

HttpClient &DownloadEngine::client()
{
    return m_classic->client();
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

bool DownloadEngine::start(const source::TileRect &rect)
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
    m_stopRequested = false;

    const SelectionState &selection = m_context.selection();
    if (!selection.isArchive() && !selection.editionFolder.isEmpty())
        m_context.lookUpDocumentNumber();
    const SheetId sheet = selection.sheet();
    m_context.takeDownloadSheet(sheet);
    emit captionChanged(QStringLiteral("Téléchargement en cours : Carte n° ") + sheet.numberText() + sheet.folderSuffix()
                        + QStringLiteral(" - ") + sheet.edition);

    // A map added from a IIIF server has only its own sheets: no other server has the rest.
    if (const catalogue::AddedMap *added = m_context.addedMaps().find(sheet);
        added && sheet.number > archive::kTitleCount && !m_context.addedMaps().sheet(sheet)) {
        m_context.desktop().error(QStringLiteral("La carte n° %1 a %2 feuille(s) : la feuille %3 n'existe pas.")
                                      .arg(selection.sheetNumber)
                                      .arg(added->sheets.size())
                                      .arg(selection.folderSuffix));
        setRunningMark(0);
        m_context.leaveDownloadSheet();
        return false;
    }
    setStatus(QStringLiteral("Numérotation en cours..."));
    Connection &connection = m_context.connection();
    connection.dial(m_unattendedDial ? m_unattendedDial() : true);
    // A sheet added with its own address comes from its server; the others from the tile server.
    const auto addedSource = m_context.addedMaps().sheet(sheet);
    const QString serverHost =
        addedSource ? QUrl(addedSource->address).host() : m_context.tileServer().section(u':', 0, 0);
    if (!connection.isConnected(serverHost)) {
        qCWarning(lcDownload) << "no connection to" << serverHost << "; no run";
        setStatus(QStringLiteral("Problème de connexion internet"));
        // No run: nothing may look as if one were active.
        setRunningMark(0);
        m_context.leaveDownloadSheet();
        return false;
    }
    setStatus(QStringLiteral("Connecté à internet"));

    m_active = true;
    m_context.setDownloadRunning(true);
    setGauge(0);
    m_mapFolder = store::mapFolder(m_context.mapsRoot(), sheet);
    if (!store::folderExists(m_mapFolder))
        store::createFolderPath(m_mapFolder);
    qCDebug(lcDownload) << "run starts: sheet" << sheet.numberText() + sheet.folderSuffix() << sheet.edition
                        << "columns" << rect.firstColumn << "to" << rect.lastColumn << "rows" << rect.firstRow << "to"
                        << rect.lastRow << "into" << m_mapFolder << (addedSource ? "from its own server" : "from the tile server");
    auto stopRequested = [this] { return m_stopRequested; };
    if (addedSource) {
        m_sources->start({addedSource->kind, addedSource->address}, rect, m_mapFolder, stopRequested);
        return true;
    }
    const QString tileUrls =
        source::ClassicLayout::urlTemplate(m_context.tileServer(), selection.documentNumber, selection.folderSuffix);
    m_sources->start(*m_classic, std::make_unique<source::ClassicSource>(tileUrls), rect, m_mapFolder, stopRequested);
    return true;
}

void DownloadEngine::stop()
{
    if (!m_active)
        return;
    setRunningMark(0);
    m_stopRequested = true;
    setStatus(QStringLiteral("Déconnexion de la BNF en cours"));
    // The tiles in flight have a moment to complete; a stalled one does not hold the run.
    m_stopGrace.start();
}

// "Arrêter" found the tiles still in flight after their grace time: they are given up (no
// temporary file left, their rows back to waiting), and the run ends.
void DownloadEngine::abandonCurrentTile()
{
    if (m_active && m_stopRequested && m_sources->active())
        m_sources->stopNow();
}

void DownloadEngine::markRow(int row, const QString &code, RowState state)
{
    m_list.setState(row, state, true);
    emit tileDone(row, QStringLiteral("MAXI_") + code + QStringLiteral(".jpg"), state);
}

void DownloadEngine::finishDownload(bool keepStatus)
{
    m_sources->cancel();
    m_stopGrace.stop();
    const SelectionState &selection = m_context.selection();
    const SheetId sheet = m_context.downloadJob().sheet;
    emit captionChanged(QStringLiteral("Arrêt carte n° ") + sheet.numberText() + sheet.folderSuffix()
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
    m_context.setDownloadRunning(false);
    qCDebug(lcDownload) << "run ends: sheet" << sheet.numberText() + sheet.folderSuffix() << sheet.edition
                        << (m_stopRequested ? "(stopped)" : "");
    m_context.leaveDownloadSheet();
    emit finished();
}

// The run from any tile source (the tile server, IIIF, Deep Zoom, Zoomify): its rows, gauge,
// picture and status reach the engine's one set of signals, and its outcome the end of run.
void DownloadEngine::connectSources()
{
    m_fetcher->setHostLimit([this](const QString &host) { return m_context.requestLimitFor(host); });
    m_sources = std::make_unique<source::SourceRunner>(*m_fetcher);
    source::SourceRunner *run = m_sources.get();
    connect(run, &source::SourceRunner::statusText, this, &DownloadEngine::setStatus);
    // The sheet keeps the grid of its source: what it counts and shows as installed.
    connect(run, &source::SourceRunner::planned, this, [this](QSize grid) {
        m_context.keepTileGrid(m_context.downloadJob().sheet, grid);
    });
    connect(run, &source::SourceRunner::advanced, this, [this](int row) {
        emit currentRowChanged(row);
        setGauge(m_gauge + 1);
    });
    connect(run, &source::SourceRunner::receiving, this,
            [this](int row) { m_list.setState(row, RowState::Downloading, false); });
    connect(run, &source::SourceRunner::rowDone, this,
            [this](int row, const QString &code, RowState state, const QString &tileFile) {
                markRow(row, code, state);
                emit tileShown(tileFile);
            });
    connect(run, &source::SourceRunner::rowAbandoned, this,
            [this](int row) { m_list.setState(row, RowState::Waiting, false); });
    connect(run, &source::SourceRunner::ended, this, [this](source::RunOutcome, const QString &text) {
        if (!m_active)
            return;
        if (!text.isEmpty())
            setStatus(text);
        finishDownload(!text.isEmpty());
    });
}
