#pragma once
// The HTTP/1.0 client of the download: one GET at a time, its response body streamed to a
// file, every stage told by a signal. It is driven by the event loop: get() returns at once
// and the transaction goes on while the window keeps working. Each transaction ends with
// exactly one of success(), failure() or error().

#include <QByteArray>
#include <QFile>
#include <QHostAddress>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QTimer>

class QTcpSocket;
class QHostInfo;

class HttpClient : public QObject {
    Q_OBJECT
public:
    // Why a transaction ended without a result.
    enum class Error {
        EmptyUrl,
        SecureNotSupported,
        AlreadyConnected,
        NullRemoteAddress,
        HostLookupTimedOut,
        ConnectionFailed,
        ConnectionTimedOut,
        ReadTimedOut,
        TooManyRedirects,
        HeaderLineTooLong,
        TooManyHeaderLines,
        FileError,
        SocketError,
        BadPort,
        DeadlineExceeded,
    };
    Q_ENUM(Error)

    static constexpr int kDefaultTimeoutMs = 30000;
    static constexpr int kDefaultDeadlineMs = 120000;
    static constexpr int kMaxRedirects = 20;
    static constexpr int kMaxHeaderLineBytes = 8192;
    static constexpr int kMaxHeaderLines = 100;
    static constexpr int kMaxRequestPath = 256;

    explicit HttpClient(QObject *parent = nullptr);
    ~HttpClient() override;

    // Longest wait for a name lookup, a connection or the next data, in milliseconds.
    int timeout() const { return m_timeoutMs; }
    void setTimeout(int milliseconds) { m_timeoutMs = milliseconds; }
    // Longest time a whole transaction may take, redirects included, however steadily the
    // data arrives, in milliseconds (0: none).
    int deadline() const { return m_deadlineMs; }
    void setDeadline(int milliseconds) { m_deadlineMs = milliseconds; }
    // Longest body accepted (-1: no limit). A longer one, or one announced longer, ends the
    // transaction at once with failure(); the file then holds no more than the limit.
    qint64 maxBodyBytes() const { return m_maxBodyBytes; }
    void setMaxBodyBytes(qint64 bytes) { m_maxBodyBytes = bytes; }

    // Starts a GET of the URL; the response body goes to `bodyPath` (a native path),
    // replacing any file of that name. Redirects are followed within the transaction.
    void get(const QString &url, const QString &bodyPath);
    // Closes the connection; a running transaction ends without any further signal.
    void disconnect();
    bool busy() const { return m_phase != Phase::Idle; }

    // The state of the last transaction.
    QString host() const { return m_host; }
    quint16 port() const { return m_port; }
    QString requestPath() const { return m_requestPath; }
    int status() const { return m_status; }
    QString location() const { return m_location; }
    // The bytes of the last request sent.
    QByteArray lastRequest() const { return m_lastRequest; }
    // The response header lines of the last response, as received.
    QByteArray responseHeader() const { return m_header; }
    qint64 bodyBytes() const { return m_bodyBytes; }
    // Whether the last transaction ended because its body passed (or was announced past) the limit.
    bool bodyCut() const { return m_bodyCut; }
    // The cookie kept from a redirect, and the host that set it; sent back only to that host.
    QString cookie() const { return m_cookie; }
    QString cookieHost() const { return m_cookieHost; }
    void setCookie(const QString &value, const QString &host);

    // The request lines of a GET, without their line ends.
    static QStringList requestLines(const QString &requestPath, const QString &host, const QString &cookie);

    // The parts of a URL as the client reads it: empty host keeps the previous one.
    struct Target {
        QString host;
        int port = 80;           // -1 when the scheme or the port is refused
        QString requestPath;
        bool secure = false;
        bool badPort = false;    // a port that is no number from 1 to 65535
    };
    static Target parseUrl(const QString &url, quint16 currentPort);

signals:
    void hostResolved();
    void invalidHost();
    void connected();
    void connectionFailed();
    void packetReceived(qint64 bytes);
    // Status from 1 to 298 with a complete body (its announced length, if any, reached) that
    // is written whole to the file and flushed.
    void success(int commandKind);
    // Any other complete transaction: a status above 399, 299 or 303 to 399, a redirect
    // without a location, no status line at all, a body shorter than announced, or a body
    // over the limit.
    void failure(int commandKind);
    // The transaction could not be carried out; `text` says it in French (FailureTexts.h).
    void error(HttpClient::Error error, const QString &text);

private:
    enum class Phase { Idle, Resolving, Connecting, Header, Body };

    void startTransaction();
    void startTransactionLater();
    void lookedUp(const QHostInfo &info);
    void connectTo(const QHostAddress &address);
    void onConnected();
    void onReadyRead();
    void onDisconnected();
    void onSocketError();
    void onTimeout();
    bool readHeaderLines();
    bool writeBody(const QByteArray &bytes);
    bool writeGathered();
    void endResponse();
    void endOversized();
    void fail(Error error);
    void closeSocket();
    void resetTransactionState();
    void armTimer();
    void onDeadline();

    int m_timeoutMs = kDefaultTimeoutMs;
    int m_deadlineMs = kDefaultDeadlineMs;
    qint64 m_maxBodyBytes = -1;
    QTimer m_deadline;
    Phase m_phase = Phase::Idle;
    QTcpSocket *m_socket = nullptr;
    QTimer m_timer;
    int m_lookupId = -1;
    quint64 m_generation = 0;

    QString m_url;
    QString m_bodyPath;
    QString m_host;
    quint16 m_port = 0;
    QString m_requestPath;
    int m_redirects = 0;
    QString m_cookie;
    QString m_cookieHost;

    QByteArray m_lastRequest;
    QByteArray m_buffer;
    QByteArray m_header;
    int m_headerLines = 0;
    int m_status = 0;
    bool m_statusLineRead = false;
    QString m_location;
    QString m_setCookie;
    qint64 m_contentLength = -1;
    qint64 m_bodyBytes = 0;
    bool m_bodyCut = false;
    QFile m_body;
    QByteArray m_bodyBuffer;   // body bytes not yet written
};
