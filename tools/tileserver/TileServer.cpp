#include "TileServer.h"

#include "platform/Paths.h"
#include "source/classic/ClassicLayout.h"
#include "store/TileStore.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTcpSocket>

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <sys/ioctl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

struct TileServer::Client {
    QTcpSocket *socket = nullptr;
    QTimer idle;
    QByteArray request;
    bool answered = false;   // a request was read; the answer is being sent
    int fd = -1;             // the file being sent, in pieces
    qint64 remaining = 0;    // bytes of it still to read
    qint64 lastHeardMs = 0;  // when it was accepted or last sent a byte (server's clock)
    qint64 windowStartMs = 0;   // the current window of the rate check
    qint64 sentInWindow = 0;
    // Writing may report progress or the peer's end at once: pump() is not entered again
    // meanwhile, and a close asked for then happens when the writing is over.
    bool pumping = false;
    int busy = 0;
    bool closeWanted = false;
    ~Client()
    {
        if (fd >= 0)
            ::close(fd);
    }
};

TileServer::TileServer(const QString &mapsRoot, QObject *parent) : QObject(parent), m_root(mapsRoot)
{
    m_realRoot = QFileInfo(mapsRoot).canonicalFilePath();
    connect(&m_server, &QTcpServer::newConnection, this, &TileServer::onConnection);
    connect(&m_server, &QTcpServer::acceptError, this, &TileServer::onAcceptError);
    setMaxConnections(kDefaultMaxConnections);
    m_retryAccept.setSingleShot(true);
    m_retryAccept.setInterval(250);
    connect(&m_retryAccept, &QTimer::timeout, this, &TileServer::resumeAccepting);
    m_roomCheck.setSingleShot(true);
    connect(&m_roomCheck, &QTimer::timeout, this, &TileServer::onConnection);
    connect(&m_rateCheck, &QTimer::timeout, this, &TileServer::checkRates);
    setMinimumRate(kMinBytesPerSecond, kRateWindowMs);
    m_server.setMaxPendingConnections(kPendingConnections);
    m_server.setListenBacklogSize(kListenBacklog);
    m_clock.start();
}

TileServer::~TileServer()
{
    for (auto &client : m_clients)
        QObject::disconnect(client->socket, nullptr, this, nullptr);
    m_clients.clear();
}

// Each connection may hold two descriptors (its socket and the file it sends); a few more
// serve the program itself. Staying within them means accept never meets "too many open
// files", which the socket layer would only retry at once, again and again.
int TileServer::descriptorBudget()
{
    rlimit limit{};
    if (::getrlimit(RLIMIT_NOFILE, &limit) != 0 || limit.rlim_cur == RLIM_INFINITY)
        return kDefaultMaxConnections;
    return std::max(1, int((qint64(limit.rlim_cur) - kReservedDescriptors) / 2));
}

void TileServer::setMaxConnections(int count)
{
    m_maxConnections = std::clamp(count, 1, descriptorBudget());
}

void TileServer::setMinimumRate(qint64 bytesPerSecond, int windowMilliseconds)
{
    m_minBytesPerSecond = std::max<qint64>(0, bytesPerSecond);
    m_rateWindowMs = std::max(1, windowMilliseconds);
    // Checked four times a window: a connection is judged between one and 1.25 windows.
    m_rateCheck.start(std::max(1, m_rateWindowMs / 4));
}

bool TileServer::listen(const QHostAddress &address, quint16 port)
{
    return m_server.listen(address, port);
}

QStringList TileServer::candidateFiles(const QString &requestPath) const
{
    const auto request = source::ClassicLayout::parse(requestPath);
    if (!request)
        return {};
    QStringList files;
    for (const SheetId &sheet : request->sheets())
        files << paths::join(store::mapFolder(m_root, sheet),
                             request->tileFile());
    return files;
}

QString TileServer::tileFileFor(const QString &requestPath) const
{
    if (m_realRoot.isEmpty())
        return {};
    for (const QString &file : candidateFiles(requestPath)) {
        const QFileInfo info(file);
        // The real path, links followed, must lie inside the root and be a regular file.
        const QString real = info.canonicalFilePath();
        if (real.isEmpty() || !real.startsWith(m_realRoot + u'/'))
            continue;
        if (QFileInfo(real).isFile())
            return real;
    }
    return {};
}

