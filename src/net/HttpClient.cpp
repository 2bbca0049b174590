#include "net/HttpClient.h"
#include "net/FailureTexts.h"
#include "platform/Logging.h"

#include <QHostInfo>
#include <QTcpSocket>

#include <algorithm>

namespace {
constexpr qint64 kChunk = 65536;
constexpr qsizetype kWriteBatch = 256 * 1024;

// Text after the first ':' of a header line, without its line end, at most 256 characters.
// Control characters are dropped, so a value sent back can never add a line to a request.
QString headerValue(const QByteArray &line)
{
    const int colon = line.indexOf(':');
    QString value = QString::fromLatin1(line.mid(colon + 1)).trimmed();
    value.removeIf([](QChar c) { return c.unicode() < 0x20 || c.unicode() == 0x7f; });
    return value.left(256);
}
} // namespace

HttpClient::HttpClient(QObject *parent) : QObject(parent)
{
    m_timer.setSingleShot(true);
    connect(&m_timer, &QTimer::timeout, this, &HttpClient::onTimeout);
    m_deadline.setSingleShot(true);
    connect(&m_deadline, &QTimer::timeout, this, &HttpClient::onDeadline);
}

HttpClient::~HttpClient()
{
    disconnect();
}

QStringList HttpClient::requestLines(const QString &requestPath, const QString &host, const QString &cookie)
{
    QStringList lines{
        QStringLiteral("GET ") + requestPath + QStringLiteral(" HTTP/1.0"),
        QStringLiteral("Host: ") + host,
        QStringLiteral("Accept: www/source, text/html, video/mpeg, image/jpeg, image/x-tiff"),
        QStringLiteral("Accept: image/x-rgb, image/x-xbm, image/gif, */*, application/postscript"),
    };
    if (!cookie.isEmpty())
        lines << QStringLiteral("Cookie: ") + cookie;
    lines << QStringLiteral("Content-type: application/x-www-form-urlencoded");
    return lines;
}

HttpClient::Target HttpClient::parseUrl(const QString &url, quint16 currentPort)
{
    Target t;
    t.port = currentPort == 0 ? 80 : currentPort;

    // Request path: from the third "/" when the URL has "//", else from the first "/".
    const int doubleSlash = url.indexOf(QStringLiteral("//"));
    int pathStart = -1;
    if (doubleSlash >= 0)
        pathStart = url.indexOf(u'/', doubleSlash + 2);
    else
        pathStart = url.indexOf(u'/');
    if (pathStart >= 0)
        t.requestPath = url.mid(pathStart).left(kMaxRequestPath);

    // Scheme: decides the port. Only a ":" before the first "/" ends a scheme, so a ":" in
    // the path of a relative address keeps the current server's port.
    const int colon = url.indexOf(u':');
    const int firstSlash = url.indexOf(u'/');
    if (colon >= 0 && (firstSlash < 0 || colon < firstSlash)) {
        const QString scheme = url.left(colon).toLower();
        if (scheme == QStringLiteral("https")) {
            t.secure = true;
            t.port = -1;
            return t;
        }
        t.port = scheme == QStringLiteral("gopher") ? 70 : scheme == QStringLiteral("ftp") ? 21 : 80;
    }

    // Host, with an optional ":" + port.
    QString hostPart;
    if (doubleSlash >= 0)
        hostPart = url.mid(doubleSlash + 2, pathStart >= 0 ? pathStart - doubleSlash - 2 : -1);
    else if (!url.startsWith(u'/'))
        hostPart = pathStart >= 0 ? url.left(pathStart) : url;
    const int portColon = hostPart.indexOf(u':');
    if (portColon >= 0) {
        // Only digits, from 1 to 65535: anything else is refused, never taken for port 80.
        const QString digits = hostPart.mid(portColon + 1);
        bool ok = !digits.isEmpty() && digits.size() <= 5
                  && std::all_of(digits.begin(), digits.end(), [](QChar c) { return c >= u'0' && c <= u'9'; });
        const int port = ok ? digits.toInt(&ok) : 0;
        if (ok && port > 0 && port < 65536) {
            t.port = port;
        } else {
            t.port = -1;
            t.badPort = true;
        }
        hostPart = hostPart.left(portColon);
    }
    t.host = hostPart;
    if (t.requestPath.isEmpty())
        t.requestPath = QStringLiteral("/");
    return t;
}

void HttpClient::setCookie(const QString &value, const QString &host)
{
    m_cookie = value;
    m_cookieHost = host;
}

