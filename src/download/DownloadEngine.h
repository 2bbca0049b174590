#pragma once
// The download engine: installs the tiles of the chosen rectangle of a sheet, one request
// after the other, into the sheet's map folder. It works on its own copy of the selection
// (the DownloadJob of the program-wide state), so the user may select other sheets while it
// runs. Each request ends with a result of the HTTP client; the handler marks the tile in
// the download list and the next request starts from the event loop, never from inside the
// handler. A tile reaches its final name only once its transfer succeeded and the file holds
// a whole JPEG picture; the body is first written to a temporary file beside it, and checked
// while the next tile is fetched.

#include "download/DownloadList.h"
#include "download/IiifPlan.h"
#include "download/RefusalStreak.h"
#include "net/HttpClient.h"
#include "store/TileWriter.h"

#include <QObject>
#include <QThreadPool>
#include <QTimer>
#include <functional>
#include <memory>
#include <future>
#include <deque>

class AppContext;
namespace source { class SourceRunner; }
class IiifFetcher;
struct DownloadJob;

class DownloadEngine : public QObject {
    Q_OBJECT
public:
    static constexpr int kRunningMark = 22;
    static constexpr int kStopGraceMs = 900;
    // Tiles whose checks may still run when the next one arrives: one, so a tile is shown
    // (and its row settled) by the time the tile after the next is asked for.
    static constexpr int kMaxPendingChecks = 1;

    DownloadEngine(AppContext &context, download::DownloadList &list, QObject *parent = nullptr);
    // Quitting during a run leaves no temporary file behind.
    ~DownloadEngine() override;

    HttpClient &client() { return m_client; }
    // The fetcher of sheets added with their own address (IIIF, Deep Zoom, Zoomify), and
    // the run that uses it.
    IiifFetcher &iiifFetcher() { return *m_iiifFetcher; }
    source::SourceRunner &sourceRunner() { return *m_sources; }
    // How the last run from an IIIF server cut its picture.
    struct IiifRun {
        const source::SourceRunner *runner;
        // Nothing when the last run was from no IIIF server, or read no description.
        std::optional<iiif::TilePlan> plan() const;
    };
    IiifRun iiifDownload() const { return {m_sources.get()}; }

    // The two connection options, read when they are needed (at the start and at the end).
    void setUnattendedDialOption(std::function<bool()> option) { m_unattendedDial = std::move(option); }
    void setHangUpOption(std::function<bool()> option) { m_hangUp = std::move(option); }

    // Starts a run over the rectangle for the current selection. False when there is no
    // internet connection: no run starts and the list stays.
    bool start(const download::TileRect &rect);
    // "Arrêter": a tile in flight that completes within kStopGraceMs is kept; otherwise it is
    // given up (no file left, its row back to "En attente"), whatever the source. Then the
    // run ends.
    void stop();

    // 22 from the start of a run until its end or until "Arrêter", else 0.
    int runningMark() const { return m_runningMark; }
    // Whether a run is active (until its end, also after "Arrêter").
    bool active() const { return m_active; }
    QString statusText() const { return m_status; }
    int gaugeValue() const { return m_gauge; }

    // The tile file path of the current tile and its temporary file (program paths).
    QString currentTilePath() const;
    static QString partialSuffix() { return QStringLiteral(".part"); }

    // The URL template of a run: "**" stands for the tile code.
    static QString urlTemplate(const QString &server, const QString &documentNumber, const QString &folderSuffix);

signals:
    void statusTextChanged(const QString &text);
    void captionChanged(const QString &caption);
    void runningMarkChanged(int mark);
    void gaugeChanged(int value);
    void currentRowChanged(int row);
    // The file of the last tile received (native path); an empty path clears the picture.
    void tileShown(const QString &tileFile);
    // A tile of the list got its final state.
    void tileDone(int row, const QString &fileName, download::RowState state);
    void requestStarted(const QString &url);
    // The run has ended (FinishDownload done).
    void finished();

private:
    void setStatus(const QString &text);
    void setRunningMark(int mark);
    void setGauge(int value);
    void advanceTileCursor();
    void requestCurrentTile();
    void continueAfterTile();
    void finishDownload(bool keepStatus);
    void markTile(download::RowState state);
    void connectSources();   // in DownloadEngineSources.cpp
    void markRow(int row, const QString &code, download::RowState state);
    void startCheck();
    bool settleChecks(bool wait);
    void removePartial();
    void abandonCurrentTile();

    void onSuccess();
    void onFailure();
    void onError(HttpClient::Error error, const QString &text);

    AppContext &m_context;
    DownloadJob &m_job;
    download::DownloadList &m_list;
    HttpClient m_client;
    std::unique_ptr<IiifFetcher> m_iiifFetcher;
    std::unique_ptr<source::SourceRunner> m_sources;
    std::function<bool()> m_unattendedDial;
    std::function<bool()> m_hangUp;

    download::TileRect m_rect;
    QString m_mapFolder;
    QString m_partialPath;   // native path of the current tile's temporary file
    QString m_status;
    int m_runningMark = 0;
    int m_gauge = 0;
    bool m_active = false;
    QTimer m_stopGrace;
    // Tiles of the tile server refused one after the other. Only bodies cut at the size limit
    // count: a sheet's blank edges may be missing on the server for a whole row of tiles.
    download::RefusalStreak m_streak{false};

    // The received tiles while they are checked and renamed into place, oldest first.
    struct PendingCheck {
        int row = -1;
        QString code;
        QString finalPath;
        std::future<store::TileWriter::Result> result;
    };
    std::deque<PendingCheck> m_pending;
    bool m_walkWaitsForCheck = false;   // the next request waits for a check to end
    QThreadPool m_checker;   // last member: its thread ends before the rest goes
};