QString TileServer::escapedForLog(const QByteArray &text)
{
    QString out;
    out.reserve(text.size());
    for (const char ch : text) {
        const auto c = uchar(ch);
        if (c < 0x20 || c >= 0x7f || c == '"' || c == '\\')
            out += QStringLiteral("\\x%1").arg(unsigned(c), 2, 16, QChar(u'0'));
        else
            out += QChar(c);
    }
    return out;
}

void TileServer::onConnection()
{
    while (m_server.hasPendingConnections()) {
        if (connectionCount() >= m_maxConnections && !makeRoom()) {
            scheduleRoomCheck();
            break;
        }
        adopt(m_server.nextPendingConnection());
    }
    // Full of connections that all have an answer under way: new ones wait in the system's
    // queue until one ends. While some still wait for their request, newcomers are taken
    // from the queue (a few at a time) and the longest silent may make room for them.
    // (Taking a pending connection turns accepting on again, hence the check every time.)
    if (connectionCount() >= m_maxConnections && !hasWaitingClient()) {
        m_server.pauseAccepting();
        m_paused = true;
    }
}

void TileServer::adopt(QTcpSocket *socket)
{
    m_clients.push_back(std::make_unique<Client>());
    Client &client = *m_clients.back();
    client.socket = socket;
    client.lastHeardMs = m_clock.elapsed();
    client.windowStartMs = client.lastHeardMs;
    client.idle.setSingleShot(true);
    client.idle.setInterval(m_idleTimeoutMs);
    connect(&client.idle, &QTimer::timeout, this, [this, &client] { close(client); });
    client.idle.start();
    connect(socket, &QTcpSocket::readyRead, this, [this, &client] { onReadable(client); });
    // Progress in sending keeps a slow reader's connection alive and brings the next piece.
    connect(socket, &QTcpSocket::bytesWritten, this, [this, &client](qint64 bytes) {
        client.sentInWindow += bytes;
        client.idle.start();
        pump(client);
    });
    connect(socket, &QTcpSocket::disconnected, this, [this, &client] { close(client); });
    if (socket->bytesAvailable() > 0)
        onReadable(client);
}

// Bytes received on a connection and not yet read: in the socket's buffer or in the system's.
static qint64 unreadBytes(QTcpSocket *socket)
{
    int queued = 0;
    if (::ioctl(int(socket->socketDescriptor()), FIONREAD, &queued) != 0)
        queued = 0;
    return socket->bytesAvailable() + queued;
}

// Requests that have arrived but were not read yet are read (and answered) before any
// connection is chosen to make room: such a connection is never the one sent away.
void TileServer::readArrivedRequests()
{
    std::vector<Client *> arrived;
    for (const auto &client : m_clients) {
        if (!client->answered && unreadBytes(client->socket) > 0)
            arrived.push_back(client.get());
    }
    for (Client *client : arrived) {
        const bool stillHere = std::any_of(m_clients.begin(), m_clients.end(),
                                           [client](const auto &c) { return c.get() == client; });
        if (stillHere)
            onReadable(*client);
    }
}

// The connection still waiting for its request that has been silent the longest, nothing
// of it unread; none when every connection has an answer under way.
TileServer::Client *TileServer::longestSilent() const
{
    Client *silent = nullptr;
    for (const auto &client : m_clients) {
        if (client->answered || unreadBytes(client->socket) > 0)
            continue;
        if (!silent || client->lastHeardMs < silent->lastHeardMs)
            silent = client.get();
    }
    return silent;
}

// At the limit: the connection silent the longest makes room, once silent for the grace
// time (a newcomer's request may still be on its way).
bool TileServer::makeRoom()
{
    readArrivedRequests();
    if (connectionCount() < m_maxConnections)
        return true;
    Client *silent = longestSilent();
    if (!silent || m_clock.elapsed() - silent->lastHeardMs < m_silentGraceMs)
        return false;
    close(*silent);
    return true;
}

