#pragma once
// Program-wide state shared by every page: the selection, the running download's job,
// the maps root, the current page number, the program folder, the settings and the
// desktop. One instance, owned by the main window and handed to pages by reference.

#include "session/SelectionState.h"
#include "catalogue/AddedMaps.h"
#include "catalogue/InstallationStatus.h"
#include "session/DownloadJob.h"
#include "session/ProgressGauge.h"
#include "session/SharedOptions.h"

#include <QObject>
#include <QString>
#include <functional>
#include <memory>

class Connection;
class Desktop;
class SettingsStore;

class AppContext : public QObject {
    Q_OBJECT
public:
    AppContext(SettingsStore &settings, Desktop &desktop, const QString &programFolder,
               const QString &installFolder, QObject *parent = nullptr);
    ~AppContext() override;

    // The selected map; it changes only through select() (its status through
    // refreshSelectionStatus(), its document number through lookUpDocumentNumber()).
    const SelectionState &selection() const { return m_selection; }
    // The running download's copy of its sheet, and whether it runs.
    const DownloadJob &downloadJob() const { return m_downloadJob; }
    // The page shown last, 0 for the home page; the number it shows is index + 1.
    int currentPageIndex() const { return m_currentPageIndex; }
    int currentPageNumber() const { return m_currentPageIndex + 1; }
    void setCurrentPageIndex(int index) { m_currentPageIndex = index; }

    SettingsStore &settings() { return m_settings; }
    // Stores settings through `write` (the store's typed calls) at once; when the file cannot
    // be written, says so ("Echec à la création de la clé ...") and gives false. Every
    // change the user makes is stored through it.
    bool storeSettings(const std::function<bool(SettingsStore &)> &write);
    // Takes the settings the context holds (options, tile server, request limits) from the
    // store, and from then on stores every change of an option. The window runs it before it
    // makes any page; until then the context holds its own defaults.
    void loadSettings();
    // The options several pages share, with their change signals.
    SharedOptions &options() { return m_options; }
    const SharedOptions &options() const { return m_options; }
    // The status bar's progress gauge; a silent one until the window sets its own.
    ProgressGauge &statusGauge() { return *m_statusGauge; }
    void setStatusGauge(ProgressGauge *gauge) { m_statusGauge = gauge ? gauge : &m_silentGauge; }
    Desktop &desktop() { return m_desktop; }

    // Folder of maps and of the scratch folder "Mes cartes", ending with a separator.
    const QString &programFolder() const { return m_programFolder; }
    // Folder of the executable (help file, skin), ending with a separator.
    const QString &installFolder() const { return m_installFolder; }
    QString scratchFolder() const;

    const QString &mapsRoot() const { return m_mapsRoot; }
    void setMapsRoot(const QString &root);

    // Map folder of the current selection (a native path).
    QString selectedMapFolder() const;

    // The one way the selection changes: takes the sheet, refreshes its status and, when
    // the sheet is another one, tells the pages (selectionChanged).
    void select(const SheetId &sheet);
    // LookUpDocumentNumber: the library's document number of the selected sheet (a Cassini
    // sheet's from the catalogue of its edition, an archive map's from its position); a
    // number that names no sheet leaves the one looked up before.
    void lookUpDocumentNumber();

    // RefreshSelectionStatus: counts the selection's tiles, sets its installation state
    // and tells the pages which indicator colours to show (after tiles came or went).
    void refreshSelectionStatus();

    // Whether a download runs: the pages disable the controls that would disturb it.
    bool downloadRunning() const { return m_downloadJob.running; }
    void setDownloadRunning(bool running);
    // A run takes its own copy of the sheet when it starts, so the user may select other
    // maps meanwhile; it leaves it once it has ended (or did not start).
    void takeDownloadSheet(const SheetId &sheet) { m_downloadJob.sheet = sheet; }
    void leaveDownloadSheet() { m_downloadJob.sheet = {}; }

    // The internet connection of downloads: the system's unless a stand-in was set.
    Connection &connection() { return *m_connection; }
    void setConnection(Connection *connection);

    // The tile server: host, optionally ":" + port ("serveur" setting).
    static QString defaultTileServer();
    const QString &tileServer() const { return m_tileServer; }
    // Any value is kept as the user stored it (empty: the library's host); whether the
    // program accepts it is asked where it is used.
    void setTileServer(const QString &server);
    // A host name or IPv4 address, optionally ":" + a port from 1 to 65535.
    static bool isServerAddress(const QString &text);

    // Maps and sheets served by IIIF servers, read from the maps root whenever it changes.
    catalogue::AddedMaps &addedMaps() { return m_addedMaps; }
    const catalogue::AddedMaps &addedMaps() const { return m_addedMaps; }
    // Writes the file of the maps root (merged with what it holds now) and tells the pages;
    // false when it cannot be written, and the maps are then read again from the file.
    bool saveAddedMaps();
    // Keeps the grid of a sheet's download plan in the file when it changed (the list of
    // maps stays as it is).
    void keepTileGrid(const SheetId &sheet, QSize grid);
    // The grid of tiles of the selected sheet: its plan's for a sheet served by IIIF, else 26 x 26.
    QSize selectedTileGrid() const;
    // The same for the sheet stored in a map folder.
    QSize tileGridOfFolder(const QString &mapFolder) const;

    // Requests at once to one IIIF server ("Requêtes simultanées", within the bounds of its
    // setting); the library's host gets them too only when `libraryToo`, else one.
    int simultaneousRequests() const { return m_simultaneousRequests; }
    bool simultaneousAtLibrary() const { return m_simultaneousAtLibrary; }
    void setSimultaneousRequests(int count, bool libraryToo);
    int requestLimitFor(const QString &host) const;

signals:
    void addedMapsChanged();
    // Lines of the added-maps file that cannot be read, each told once.
    void addedMapsUnreadable(const QString &file, const QStringList &lines);
    void downloadRunningChanged(bool running);
    void mapsRootChanged(const QString &root);
    // Another sheet is selected (its status is refreshed already).
    void selectionChanged(const SheetId &sheet);
    void selectionStatusRefreshed(const InstallationStatus &status);
    // Tiles of a map folder were installed together (an import ended).
    void tilesInstalled(const QString &mapFolder);

private:
    void reportUnreadableAddedMaps();

    SelectionState m_selection;
    DownloadJob m_downloadJob;
    int m_currentPageIndex = 0;
    SettingsStore &m_settings;
    SharedOptions m_options;
    SilentGauge m_silentGauge;
    ProgressGauge *m_statusGauge = &m_silentGauge;
    Desktop &m_desktop;
    QString m_programFolder;
    QString m_installFolder;
    QString m_mapsRoot;
    std::unique_ptr<Connection> m_systemConnection;
    Connection *m_connection = nullptr;
    QString m_tileServer;
    catalogue::AddedMaps m_addedMaps;
    QStringList m_reportedUnreadable;
    int m_simultaneousRequests = 1;
    bool m_simultaneousAtLibrary = false;
};
