#pragma once
// The pace of requests per server, shared by every fetcher of the program: a server named
// as paced (the library's) gets one request at a time and at least the interval between the
// end of one request and the start of the next; any other server is not held back here.
// Fetchers ask before each start and tell each end; ready() says when a server they wait
// for may take a request again.

#include <QElapsedTimer>
#include <QHash>
#include <QObject>
#include <QSet>
#include <QString>
#include <QTimer>
#include <QUrl>

class HostPace : public QObject {
    Q_OBJECT
public:
    static constexpr int kMaxIntervalMs = 10000;
    static constexpr int kDefaultIntervalMs = 1000;

    explicit HostPace(QObject *parent = nullptr);
    // The one pace of the program.
    static HostPace &shared();

    // "host:port" of an address, the port being the scheme's when none is given.
    static QString keyOf(const QUrl &url);
    // The "User-Agent" every request of the program carries.
    static QByteArray userAgent();

    // The servers held to the pace, by address (only their host and port count).
    void setPacedHosts(const QList<QUrl> &addresses);
    bool isPaced(const QUrl &url) const { return m_paced.contains(keyOf(url)); }
    // Interval between two requests to a paced server, 0 to 10 s.
    void setInterval(int milliseconds);
    int interval() const { return m_intervalMs; }

    // True, and the request counted as started, when a request to this address may start now.
    bool tryStart(const QUrl &url);
    // The end of a request that tryStart() let start.
    void finished(const QUrl &url);

signals:
    // A waiting request may now be tried again.
    void ready();
    // A request to a paced server started (ms of a steady clock).
    void started(const QString &hostKey, qint64 atMs);

private:
    struct State {
        int running = 0;
        qint64 lastEnd = -1;
    };
    void armTimer(qint64 dueMs);

    QSet<QString> m_paced;
    int m_intervalMs = kDefaultIntervalMs;
    QHash<QString, State> m_states;
    QElapsedTimer m_clock;
    QTimer m_timer;
};
