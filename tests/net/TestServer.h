#pragma once
// An HTTP server on 127.0.0.1 (port 0) for the tests, scripted per request to answer well
// or to misbehave: error statuses, redirects, cookies, no status line, short or garbage
// bodies, a stall, a reset connection, oversized headers.

#include <QByteArray>
#include <QHostAddress>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QTcpServer>
#include <functional>

class QTcpSocket;

namespace testing_support {

class TestServer : public QObject {
    Q_OBJECT
public:
    enum class Reply {
        Jpeg,          // 200 with the body and its Content-Length
        NotFound,      // 404 with a small page
        ServerError,   // 500 with a small page
        Redirect,      // 302 to `location`, with `cookie` as Set-Cookie when not empty
        NoStatus,      // closes without sending anything
        Truncated,     // 200 announcing the body's length, sends half of it, closes
        Garbage,       // 200 with bytes that are no picture
        Stall,         // reads the request and never answers
        HalfThenStall, // sends the header and half of the body, then nothing more
        Reset,         // sends the header and part of the body, then resets the connection
        LongHeader,    // 200 with a header line of 10000 characters
        ManyHeaders,   // 200 with 150 header lines
        Trickle,       // 200 announcing the body's length, then one byte every trickleMs
        Endless,       // 200 without a length, then bytes for as long as the client reads
        Busy,          // 429 with `retryAfter` as its Retry-After header
    };
    struct Answer {
        Reply reply = Reply::Jpeg;
        QByteArray body;       // for Jpeg, Truncated, Reset: empty means `tile`
        QByteArray location;
        QByteArray cookie;
        QByteArray retryAfter;
    };

    explicit TestServer(QObject *parent = nullptr);
    // Listening on another loopback address (127.0.0.2: "another host" without a name).
    explicit TestServer(const QHostAddress &address, QObject *parent = nullptr);
    ~TestServer() override;

    quint16 port() const { return m_server.serverPort(); }
    QString authority() const { return m_server.serverAddress().toString() + QStringLiteral(":%1").arg(port()); }

    // What to answer to a request path; by default the tile as a 200 answer.
    std::function<Answer(const QByteArray &path)> script;
    QByteArray tile;
    int trickleMs = 2000;
    // Bytes sent by Endless answers so far.
    qint64 endlessBytes = 0;

    // Every request received, whole, and its path.
    QList<QByteArray> requests;
    QList<QByteArray> paths;

signals:
    void requestReceived(const QByteArray &path);

private:
    void onConnection();
    void onReadable(QTcpSocket *socket);
    void answer(QTcpSocket *socket, const Answer &a);

    QTcpServer m_server;
    void trickle(QTcpSocket *socket, QByteArray rest);
    void feedEndless(QTcpSocket *socket);

    QList<QPointer<QTcpSocket>> m_stalled;
};

} // namespace testing_support
