#include "TileServer.h"

#include "app/SelectionState.h"
#include "catalogue/CassiniCatalogue.h"
#include "platform/Paths.h"
#include "store/TileStore.h"

#include <QFile>
#include <QRegularExpression>
#include <QTcpSocket>
#include <QTimer>

TileServer::TileServer(const QString &mapsRoot, QObject *parent) : QObject(parent), m_root(mapsRoot)
{
    for (int sheet = 1; sheet <= cassini::kSheetCount; ++sheet) {
        for (int item : {0, 1}) {
            const QString number = cassini::documentNumber(sheet, item);
            if (!number.isEmpty())
                m_cassini.insert(number, {editions::cassiniFolder(item), sheet});
        }
    }
    connect(&m_server, &QTcpServer::newConnection, this, &TileServer::onConnection);
}

bool TileServer::listen(const QHostAddress &address, quint16 port)
{
    return m_server.listen(address, port);
}

QStringList TileServer::candidateFiles(const QString &requestPath) const
{
    static const QRegularExpression pattern(
        QStringLiteral("^/Fonds_ImagesZoom/077/077(\\d{1,6})/(\\d{7})/MAXI_([A-Z]{2})\\.jpg$"));
    const auto match = pattern.match(requestPath);
    if (!match.hasMatch())
        return {};
    const QString number = match.captured(1);
    const QString folder = match.captured(2);
    const QString fileName = QStringLiteral("MAXI_") + match.captured(3) + QStringLiteral(".jpg");
    QStringList files;
    // A Cassini sheet: folder "0000001".
    if (folder == QStringLiteral("0000001")) {
        const auto it = m_cassini.constFind(number);
        if (it != m_cassini.constEnd())
            files << store::mapFolder(m_root, it->first, QString::number(it->second), QString())
                         + u'\\' + fileName;
    }
    // An archive map: document number = position + 10000, folder "0000" + sheet index.
    const int position = number.toInt() - 10000;
    const int index = folder.mid(4).toInt();
    if (position >= 1 && folder.startsWith(QStringLiteral("0000")) && index >= 1)
        files << store::mapFolder(m_root, editions::kArchive, QString::number(position),
                                  QStringLiteral("\\F") + folder.mid(4))
                     + u'\\' + fileName;
    return files;
}

QString TileServer::tileFileFor(const QString &requestPath) const
{
    for (const QString &file : candidateFiles(requestPath)) {
        const QString native = paths::nativePath(file);
        if (QFile::exists(native))
            return native;
    }
    return {};
}

void TileServer::onConnection()
{
    while (QTcpSocket *socket = m_server.nextPendingConnection()) {
        auto *idle = new QTimer(socket);
        idle->setSingleShot(true);
        connect(idle, &QTimer::timeout, socket, &QTcpSocket::abort);
        idle->start(kIdleTimeoutMs);
        connect(socket, &QTcpSocket::readyRead, this, [this, socket] { onReadable(socket); });
        connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
        if (socket->bytesAvailable() > 0)
            onReadable(socket);
    }
}

void TileServer::onReadable(QTcpSocket *socket)
{
    if (socket->property("answered").toBool()) {
        socket->readAll();
        return;
    }
    QByteArray request = socket->property("request").toByteArray() + socket->readAll();
    const int end = request.indexOf("\r\n\r\n") >= 0 ? request.indexOf("\r\n\r\n") : request.indexOf("\n\n");
    if (end < 0) {
        if (request.size() > kMaxRequestBytes) {
            socket->setProperty("answered", true);
            respond(socket, 400, "Bad Request", "text/html", "<html><body>Bad Request</body></html>\n",
                    request.left(80), false);
        } else {
            socket->setProperty("request", request);
        }
        return;
    }
    socket->setProperty("answered", true);
    const QByteArray requestLine = request.left(request.indexOf('\n')).trimmed();
    const QList<QByteArray> fields = requestLine.simplified().split(' ');
    const QByteArray method = fields.value(0);
    if (fields.size() < 2 || (method != "GET" && method != "HEAD"))
        return respond(socket, 400, "Bad Request", "text/html", "<html><body>Bad Request</body></html>\n",
                       requestLine, false);
    const bool head = method == "HEAD";
    const QString file = tileFileFor(QString::fromLatin1(fields.at(1)));
    QFile tile(file);
    if (file.isEmpty() || !tile.open(QIODevice::ReadOnly))
        return respond(socket, 404, "Not Found", "text/html", "<html><body>Not Found</body></html>\n",
                       requestLine, head);
    respond(socket, 200, "OK", "image/jpeg", tile.readAll(), requestLine, head);
}

void TileServer::respond(QTcpSocket *socket, int status, const QByteArray &reason, const QByteArray &type,
                         const QByteArray &body, const QByteArray &requestLine, bool headOnly)
{
    QByteArray answer = "HTTP/1.0 " + QByteArray::number(status) + ' ' + reason + "\r\n"
                        + "Server: orvantis-tileserver\r\n" + "Content-Type: " + type + "\r\n"
                        + "Content-Length: " + QByteArray::number(body.size()) + "\r\n\r\n";
    if (!headOnly)
        answer += body;
    socket->write(answer);
    socket->disconnectFromHost();
    emit logLine(socket->peerAddress().toString() + QStringLiteral(" \"") + QString::fromLatin1(requestLine)
                 + QStringLiteral("\" ") + QString::number(status) + u' '
                 + QString::number(headOnly ? 0 : body.size()));
}
