#pragma once
// The download engine: installs the tiles of the chosen rectangle of a sheet into the
// sheet's map folder. It works on its own copy of the selection (the DownloadJob of the
// program-wide state), so the user may select other sheets while it runs. It dials, picks
// the sheet's source (the tile server's template, or the sheet's own server) and hands the
// walk to the one source runner, whose rows, gauge and end reach its signals; at the end it
// hangs up as the options say. The tile server is reached through the HTTP/1.0 client, one
// request after the other; each tile reaches its final name only once its transfer
// succeeded and the file holds a whole JPEG picture.

#include "download/DownloadList.h"
#include "net/HttpClient.h"

#include <QObject>
#include <QTimer>
#include <functional>
#include <memory>

class AppContext;
namespace source {
class ClassicTransport;
class SourceRunner;
}
class PacedFetcher;

class DownloadEngine : public QObject {
    Q_OBJECT
public:
    static constexpr int kRunningMark = 22;
    static constexpr int kStopGraceMs = 900;

    DownloadEngine(AppContext &context, download::DownloadList &list, QObject *parent = nullptr);
    // Quitting during a run leaves no temporary file behind.
    ~DownloadEngine() override;

    // The tile server's client.
    HttpClient &client();
    // The fetcher of sheets added with their own address (IIIF, Deep Zoom, Zoomify), and
    // the run that uses it.
    PacedFetcher &pacedFetcher() { return *m_fetcher; }
    source::SourceRunner &sourceRunner() { return *m_sources; }

    // The two connection options, read when they are needed (at the start and at the end).
    void setUnattendedDialOption(std::function<bool()> option) { m_unattendedDial = std::move(option); }
    void setHangUpOption(std::function<bool()> option) { m_hangUp = std::move(option); }

    // Starts a run over the rectangle for the current selection. False when there is no
    // internet connection: no run starts and the list stays.
    bool start(const source::TileRect &rect);
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

signals:
    void statusTextChanged(const QString &text);
    void captionChanged(const QString &caption);
    void runningMarkChanged(int mark);
    void gaugeChanged(int value);
    void currentRowChanged(int row);
    // The file of the last tile received (native path); an empty path clears the picture.
    void tileShown(const QString &tileFile);
    // A tile of the list got its final state.
    void tileDone(int row, const QString &fileName, source::RowState state);
    void requestStarted(const QString &url);
    // The run has ended (FinishDownload done).
    void finished();

private:
    void setStatus(const QString &text);
    void setRunningMark(int mark);
    void setGauge(int value);
    void finishDownload(bool keepStatus);
    void connectSources();
    void markRow(int row, const QString &code, source::RowState state);
    void abandonCurrentTile();

    AppContext &m_context;
    download::DownloadList &m_list;
    std::unique_ptr<source::ClassicTransport> m_classic;
    std::unique_ptr<PacedFetcher> m_fetcher;
    std::unique_ptr<source::SourceRunner> m_sources;   // after the transports: it goes first
    std::function<bool()> m_unattendedDial;
    std::function<bool()> m_hangUp;

    QString m_mapFolder;
    QString m_status;
    int m_runningMark = 0;
    int m_gauge = 0;
    bool m_active = false;
    bool m_stopRequested = false;   // "Arrêter" during the run
    QTimer m_stopGrace;
};