// Newcomers wait: look again when the longest silent connection reaches the grace time.
void TileServer::scheduleRoomCheck()
{
    const Client *silent = longestSilent();
    if (!silent) {
        m_server.pauseAccepting();
        m_paused = true;
        return;
    }
    const qint64 due = silent->lastHeardMs + m_silentGraceMs - m_clock.elapsed();
    if (!m_roomCheck.isActive())
        m_roomCheck.start(int(std::clamp<qint64>(due, 1, m_silentGraceMs)));
}

// Out of descriptors (or another accept failure): accepting again at once would fail again
// and spin. The longest silent connection makes room, else accepting pauses until a
// connection ends or a short time has passed.
void TileServer::onAcceptError(QAbstractSocket::SocketError)
{
    m_server.pauseAccepting();
    m_paused = true;
    if (evictWaitingClient())
        resumeAccepting();
    else
        m_retryAccept.start();
}

bool TileServer::hasWaitingClient() const
{
    return std::any_of(m_clients.begin(), m_clients.end(), [](const auto &client) { return !client->answered; });
}

bool TileServer::evictWaitingClient()
{
    readArrivedRequests();
    if (Client *silent = longestSilent()) {
        close(*silent);
        return true;
    }
    return false;
}

// A request still not whole after its first window, or an answer that went out slower than
// the minimum rate over the last window, ends its connection.
void TileServer::checkRates()
{
    const qint64 now = m_clock.elapsed();
    const qint64 least = m_minBytesPerSecond * m_rateWindowMs / 1000;
    std::vector<Client *> slow;
    for (const auto &client : m_clients) {
        if (now - client->windowStartMs < m_rateWindowMs)
            continue;
        const bool owed = client->remaining > 0 || client->socket->bytesToWrite() > 0;
        if (!client->answered || (owed && client->sentInWindow < least))
            slow.push_back(client.get());
        client->windowStartMs = now;
        client->sentInWindow = 0;
    }
    for (Client *client : slow)
        close(*client);
}

void TileServer::resumeAccepting()
{
    if (connectionCount() >= m_maxConnections && !hasWaitingClient())
        return;
    if (m_paused) {
        m_paused = false;
        m_server.resumeAccepting();
    }
    // Connections taken by the socket layer while this was full are served now.
    if (m_server.hasPendingConnections())
        onConnection();
}

// Keeps a client alive while it is being written to; a close asked for meanwhile happens at
// the end. Nothing may touch the client after the guard has ended.
class TileServer::BusyGuard {
public:
    BusyGuard(TileServer &server, Client &client) : m_server(server), m_client(client) { ++m_client.busy; }
    ~BusyGuard()
    {
        if (--m_client.busy == 0 && m_client.closeWanted)
            m_server.close(m_client);
    }

private:
    TileServer &m_server;
    Client &m_client;
};

void TileServer::close(Client &client)
{
    if (client.busy > 0) {
        client.closeWanted = true;
        return;
    }
    for (auto it = m_clients.begin(); it != m_clients.end(); ++it) {
        if (it->get() != &client)
            continue;
        std::unique_ptr<Client> gone = std::move(*it);
        m_clients.erase(it);
        QTcpSocket *socket = gone->socket;
        QObject::disconnect(socket, nullptr, this, nullptr);
        gone->idle.stop();
        socket->abort();
        socket->deleteLater();
        gone.reset();
        if ((m_paused || m_server.hasPendingConnections()) && !m_retryAccept.isActive())
            QMetaObject::invokeMethod(this, &TileServer::resumeAccepting, Qt::QueuedConnection);
        return;
    }
}