void HttpClient::get(const QString &url, const QString &bodyPath)
{
    if (busy()) {
        QMetaObject::invokeMethod(
            this, [this] { emit error(Error::AlreadyConnected, net::failureText(Error::AlreadyConnected)); },
            Qt::QueuedConnection);
        return;
    }
    m_url = url;
    m_bodyPath = bodyPath;
    m_redirects = 0;
    if (m_deadlineMs > 0)
        m_deadline.start(m_deadlineMs);
    startTransactionLater();
}

// The transaction starts from the event loop, so no signal reaches the caller inside get().
void HttpClient::startTransactionLater()
{
    m_phase = Phase::Resolving;
    const quint64 generation = ++m_generation;
    QMetaObject::invokeMethod(
        this, [this, generation] {
            if (generation == m_generation)
                startTransaction();
        },
        Qt::QueuedConnection);
}

void HttpClient::resetTransactionState()
{
    m_buffer.clear();
    m_bodyBuffer.clear();
    m_header.clear();
    m_headerLines = 0;
    m_status = 0;
    m_statusLineRead = false;
    m_location.clear();
    m_setCookie.clear();
    m_contentLength = -1;
    m_bodyBytes = 0;
    m_bodyCut = false;
}

void HttpClient::startTransaction()
{
    resetTransactionState();
    if (m_url.isEmpty())
        return fail(Error::EmptyUrl);
    const Target target = parseUrl(m_url, m_port);
    if (target.secure)
        return fail(Error::SecureNotSupported);
    if (target.badPort)
        return fail(Error::BadPort);
    if (!target.host.isEmpty())
        m_host = target.host;
    m_port = quint16(target.port);
    m_requestPath = target.requestPath;

    const QString cookie = (!m_cookie.isEmpty() && m_cookieHost.compare(m_host, Qt::CaseInsensitive) == 0)
                               ? m_cookie
                               : QString();
    m_lastRequest = (requestLines(m_requestPath, m_host, cookie).join(QStringLiteral("\r\n"))
                     + QStringLiteral("\r\n\r\n"))
                        .toLatin1();

    if (m_host.isEmpty()) {
        emit invalidHost();
        return fail(Error::NullRemoteAddress);
    }
    QHostAddress address;
    if (address.setAddress(m_host))
        return connectTo(address);
    m_phase = Phase::Resolving;
    armTimer();
    m_lookupId = QHostInfo::lookupHost(m_host, this, &HttpClient::lookedUp);
}

void HttpClient::lookedUp(const QHostInfo &info)
{
    if (m_phase != Phase::Resolving || info.lookupId() != m_lookupId)
        return;
    m_lookupId = -1;
    m_timer.stop();
    QHostAddress chosen;
    for (const QHostAddress &a : info.addresses()) {
        if (a.protocol() == QAbstractSocket::IPv4Protocol) {
            chosen = a;
            break;
        }
        if (chosen.isNull())
            chosen = a;
    }
    const quint64 generation = m_generation;
    if (info.error() != QHostInfo::NoError || chosen.isNull()) {
        emit invalidHost();
        if (generation == m_generation)
            fail(Error::NullRemoteAddress);
        return;
    }
    emit hostResolved();
    if (generation == m_generation)
        connectTo(chosen);
}

void HttpClient::connectTo(const QHostAddress &address)
{
    m_phase = Phase::Connecting;
    m_socket = new QTcpSocket(this);
    connect(m_socket, &QTcpSocket::connected, this, &HttpClient::onConnected);
    connect(m_socket, &QTcpSocket::readyRead, this, &HttpClient::onReadyRead);
    connect(m_socket, &QTcpSocket::disconnected, this, &HttpClient::onDisconnected);
    connect(m_socket, &QTcpSocket::errorOccurred, this, &HttpClient::onSocketError);
    armTimer();
    m_socket->connectToHost(address, m_port);
}

void HttpClient::onConnected()
{
    if (m_phase != Phase::Connecting)
        return;
    const quint64 generation = m_generation;
    emit connected();
    if (generation != m_generation)
        return;
    m_phase = Phase::Header;
    armTimer();
    m_socket->write(m_lastRequest);
}

