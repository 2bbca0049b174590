#pragma once
// The run of the download engine for a sheet served by an IIIF server: reads the image's
// description, plans the tiles (see IiifPlan.h), then walks the rectangle in the usual
// order. Tiles already on disk are "Déjà installée ", tiles outside the plan's grid
// "Hors de l'image" without a request (a list made before the plan was known may hold them); the others are fetched, as many at once as the
// server is allowed (the fetcher's limit), each body written to a temporary file of its own
// beside its tile. Each received body is checked on a worker thread (whole picture, the size
// the plan asks for) and renamed onto MAXI_xx.jpg only then: the window never waits for a
// check. "Arrêter" lets no new request start; stopNow() then drops the requests in flight.
// A run whose tiles keep coming back refused stops (see RefusalStreak.h).

#include "download/DownloadList.h"
#include "download/IiifPlan.h"
#include "download/RefusalStreak.h"
#include "download/RetryCountdown.h"
#include "net/IiifFetcher.h"
#include "store/TileWriter.h"

#include <QHash>
#include <QObject>
#include <QThreadPool>
#include <functional>
#include <optional>

class IiifDownload : public QObject {
    Q_OBJECT
public:
    static constexpr qint64 kMaxInfoBytes = 4 * 1024 * 1024;

    explicit IiifDownload(IiifFetcher &fetcher, QObject *parent = nullptr);
    ~IiifDownload() override;

    // Starts the run; `stopRequested` is asked before each new request.
    void start(const QString &imageBase, const download::TileRect &rect, const QString &mapFolder,
               std::function<bool()> stopRequested);
    // Ends at once without any further signal; no temporary file stays.
    void cancel();
    // Ends at once: the rows in flight go back to waiting (rowAbandoned()), then ended().
    void stopNow();
    bool active() const { return m_active; }
    const std::optional<iiif::TilePlan> &plan() const { return m_plan; }

signals:
    void statusText(const QString &text);
    // The plan is made: the sheet's tiles fill `grid` (columns x rows).
    void planned(QSize grid);
    // The walk reached a row of the list.
    void advanced(int row);
    void receiving(int row);
    // A row got its final state; `tileFile` is the stored tile's native path for a download.
    void rowDone(int row, const QString &tileCode, download::RowState state, const QString &tileFile);
    // A row whose tile was being fetched or checked when the run ended: it was not fetched.
    void rowAbandoned(int row);
    // The run is over; `keepStatus` when the status field tells why it ended early.
    void ended(bool keepStatus);

private:
    struct Pending {
        int row = 0;
        int column = 0;
        int gridRow = 0;
        QString partial;
    };

    void onResult(const IiifFetcher::Result &result);
    void onInfo(const IiifFetcher::Result &result);
    void startCheck(const Pending &p, qint64 bytes);
    void onChecked(quint64 generation, const Pending &p, store::TileWriter::Result result);
    void refused(const Pending &p, bool cut);
    void pump();
    void pumpLater();
    void endWithError(const QString &text);
    void abandonRows();
    QString tilePath(int column, int row) const;

    IiifFetcher &m_fetcher;
    bool m_active = false;
    quint64 m_generation = 0;   // checks of an earlier run are not this run's
    QString m_imageBase;
    download::TileRect m_rect;
    QString m_mapFolder;
    std::function<bool()> m_stopRequested;
    int m_infoRequest = 0;
    std::optional<iiif::TilePlan> m_plan;
    int m_cursor = -1;
    int m_capacity = 1;
    QHash<int, Pending> m_inFlight;
    QHash<int, Pending> m_checking;   // by row
    download::RefusalStreak m_streak;
    download::RetryCountdown m_countdown;
    QThreadPool m_checker;   // last member: its thread ends before the rest goes
};
