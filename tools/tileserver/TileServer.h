#pragma once
// A small HTTP/1.0 server that serves the tiles of a maps root under the library's paths
// (see ClassicLayout.h), for the Cassini sheets of both editions and the archive maps. One
// answer per connection, then the connection is closed; one log line per request.
//
// It may face a network: only regular files whose real path lies inside the root are
// served, files are opened without blocking and sent in pieces (a connection holds about
// 1 MiB at most), a connection that makes no progress for kIdleTimeoutMs is dropped, the
// number of connections is bounded, and running out of descriptors pauses accepting
// instead of spinning. Control characters of requests are escaped in the log.
//
// Under load: at the limit, requests already in a socket's buffer are read first, and only
// a connection that has sent nothing for a while (longest silent first) makes room for a
// newcomer; otherwise newcomers wait in the system's queue. A request must arrive whole,
// and an answer must go out at a minimum rate, over each window of kRateWindowMs, so that
// slow readers cannot hold every slot.

#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <QTcpServer>
#include <QTimer>

#include <list>
#include <memory>

class QTcpSocket;

class TileServer : public QObject {
    Q_OBJECT
public:
    explicit TileServer(const QString &mapsRoot, QObject *parent = nullptr);
    ~TileServer() override;

    bool listen(const QHostAddress &address, quint16 port);
    quint16 port() const { return m_server.serverPort(); }
    QString errorString() const { return m_server.errorString(); }

    // The tile file (native path) that answers a request path, or empty when none exists
    // as a regular file inside the root.
    QString tileFileFor(const QString &requestPath) const;
    // The map folders (program paths) a request path may name, most likely first.
    QStringList candidateFiles(const QString &requestPath) const;

    static constexpr int kMaxRequestBytes = 8192;
    static constexpr int kIdleTimeoutMs = 30000;
    static constexpr int kDefaultMaxConnections = 256;
    // A connection that has sent nothing for this long may make room for a newcomer.
    static constexpr int kSilentGraceMs = 100;
    // Each window, a request not yet whole or an answer sent slower than the minimum rate
    // ends its connection.
    static constexpr int kRateWindowMs = 10000;
    static constexpr qint64 kMinBytesPerSecond = 1024;
    // Connections accepted by the socket layer but not yet taken: few, so that they stay
    // within the descriptors kept aside.
    static constexpr int kPendingConnections = 8;
    static constexpr int kListenBacklog = 1024;
    static constexpr qint64 kPieceBytes = 256 * 1024;
    // A new piece is read only when less than this waits to be sent.
    static constexpr qint64 kLowWaterBytes = 512 * 1024;

    // At most `count`, and never more than the descriptors this process may open allow.
    void setMaxConnections(int count);
    static int descriptorBudget();
    static constexpr int kReservedDescriptors = 16 + kPendingConnections;
    int maxConnections() const { return m_maxConnections; }
    void setIdleTimeout(int milliseconds) { m_idleTimeoutMs = milliseconds; }
    void setSilentGrace(int milliseconds) { m_silentGraceMs = milliseconds; }
    // Over each window of `milliseconds`, at least `bytesPerSecond` must go out to a reader
    // still owed bytes, and a request must have arrived whole by the end of its first window.
    void setMinimumRate(qint64 bytesPerSecond, int windowMilliseconds);
    int connectionCount() const { return int(m_clients.size()); }

    // The request line as it goes to the log: bytes below 0x20, 0x7f and above, '"' and '\'
    // are written as \xNN.
    static QString escapedForLog(const QByteArray &text);

signals:
    // "address "request line" status bytes"
    void logLine(const QString &line);

private:
    struct Client;
    class BusyGuard;
    using ClientList = std::list<std::unique_ptr<Client>>;

    void onConnection();
    void onAcceptError(QAbstractSocket::SocketError error);
    void onReadable(Client &client);
    void respond(Client &client, int status, const QByteArray &reason, const QByteArray &type,
                 const QByteArray &body, const QByteArray &requestLine, bool headOnly);
    void sendFile(Client &client, int fd, qint64 size, const QByteArray &requestLine, bool headOnly);
    void pump(Client &client);
    void finishSending(Client &client);
    void close(Client &client);
    bool hasWaitingClient() const;
    bool evictWaitingClient();
    bool makeRoom();
    void readArrivedRequests();
    Client *longestSilent() const;
    void scheduleRoomCheck();
    void checkRates();
    void adopt(QTcpSocket *socket);
    void resumeAccepting();

    QString m_root;
    QString m_realRoot;
    QTcpServer m_server;
    ClientList m_clients;
    int m_maxConnections = kDefaultMaxConnections;
    int m_idleTimeoutMs = kIdleTimeoutMs;
    int m_silentGraceMs = kSilentGraceMs;
    int m_rateWindowMs = kRateWindowMs;
    qint64 m_minBytesPerSecond = kMinBytesPerSecond;
    bool m_paused = false;
    QTimer m_retryAccept;
    QTimer m_roomCheck;
    QTimer m_rateCheck;
    QElapsedTimer m_clock;
};
