#include "download/DownloadEngine.h"
#include "app/AppContext.h"
#include "download/IiifDownload.h"
#include "catalogue/CassiniCatalogue.h"
#include "imaging/Jpeg.h"
#include "platform/Connection.h"
#include "platform/Paths.h"
#include "store/TileStore.h"

#include <QFile>
#include <QUrl>
#include <cstdio>

using download::RowState;

namespace {
const QString kLetters = QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZ");
QChar letter(int number) { return kLetters.at(number - 1); }

// Whether a file holds a whole JPEG picture: a header that the decoder accepts (markers,
// tables, sizes) and the end-of-picture marker after the picture data. A body cut short or
// bytes that are no picture fail; it costs no decoding of the picture itself.
bool isCompletePicture(const QString &nativePath)
{
    QFile file(nativePath);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const QByteArray bytes = file.readAll();
    jpeg::Header header;
    if (!jpeg::readHeader(bytes, header).ok() || header.width <= 0 || header.height <= 0)
        return false;
    // 0xFF 0xD9 cannot occur inside the compressed data (0xFF is stuffed there), so the
    // marker found near the end is the real end of the picture; a little padding may follow.
    const qsizetype tail = qMin<qsizetype>(bytes.size(), 1024);
    return bytes.right(tail).contains(QByteArrayLiteral("\xFF\xD9"));
}

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
    case HttpClient::Error::SecureNotSupported:
    case HttpClient::Error::EmptyUrl: return QStringLiteral("Adresse du serveur incorrecte");
    default: return QStringLiteral("Erreur de communication avec la BNF");
    }
}
} // namespace

DownloadEngine::DownloadEngine(AppContext &context, download::DownloadList &list, QObject *parent)
    : QObject(parent), m_context(context), m_job(context.downloadJob), m_list(list),
      m_iiifFetcher(std::make_unique<IiifFetcher>()), m_iiif(std::make_unique<IiifDownload>(*m_iiifFetcher))
{
    connectIiif();
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
}

DownloadEngine::~DownloadEngine()
{
    m_iiif->cancel();
    m_client.disconnect();
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
    return m_mapFolder + QStringLiteral("\\MAXI_") + m_job.tileCode + QStringLiteral(".jpg");
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
    setRunningMark(kRunningMark);
    m_job.stopRequested = false;

    SelectionState &selection = m_context.selection;
    if (!selection.isArchive() && !selection.editionFolder.isEmpty())
        cassini::lookUpDocumentNumber(selection, selection.editionFolder == editions::kColour ? 0 : 1);
    m_job.editionFolder = selection.editionFolder;
    m_job.folderSuffix = selection.folderSuffix;
    m_job.sheetNumber = selection.sheetNumber;
    m_job.documentNumber = selection.documentNumber;
    emit captionChanged(QStringLiteral("Téléchargement en cours : Carte n° ") + m_job.sheetNumber + m_job.folderSuffix
                        + QStringLiteral(" - ") + m_job.editionFolder);

    setStatus(QStringLiteral("Numérotation en cours..."));
    Connection &connection = m_context.connection();
    connection.dial(m_unattendedDial ? m_unattendedDial() : true);
    // A sheet with an IIIF address comes from its server; the others from the tile server.
    const auto iiifSource =
        m_context.addedMaps().sheet(selection.editionFolder, selection.sheetNumber, selection.folderSuffix);
    const QString serverHost =
        iiifSource ? QUrl(iiifSource->imageBase).host() : m_context.tileServer().section(u':', 0, 0);
    if (!connection.isConnected(serverHost)) {
        setStatus(QStringLiteral("Problème de connexion internet"));
        // No run: nothing may look as if one were active.
        setRunningMark(0);
        m_job.clearSheet();
        return false;
    }
    setStatus(QStringLiteral("Connecté à internet"));

    m_active = true;
    m_rect = rect;
    m_context.setDownloadRunning(true);
    setGauge(0);
    m_mapFolder = store::mapFolder(m_context.mapsRoot(), m_job.editionFolder, m_job.sheetNumber, m_job.folderSuffix);
    if (!store::folderExists(m_mapFolder))
        store::createFolderPath(m_mapFolder);
    m_job.columnPosition = rect.firstColumn;   // C1 - 1 in letter numbers
    m_job.rowPosition = rect.firstRow + 1;
    if (iiifSource) {
        m_job.urlTemplate = iiifSource->imageBase;
        m_job.tileCursor = -1;
        m_iiif->start(iiifSource->imageBase, rect, m_mapFolder, [this] { return m_job.stopRequested; });
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
        markTile(RowState::AlreadyInstalled);
        emit tileShown(QString());
    }
}

