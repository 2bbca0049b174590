#include "net/TestServer.h"

#include <QTcpSocket>
#include <QTimer>
#include <stdexcept>
#include <sys/socket.h>

namespace testing_support {

namespace {
QByteArray response(const QByteArray &statusLine, const QByteArray &headers, const QByteArray &body,
                    qint64 announcedLength)
{
    return "HTTP/1.0 " + statusLine + "\r\n" + headers + "Content-Length: " + QByteArray::number(announcedLength)
           + "\r\n\r\n" + body;
}
} // namespace

TestServer::TestServer(QObject *parent) : TestServer(QHostAddress(QHostAddress::LocalHost), parent) {}

TestServer::TestServer(const QHostAddress &address, QObject *parent) : QObject(parent)
{
    if (!m_server.listen(address, 0))
        throw std::runtime_error("test server cannot listen");
    connect(&m_server, &QTcpServer::newConnection, this, &TestServer::onConnection);
}

TestServer::~TestServer()
{
    for (const QPointer<QTcpSocket> &s : m_stalled)
        if (s)
            s->abort();
}

void TestServer::onConnection()
{
    while (QTcpSocket *socket = m_server.nextPendingConnection()) {
        socket->setParent(this);
        socket->setProperty("request", QByteArray());
        connect(socket, &QTcpSocket::readyRead, this, [this, socket] { onReadable(socket); });
        connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
    }
}

void TestServer::onReadable(QTcpSocket *socket)
{
    QByteArray request = socket->property("request").toByteArray() + socket->readAll();
    socket->setProperty("request", request);
    if (!request.contains("\r\n\r\n") || socket->property("answered").toBool())
        return;
    socket->setProperty("answered", true);
    const QList<QByteArray> first = request.left(request.indexOf("\r\n")).split(' ');
    const QByteArray path = first.size() >= 2 ? first.at(1) : QByteArray();
    requests << request;
    paths << path;
    emit requestReceived(path);
    answer(socket, script ? script(path) : Answer{});
}

void TestServer::answer(QTcpSocket *socket, const Answer &a)
{
    const QByteArray body = a.body.isEmpty() ? tile : a.body;
    const QByteArray page = "<html><body>Erreur</body></html>";
    switch (a.reply) {
    case Reply::Jpeg:
        socket->write(response("200 OK", "Content-Type: image/jpeg\r\n", body, body.size()));
        break;
    case Reply::NotFound:
        socket->write(response("404 Not Found", "Content-Type: text/html\r\n", page, page.size()));
        break;
    case Reply::ServerError:
        socket->write(response("500 Internal Server Error", "Content-Type: text/html\r\n", page, page.size()));
        break;
    case Reply::Redirect: {
        QByteArray headers = "Location: " + a.location + "\r\n";
        if (!a.cookie.isEmpty())
            headers += "Set-Cookie: " + a.cookie + "\r\n";
        socket->write(response("302 Found", headers, QByteArray(), 0));
        break;
    }
    case Reply::NoStatus:
        break;
    case Reply::Truncated:
        socket->write(response("200 OK", "Content-Type: image/jpeg\r\n", body.left(body.size() / 2), body.size()));
        break;
    case Reply::Garbage: {
        const QByteArray garbage(2000, 'x');
        socket->write(response("200 OK", "Content-Type: image/jpeg\r\n", garbage, garbage.size()));
        break;
    }
    case Reply::Stall:
        m_stalled << socket;
        return;
    case Reply::HalfThenStall:
        socket->write(response("200 OK", "Content-Type: image/jpeg\r\n", body.left(body.size() / 2), body.size()));
        m_stalled << socket;
        return;
    case Reply::Reset: {
        socket->write(response("200 OK", "Content-Type: image/jpeg\r\n", body.left(body.size() / 2), body.size()));
        socket->flush();
        linger l{1, 0};
        ::setsockopt(int(socket->socketDescriptor()), SOL_SOCKET, SO_LINGER, &l, sizeof l);
        socket->abort();
        return;
    }
    case Reply::Trickle:
        socket->write("HTTP/1.0 200 OK\r\nContent-Type: image/jpeg\r\nContent-Length: " + QByteArray::number(body.size())
                      + "\r\n\r\n");
        m_stalled << socket;
        trickle(socket, body);
        return;
    case Reply::Endless:
        socket->write("HTTP/1.0 200 OK\r\nContent-Type: image/jpeg\r\n\r\n");
        m_stalled << socket;
        connect(socket, &QTcpSocket::bytesWritten, this, [this, socket] { feedEndless(socket); });
        feedEndless(socket);
        return;
    case Reply::Busy:
        socket->write(response("429 Too Many Requests", "Retry-After: " + a.retryAfter + "\r\n", page, page.size()));
        break;
    case Reply::LongHeader:
        socket->write(response("200 OK", "X-Long: " + QByteArray(10000, 'a') + "\r\n", body, body.size()));
        break;
    case Reply::ManyHeaders: {
        QByteArray headers;
        for (int i = 0; i < 150; ++i)
            headers += "X-Line-" + QByteArray::number(i) + ": a\r\n";
        socket->write(response("200 OK", headers, body, body.size()));
        break;
    }
    }
    socket->disconnectFromHost();
}

void TestServer::trickle(QTcpSocket *socket, QByteArray rest)
{
    if (rest.isEmpty())
        return socket->disconnectFromHost();
    socket->write(rest.left(1));
    QPointer<QTcpSocket> guard(socket);
    QTimer::singleShot(trickleMs, this, [this, guard, rest] {
        if (guard && guard->state() == QAbstractSocket::ConnectedState)
            trickle(guard, rest.mid(1));
    });
}

void TestServer::feedEndless(QTcpSocket *socket)
{
    static const QByteArray piece(64 * 1024, '\x55');
    while (socket->state() == QAbstractSocket::ConnectedState && socket->bytesToWrite() < 4 * piece.size()) {
        socket->write(piece);
        endlessBytes += piece.size();
    }
}

} // namespace testing_support