void TileServer::onReadable(Client &client)
{
    QTcpSocket *socket = client.socket;
    if (client.answered) {
        socket->readAll();
        return;
    }
    client.idle.start();
    client.lastHeardMs = m_clock.elapsed();
    client.request += socket->read(kMaxRequestBytes + 1 - client.request.size());
    const QByteArray &request = client.request;
    const int end = request.indexOf("\r\n\r\n") >= 0 ? request.indexOf("\r\n\r\n") : request.indexOf("\n\n");
    if (end < 0) {
        if (request.size() > kMaxRequestBytes) {
            client.answered = true;
            respond(client, 400, "Bad Request", "text/html", "<html><body>Bad Request</body></html>\n",
                    request.left(80), false);
        }
        return;
    }
    client.answered = true;
    // The answer's rate is judged from here on.
    client.windowStartMs = m_clock.elapsed();
    client.sentInWindow = 0;
    const QByteArray requestLine = request.left(request.indexOf('\n')).trimmed();
    const QList<QByteArray> fields = requestLine.simplified().split(' ');
    const QByteArray method = fields.value(0);
    if (fields.size() < 2 || (method != "GET" && method != "HEAD"))
        return respond(client, 400, "Bad Request", "text/html", "<html><body>Bad Request</body></html>\n",
                       requestLine, false);
    const bool head = method == "HEAD";
    const QString file = tileFileFor(QString::fromLatin1(fields.at(1)));
    // Opened without blocking and checked again on the open file: what the name leads to may
    // have changed since it was looked at.
    int fd = file.isEmpty() ? -1 : ::open(QFile::encodeName(file).constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0 && !file.isEmpty() && (errno == EMFILE || errno == ENFILE))
        return respond(client, 503, "Service Unavailable", "text/html",
                       "<html><body>Service Unavailable</body></html>\n", requestLine, head);
    struct stat info {};
    if (fd >= 0 && (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode))) {
        ::close(fd);
        fd = -1;
    }
    if (fd < 0)
        return respond(client, 404, "Not Found", "text/html", "<html><body>Not Found</body></html>\n",
                       requestLine, head);
    sendFile(client, fd, qint64(info.st_size), requestLine, head);
}

void TileServer::respond(Client &client, int status, const QByteArray &reason, const QByteArray &type,
                         const QByteArray &body, const QByteArray &requestLine, bool headOnly)
{
    QByteArray answer = "HTTP/1.0 " + QByteArray::number(status) + ' ' + reason + "\r\n"
                        + "Server: orvantis-tileserver\r\n" + "Content-Type: " + type + "\r\n"
                        + "Content-Length: " + QByteArray::number(body.size()) + "\r\n\r\n";
    if (!headOnly)
        answer += body;
    client.socket->write(answer);
    emit logLine(client.socket->peerAddress().toString() + QStringLiteral(" \"") + escapedForLog(requestLine)
                 + QStringLiteral("\" ") + QString::number(status) + u' '
                 + QString::number(headOnly ? 0 : body.size()));
    finishSending(client);
}

void TileServer::sendFile(Client &client, int fd, qint64 size, const QByteArray &requestLine, bool headOnly)
{
    const QByteArray header = "HTTP/1.0 200 OK\r\nServer: orvantis-tileserver\r\nContent-Type: image/jpeg\r\n"
                              "Content-Length: "
                              + QByteArray::number(size) + "\r\n\r\n";
    client.socket->write(header);
    emit logLine(client.socket->peerAddress().toString() + QStringLiteral(" \"") + escapedForLog(requestLine)
                 + QStringLiteral("\" 200 ") + QString::number(headOnly ? 0 : size));
    if (headOnly) {
        ::close(fd);
        return finishSending(client);
    }
    client.fd = fd;
    client.remaining = size;
    pump(client);
}

// Reads the next piece of the file once most of what was written has gone out.
void TileServer::pump(Client &client)
{
    if (client.fd < 0 || client.pumping)
        return;
    BusyGuard guard(*this, client);
    client.pumping = true;
    QByteArray piece;
    while (client.remaining > 0 && !client.closeWanted && client.socket->bytesToWrite() < kLowWaterBytes) {
        piece.resize(qsizetype(std::min(kPieceBytes, client.remaining)));
        const ssize_t n = ::read(client.fd, piece.data(), size_t(piece.size()));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            // The file shrank or failed under us: the answer cannot be completed.
            client.pumping = false;
            return close(client);
        }
        client.remaining -= n;
        client.socket->write(piece.constData(), n);
        // Handed to the system at once rather than on the next turn of the loop.
        client.socket->flush();
    }
    client.pumping = false;
    if (client.remaining == 0 && !client.closeWanted) {
        ::close(client.fd);
        client.fd = -1;
        finishSending(client);
    }
}

void TileServer::finishSending(Client &client)
{
    BusyGuard guard(*this, client);
    // Handed to the system at once rather than on the next turn of the loop;
    // disconnectFromHost closes once everything written has gone out.
    client.socket->flush();
    client.socket->disconnectFromHost();
}