void HttpClient::onReadyRead()
{
    if (!m_socket || (m_phase != Phase::Header && m_phase != Phase::Body))
        return;
    armTimer();
    const quint64 generation = m_generation;
    while (m_socket && m_socket->bytesAvailable() > 0 && generation == m_generation) {
        const QByteArray chunk = m_socket->read(kChunk);
        if (chunk.isEmpty())
            break;
        if (m_phase == Phase::Header) {
            m_buffer += chunk;
            if (!readHeaderLines() || m_phase != Phase::Body)
                continue;
            const QByteArray rest = m_buffer;
            m_buffer.clear();
            if (m_maxBodyBytes >= 0 && m_contentLength > m_maxBodyBytes)
                return endOversized();
            m_body.setFileName(m_bodyPath);
            // Unbuffered: every write reaches the system at once, so a full disk is seen
            // at the write that meets it.
            if (!m_body.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Unbuffered))
                return fail(Error::FileError);
            if (!rest.isEmpty() && !writeBody(rest))
                return;
        } else if (!writeBody(chunk)) {
            return;
        }
        if (generation != m_generation)
            return;
        if (m_phase == Phase::Body && m_contentLength >= 0 && m_bodyBytes >= m_contentLength)
            return endResponse();
    }
    if (generation == m_generation && m_phase == Phase::Body && m_contentLength == 0)
        endResponse();
}

// Takes every complete header line from the buffer. False when the transaction failed.
bool HttpClient::readHeaderLines()
{
    while (m_phase == Phase::Header) {
        const int lf = m_buffer.indexOf('\n');
        if (lf < 0) {
            if (m_buffer.size() > kMaxHeaderLineBytes) {
                fail(Error::HeaderLineTooLong);
                return false;
            }
            return true;
        }
        if (lf + 1 > kMaxHeaderLineBytes) {
            fail(Error::HeaderLineTooLong);
            return false;
        }
        const QByteArray line = m_buffer.left(lf + 1);
        m_buffer.remove(0, lf + 1);
        m_header += line;
        const QByteArray bare = line.trimmed();
        if (!m_statusLineRead) {
            m_statusLineRead = true;
            const QList<QByteArray> fields = line.simplified().split(' ');
            bool ok = false;
            const int status = fields.size() >= 2 ? fields.at(1).toInt(&ok) : 0;
            m_status = (ok && fields.at(0).startsWith("HTTP/") && status > 0 && status < 1000) ? status : 0;
            continue;
        }
        if (bare.isEmpty()) {
            m_phase = Phase::Body;
            return true;
        }
        if (++m_headerLines > kMaxHeaderLines) {
            fail(Error::TooManyHeaderLines);
            return false;
        }
        const QByteArray name = bare.left(bare.indexOf(':') + 1).trimmed().toUpper();
        if (name == "SET-COOKIE:")
            m_setCookie = headerValue(line);
        else if (name == "LOCATION:")
            m_location = headerValue(line);
        else if (name == "CONTENT-LENGTH:") {
            bool ok = false;
            const qint64 length = headerValue(line).toLongLong(&ok);
            m_contentLength = ok && length >= 0 ? length : -1;
        }
    }
    return true;
}

bool HttpClient::writeBody(const QByteArray &bytes)
{
    // A body longer than announced is cut at the announced length.
    QByteArray part = bytes;
    if (m_contentLength >= 0 && m_bodyBytes + part.size() > m_contentLength)
        part.truncate(int(m_contentLength - m_bodyBytes));
    if (m_maxBodyBytes >= 0 && m_bodyBytes + part.size() > m_maxBodyBytes) {
        endOversized();
        return false;
    }
    // Gathered into large writes (a socket hands data over in small pieces), each checked.
    m_bodyBuffer += part;
    if (m_bodyBuffer.size() >= kWriteBatch && !writeGathered())
        return false;
    m_bodyBytes += part.size();
    emit packetReceived(part.size());
    return true;
}

bool HttpClient::writeGathered()
{
    if (!m_bodyBuffer.isEmpty() && m_body.write(m_bodyBuffer) != m_bodyBuffer.size()) {
        m_bodyBuffer.clear();
        fail(Error::FileError);
        return false;
    }
    m_bodyBuffer.clear();
    return true;
}

void HttpClient::onDisconnected()
{
    if (m_phase == Phase::Header || m_phase == Phase::Body) {
        const quint64 generation = m_generation;
        onReadyRead();   // what is still buffered
        if (generation == m_generation && (m_phase == Phase::Header || m_phase == Phase::Body))
            endResponse();
    }
}

