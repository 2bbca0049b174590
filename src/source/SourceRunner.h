#pragma once
// The run of a download from a tile source: reads the source's description, then walks the
// rectangle in the usual order (rows outer, columns inner). Tiles already on disk are
// "Déjà installée ", tiles outside the source's grid "Hors de l'image", without a request.
// For the others it asks every server tile the stored tile needs, as many stored tiles at
// once as the server is allowed (the fetcher's limit, kept-alive connections), then, on a
// worker thread, assembles them, encodes the stored tile and writes it through the
// TileWriter, so it reaches its name only whole. A transport that allows it (the tile
// server's) asks for the next tile while the worker checks the last; rows then get their
// states in the order of the walk, and a run that ends on a failure lets the tiles being
// checked settle first. An answer that several stored tiles need
// (a whole picture cut by the program, a server tile on the edge of two stored tiles) is
// asked once and kept while tiles still need it. A busy server's Retry-After is counted
// down in the status field; where the tiles are cut from one whole picture, the status
// says how once the first is made: "découpe sans perte" while every tile so far kept the
// picture's own compressed blocks, "découpe avec réencodage" once one had to be encoded
// again; tiles that keep coming back refused end the run (see
// RefusalStreak.h). A run with no progress for the deadline ends. "Arrêter" lets the
// requests in flight end, then the run ends; stopNow() ends it at once. The end is one
// RunOutcome, whose text comes from the one table of RunOutcome.h.

#include "source/TileRect.h"
#include "source/RefusalStreak.h"
#include "source/RetryCountdown.h"
#include "net/PacedFetcher.h"
#include "source/Transport.h"
#include "source/RunOutcome.h"
#include "source/SourceAddress.h"
#include "source/TileAssembly.h"
#include "store/TileWriter.h"

#include <QHash>
#include <QMap>
#include <QSet>
#include <QObject>
#include <QThreadPool>
#include <QTimer>
#include <functional>
#include <memory>

namespace source {

class SourceRunner : public QObject {
    Q_OBJECT
public:
    // Longest time without any answer while requests are out: Retry-After waits fit in it.
    static constexpr int kDefaultDeadlineMs = 200000;

    // Sources read from a description are fetched by `fetcher`.
    explicit SourceRunner(PacedFetcher &fetcher, QObject *parent = nullptr);
    ~SourceRunner() override;

    void setDeadline(int milliseconds) { m_deadline.setInterval(milliseconds); }

    // Starts the run; `stopRequested` is asked before each new stored tile.
    void start(const SourceAddress &address, const source::TileRect &rect, const QString &mapFolder,
               std::function<bool()> stopRequested);
    // Starts a run from a source known without a description, through `transport`.
    void start(Transport &transport, std::unique_ptr<TileSource> source, const source::TileRect &rect,
               const QString &mapFolder, std::function<bool()> stopRequested);
    // Ends at once without any further signal; no temporary file stays.
    void cancel();
    // Ends at once: the rows in flight go back to waiting (rowAbandoned()), then ended().
    void stopNow();
    bool active() const { return m_active; }
    // The source of the run, once its description was read (kept after the run).
    const TileSource *source() const { return m_source.get(); }

signals:
    void statusText(const QString &text);
    // The description is read: the sheet's tiles fill `grid` (columns x rows).
    void planned(QSize grid);
    void advanced(int row);
    void receiving(int row);
    // A row got its final state; `tileFile` is the stored tile's native path once installed.
    void rowDone(int row, const QString &tileCode, source::RowState state, const QString &tileFile);
    // A row whose tile was being fetched or made when the run ended: it was not fetched.
    void rowAbandoned(int row);
    // The run is over; `text` is the status text of the outcome (empty when it ended as usual).
    void ended(source::RunOutcome outcome, const QString &text);

private:
    struct Tile {
        // Asked for; being assembled or checked on the worker; done, its row not settled yet.
        enum class Stage { Fetching, Making, Done };
        Stage stage = Stage::Fetching;
        TileId id;
        QList<TilePiece> pieces;
        QList<QByteArray> answers;
        int waiting = 0;
        QString file;      // the answer streamed to a temporary file, stored as it came
        qint64 fileBytes = 0;
        QString failure;   // why the tile cannot be made
        bool cut = false;  // an answer passed the size limit
        store::TileWriter::Result result = store::TileWriter::Result::NotPicture;   // once done
        QString why;
    };
    // A request out: for one piece of one stored tile, or for an answer several share.
    struct Request {
        int row = -1;        // list row of its stored tile
        int piece = 0;       // index of its piece
        QString sharedUrl;   // set for an answer that several stored tiles share
    };
    struct Answer {
        QByteArray body;
        QString file;
        qint64 fileBytes = 0;
        QString failure;
        bool cut = false;
    };
    // An answer that several stored tiles of the walk need.
    struct SharedAnswer {
        int uses = 0;          // stored tiles of the walk that still need it
        bool requested = false;
        bool arrived = false;
        Answer answer;
        QList<Request> waiting;   // pieces that wait for it
    };

    void begin(Transport &transport, const SourceAddress &address, const source::TileRect &rect,
               const QString &mapFolder, std::function<bool()> stopRequested);
    void attach(Transport &transport);
    void walk();
    void onResult(const Transport::Result &result);
    void onDescription(const Transport::Result &result);
    void countSharedAnswers();
    void pump();
    void ask(int row, int piece, const QString &url);
    void deliver(int row, int piece, const Answer &answer);
    void assemble(int row);
    void install(int row);
    struct WorkerResult {
        store::TileWriter::Result result;
        QString why;
        TileMaking making = TileMaking::AsIs;
    };
    void onWorker(int row, std::function<WorkerResult()> job);
    void done(int row, store::TileWriter::Result result, const QString &why);
    void settle(int row);
    int count(Tile::Stage stage) const;
    void tellCut(TileMaking making);
    void release(const Tile &tile);
    void endIfDone();
    void finish(RunOutcome outcome, const QString &detail = {});
    void abandonRows();
    QString tilePath(TileId id) const;

    std::unique_ptr<Transport> m_fetcher;   // the paced fetcher's
    Transport *m_transport = nullptr;       // that of the run
    QSet<Transport *> m_attached;
    bool m_active = false;
    int m_generation = 0;
    SourceAddress m_address;
    source::TileRect m_rect;
    QString m_mapFolder;
    std::function<bool()> m_stopRequested;
    std::unique_ptr<TileSource> m_source;
    int m_descriptionRequest = 0;
    int m_cursor = -1;
    int m_capacity = 1;
    int m_checksAhead = 0;                     // the transport's
    QHash<int, Request> m_requests;            // by request id
    QMap<int, Tile> m_tiles;                   // list row -> stored tile being fetched or made
    // The end of a run that waits for the tiles being checked (see Transport::checksAhead()).
    std::optional<std::pair<RunOutcome, QString>> m_ending;
    QHash<QString, SharedAnswer> m_shared;     // by address
    int m_asked = 0;
    int m_installed = 0;
    int m_failed = 0;
    std::pair<QString, QByteArray> m_descriptionAnswer;   // a plain picture read as its description
    int m_cutLossless = 0;    // tiles cut from a whole picture, by how
    int m_cutReencoded = 0;
    QString m_firstFailure;
    source::RefusalStreak m_streak;
    source::RetryCountdown m_countdown;
    QTimer m_deadline;
    QThreadPool m_worker;   // last member: its thread ends before the rest goes
};

} // namespace source
