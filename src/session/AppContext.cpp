#include "session/AppContext.h"
#include "catalogue/ArchiveCatalogue.h"
#include "catalogue/CassiniCatalogue.h"
#include "catalogue/Library.h"
#include "platform/Connection.h"
#include "platform/Desktop.h"
#include "platform/Paths.h"
#include "session/SettingsStore.h"
#include "store/TileStore.h"

#include <QDir>
#include <QRegularExpression>

AppContext::AppContext(SettingsStore &settings, Desktop &desktop, const QString &programFolder,
                       const QString &installFolder, QObject *parent)
    : QObject(parent), m_settings(settings), m_desktop(desktop), m_programFolder(programFolder),
      m_installFolder(installFolder), m_mapsRoot(programFolder),
      m_systemConnection(std::make_unique<SystemConnection>()), m_connection(m_systemConnection.get()),
      m_tileServer(defaultTileServer())
{
    m_addedMaps.load(m_mapsRoot);
}

void AppContext::loadSettings()
{
    m_options.setDialUnattended(m_settings.isOn(Setting::DialUnattended));
    m_options.setHangUpAfterDownload(m_settings.isOn(Setting::HangUpAfterDownload));
    m_options.setFullScreenView(m_settings.isOn(Setting::FullScreenView));
    // A server the program does not accept is kept as stored: the first download that
    // needs it says so, rather than going to another server.
    setTileServer(m_settings.stored(Setting::TileServer).trimmed());
    setSimultaneousRequests(m_settings.count(Setting::SimultaneousRequests),
                            m_settings.isOn(Setting::SimultaneousAtLibrary));
    // Every change of an option is stored at once, whichever page made it.
    const std::pair<Setting, void (SharedOptions::*)(bool)> stored[] = {
        {Setting::DialUnattended, &SharedOptions::dialUnattendedChanged},
        {Setting::HangUpAfterDownload, &SharedOptions::hangUpAfterDownloadChanged},
        {Setting::FullScreenView, &SharedOptions::fullScreenViewChanged},
    };
    for (const auto &[setting, changed] : stored)
        connect(&m_options, changed, this, [this, setting = setting](bool on) {
            storeSettings([&](SettingsStore &store) { return store.writeOn(setting, on); });
        });
}

bool AppContext::storeSettings(const std::function<bool(SettingsStore &)> &write)
{
    if (write(m_settings))
        return true;
    m_desktop.error(m_settings.failureMessage());
    return false;
}

void AppContext::reportUnreadableAddedMaps()
{
    QStringList fresh;
    for (const QString &line : m_addedMaps.unreadableLines())
        if (!m_reportedUnreadable.contains(line)) {
            m_reportedUnreadable << line;
            fresh << line;
        }
    if (!fresh.isEmpty())
        emit addedMapsUnreadable(catalogue::AddedMaps::filePath(m_mapsRoot), fresh);
}

AppContext::~AppContext() = default;

void AppContext::setConnection(Connection *connection)
{
    m_connection = connection ? connection : m_systemConnection.get();
}

QString AppContext::defaultTileServer()
{
    return library::kHost;
}

void AppContext::setTileServer(const QString &server)
{
    m_tileServer = server.isEmpty() ? defaultTileServer() : server;
}

bool AppContext::isServerAddress(const QString &text)
{
    static const QRegularExpression pattern(
        QStringLiteral("^[A-Za-z0-9]([A-Za-z0-9-]*[A-Za-z0-9])?(\\.[A-Za-z0-9]([A-Za-z0-9-]*[A-Za-z0-9])?)*(:[0-9]{1,5})?$"));
    if (!pattern.match(text).hasMatch())
        return false;
    const int colon = text.indexOf(u':');
    return colon < 0 || (text.mid(colon + 1).toInt() >= 1 && text.mid(colon + 1).toInt() <= 65535);
}

void AppContext::setMapsRoot(const QString &root)
{
    m_mapsRoot = root;
    m_addedMaps.load(root);
    emit mapsRootChanged(root);
    emit addedMapsChanged();
    reportUnreadableAddedMaps();
}

bool AppContext::saveAddedMaps()
{
    const bool saved = m_addedMaps.save(m_mapsRoot);
    if (!saved)
        m_addedMaps.load(m_mapsRoot);   // what the file holds stays what the pages show
    emit addedMapsChanged();
    reportUnreadableAddedMaps();
    return saved;
}

void AppContext::keepTileGrid(const SheetId &sheet, QSize grid)
{
    if (m_addedMaps.setTileGrid(sheet, grid)) {
        m_addedMaps.save(m_mapsRoot);
        reportUnreadableAddedMaps();
    }
}

QSize AppContext::selectedTileGrid() const
{
    return m_addedMaps.tileGrid(m_selection.sheet());
}

QSize AppContext::tileGridOfFolder(const QString &mapFolder) const
{
    if (const auto sheet = m_addedMaps.sheetInFolder(m_mapsRoot, mapFolder))
        return sheet->tileGrid();
    return {store::kGridSide, store::kGridSide};
}

void AppContext::setSimultaneousRequests(int count, bool libraryToo)
{
    m_simultaneousRequests = settings::bounded(Setting::SimultaneousRequests, count);
    m_simultaneousAtLibrary = libraryToo;
}

int AppContext::requestLimitFor(const QString &host) const
{
    const bool library = host.compare(library::kHost, Qt::CaseInsensitive) == 0;
    return library && !m_simultaneousAtLibrary ? 1 : m_simultaneousRequests;
}

QString AppContext::selectedMapFolder() const
{
    return store::mapFolder(m_mapsRoot, m_selection.sheet());
}

void AppContext::select(const SheetId &sheet)
{
    const QString number = sheet.numberText();
    const QString suffix = sheet.folderSuffix();
    const bool another = m_selection.editionFolder != sheet.edition || m_selection.sheetNumber != number
                         || m_selection.folderSuffix != suffix;
    m_selection.editionFolder = sheet.edition;
    m_selection.sheetNumber = number;
    m_selection.folderSuffix = suffix;
    refreshSelectionStatus();
    if (another)
        emit selectionChanged(sheet);
}

void AppContext::lookUpDocumentNumber()
{
    const SheetId sheet = m_selection.sheet();
    if (sheet.isArchive()) {
        if (sheet.number >= 1)
            m_selection.documentNumber = archive::documentNumber(sheet.number);
    } else if (sheet.number >= 1 && sheet.number <= cassini::kSheetCount) {
        m_selection.documentNumber = cassini::documentNumber(sheet.number, sheet.edition == editions::kColour ? 0 : 1);
    }
}

void AppContext::refreshSelectionStatus()
{
    const QSize grid = selectedTileGrid();
    const InstallationStatus status = installationStatus(
        store::tileCount(selectedMapFolder(), grid.width(), grid.height()), m_selection.isArchive(),
        grid.width() * grid.height());
    m_selection.installationState = status.state;
    emit selectionStatusRefreshed(status);
}

void AppContext::setDownloadRunning(bool running)
{
    m_downloadJob.running = running;
    emit downloadRunningChanged(running);
}

QString AppContext::scratchFolder() const
{
    return paths::join(m_programFolder, QStringLiteral("Mes cartes"));
}
