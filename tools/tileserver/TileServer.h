#pragma once
// A small HTTP/1.0 server that serves the tiles of a maps root under the library's paths:
// "/Fonds_ImagesZoom/077/077" + document number + "/0000001/MAXI_xx.jpg" for the Cassini
// sheets of both editions and "/0000" + sheet index for the archive maps. Document numbers
// are mapped back to sheets with the program's own catalogue. One answer per connection,
// then the connection is closed; one log line per request.

#include <QHash>
#include <QObject>
#include <QString>
#include <QTcpServer>

class QTcpSocket;

class TileServer : public QObject {
    Q_OBJECT
public:
    explicit TileServer(const QString &mapsRoot, QObject *parent = nullptr);

    bool listen(const QHostAddress &address, quint16 port);
    quint16 port() const { return m_server.serverPort(); }
    QString errorString() const { return m_server.errorString(); }

    // The tile file (native path) that answers a request path, or empty when none exists.
    QString tileFileFor(const QString &requestPath) const;
    // The map folders (program paths) a request path may name, most likely first.
    QStringList candidateFiles(const QString &requestPath) const;

    static constexpr int kMaxRequestBytes = 8192;
    static constexpr int kIdleTimeoutMs = 30000;

signals:
    // "address "request line" status bytes"
    void logLine(const QString &line);

private:
    void onConnection();
    void onReadable(QTcpSocket *socket);
    void respond(QTcpSocket *socket, int status, const QByteArray &reason, const QByteArray &type,
                 const QByteArray &body, const QByteArray &requestLine, bool headOnly);

    QString m_root;
    QTcpServer m_server;
    // Document number -> (edition folder, sheet number) of the Cassini sheets.
    QHash<QString, QPair<QString, int>> m_cassini;
};