void HttpClient::onSocketError()
{
    if (!m_socket)
        return;
    const auto socketError = m_socket->error();
    if (m_phase == Phase::Connecting) {
        const quint64 generation = m_generation;
        emit connectionFailed();
        if (generation == m_generation)
            fail(Error::ConnectionFailed);
        return;
    }
    // A close or a reset by the server ends the response; what arrived decides its outcome.
    if (socketError == QAbstractSocket::RemoteHostClosedError)
        return;
    if (m_phase == Phase::Header || m_phase == Phase::Body)
        fail(Error::SocketError);
}

void HttpClient::onTimeout()
{
    switch (m_phase) {
    case Phase::Resolving:
        return fail(Error::HostLookupTimedOut);
    case Phase::Connecting: {
        const quint64 generation = m_generation;
        emit connectionFailed();
        if (generation == m_generation)
            fail(Error::ConnectionTimedOut);
        return;
    }
    case Phase::Header:
    case Phase::Body:
        return fail(Error::ReadTimedOut);
    case Phase::Idle:
        return;
    }
}

// A body past the limit: the transaction ends at once, as a failure.
void HttpClient::endOversized()
{
    m_timer.stop();
    m_deadline.stop();
    if (m_body.isOpen())
        m_body.close();
    closeSocket();
    m_phase = Phase::Idle;
    ++m_generation;
    m_bodyCut = true;
    qCWarning(lcNet) << "GET" << m_url << "refused: the body passed" << m_maxBodyBytes << "bytes";
    emit failure(0);
}

void HttpClient::onDeadline()
{
    if (m_phase != Phase::Idle)
        fail(Error::DeadlineExceeded);
}

void HttpClient::endResponse()
{
    m_timer.stop();
    if (m_body.isOpen()) {
        if (!writeGathered())
            return;
        const bool flushed = m_body.flush();
        m_body.close();
        if (!flushed || m_body.error() != QFileDevice::NoError)
            return fail(Error::FileError);
    }
    closeSocket();
    const bool headerDone = m_phase == Phase::Body;
    const bool complete = headerDone && m_status > 0
                          && (m_contentLength < 0 || m_bodyBytes == m_contentLength);
    m_phase = Phase::Idle;
    const int status = m_status;

    if (complete && status >= 300 && status <= 302 && !m_location.isEmpty()) {
        if (++m_redirects > kMaxRedirects)
            return fail(Error::TooManyRedirects);
        if (!m_setCookie.isEmpty())
            setCookie(m_setCookie, m_host);
        QString next = m_location;
        if (!next.contains(u'/'))
            next = QStringLiteral("http://") + m_host
                   + (m_port != 80 ? u':' + QString::number(m_port) : QString()) + u'/' + next;
        m_url = next;
        startTransactionLater();
        return;
    }
    m_deadline.stop();
    ++m_generation;
    if (complete && status > 0 && status < 299) {
        emit success(0);
        return;
    }
    if (complete)
        qCWarning(lcNet) << "GET" << m_url << "refused: HTTP status" << status;
    else
        qCWarning(lcNet) << "GET" << m_url << "refused: incomplete answer (status" << status << "," << m_bodyBytes
                         << "of" << m_contentLength << "body bytes)";
    emit failure(0);
}

void HttpClient::fail(Error err)
{
    m_timer.stop();
    m_deadline.stop();
    if (m_lookupId >= 0) {
        QHostInfo::abortHostLookup(m_lookupId);
        m_lookupId = -1;
    }
    // The log keeps the socket's own words; the signal gives the program's.
    const QString socketWords = err == Error::SocketError && m_socket
                                    ? QString::number(int(m_socket->error())) + QStringLiteral(": ") + m_socket->errorString()
                                    : QString();
    if (m_body.isOpen())
        m_body.close();
    closeSocket();
    m_phase = Phase::Idle;
    ++m_generation;
    qCWarning(lcNet) << "GET" << m_url << "failed:" << err << socketWords;
    emit error(err, net::failureText(err));
}

void HttpClient::disconnect()
{
    ++m_generation;
    m_timer.stop();
    m_deadline.stop();
    if (m_lookupId >= 0) {
        QHostInfo::abortHostLookup(m_lookupId);
        m_lookupId = -1;
    }
    if (m_body.isOpen())
        m_body.close();
    closeSocket();
    m_phase = Phase::Idle;
}

void HttpClient::closeSocket()
{
    if (!m_socket)
        return;
    QTcpSocket *socket = m_socket;
    m_socket = nullptr;
    QObject::disconnect(socket, nullptr, this, nullptr);
    socket->abort();
    socket->deleteLater();
}

void HttpClient::armTimer()
{
    if (m_timeoutMs > 0)
        m_timer.start(m_timeoutMs);
}