void DownloadEngine::requestCurrentTile()
{
    m_job.tileCode = QString(letter(m_job.columnPosition)) + letter(m_job.rowPosition);
    m_job.tileUrl = m_job.urlTemplate;
    m_job.tileUrl.replace(QStringLiteral("**"), m_job.tileCode, Qt::CaseInsensitive);
    m_partialPath = paths::nativePath(currentTilePath()) + partialSuffix();
    emit requestStarted(m_job.tileUrl);
    m_client.get(m_job.tileUrl, m_partialPath);
}

void DownloadEngine::markTile(RowState state)
{
    m_list.setState(m_job.tileCursor, state, true);
    emit tileDone(m_job.tileCursor, QStringLiteral("MAXI_") + m_job.tileCode + QStringLiteral(".jpg"), state);
}

void DownloadEngine::removePartial()
{
    if (!m_partialPath.isEmpty())
        QFile::remove(m_partialPath);
}

void DownloadEngine::onSuccess()
{
    if (!m_active)
        return;
    // Only a whole picture takes the tile's name, in one step (a tile file is never seen
    // half written, and one already there is replaced only by a good one).
    if (!isCompletePicture(m_partialPath)) {
        removePartial();
        markTile(RowState::Missing);
        emit tileShown(QString());
        return continueAfterTile();
    }
    const QString finalPath = paths::nativePath(currentTilePath());
    if (std::rename(QFile::encodeName(m_partialPath).constData(), QFile::encodeName(finalPath).constData()) != 0) {
        removePartial();
        setStatus(errorStatus(HttpClient::Error::FileError));
        return finishDownload(true);
    }
    markTile(RowState::Downloaded);
    emit tileShown(finalPath);
    continueAfterTile();
}

void DownloadEngine::onFailure()
{
    if (!m_active)
        return;
    removePartial();
    markTile(RowState::Missing);
    emit tileShown(QString());
    continueAfterTile();
}

// An error of the fetch itself ends the run; the status field tells the cause.
void DownloadEngine::onError(HttpClient::Error error, const QString &)
{
    if (!m_active)
        return;
    removePartial();
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
            advanceTileCursor();
            if (m_job.rowPosition > m_rect.lastRow + 1)
                finishDownload(false);
            else
                requestCurrentTile();
        },
        Qt::QueuedConnection);
}

void DownloadEngine::finishDownload(bool keepStatus)
{
    m_iiif->cancel();
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
    m_job.clearSheet();
    emit finished();
}

// A run from an IIIF server reports through the same rows, gauge, picture and status.
void DownloadEngine::connectIiif()
{
    m_iiifFetcher->setHostLimit([this](const QString &host) { return m_context.requestLimitFor(host); });
    connect(m_iiif.get(), &IiifDownload::statusText, this, &DownloadEngine::setStatus);
    // The sheet keeps the grid of its plan: what it counts and shows as installed.
    connect(m_iiif.get(), &IiifDownload::planned, this, [this](QSize grid) {
        m_context.keepTileGrid(m_job.editionFolder, m_job.sheetNumber, m_job.folderSuffix, grid);
    });
    connect(m_iiif.get(), &IiifDownload::advanced, this, [this](int row) {
        m_job.tileCursor = row;
        emit currentRowChanged(row);
        setGauge(m_gauge + 1);
    });
    connect(m_iiif.get(), &IiifDownload::receiving, this,
            [this](int row) { m_list.setState(row, RowState::Downloading, false); });
    connect(m_iiif.get(), &IiifDownload::rowDone, this,
            [this](int row, const QString &code, RowState state, const QString &tileFile) {
                m_list.setState(row, state, true);
                emit tileDone(row, QStringLiteral("MAXI_") + code + QStringLiteral(".jpg"), state);
                emit tileShown(tileFile);
            });
    connect(m_iiif.get(), &IiifDownload::ended, this, [this](bool keepStatus) {
        if (m_active)
            finishDownload(keepStatus);
    });
}
