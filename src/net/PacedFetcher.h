#pragma once
// The fetcher of IIIF servers: GET requests over http or https (Qt's network stack, TLS with
// the system's certificates), kept-alive connections, a bounded number of requests at once
// per server, and patience with a busy server: a 429 or 503 answer waits as its Retry-After
// says (at most 60 s; without one 5 s, then 10, then 20) and the request is made again up
// to 3 times. Requests of one server start in the order they were asked for. Everything
// runs from the event loop; each request ends with exactly one finished().

#include <QByteArray>
#include <QElapsedTimer>
#include <QHash>
#include <QList>
#include <QObject>
#include <QSslCertificate>
#include <QString>
#include <QTimer>
#include <QUrl>
#include <deque>
#include <functional>
#include <memory>

class QFile;
class QNetworkAccessManager;
class QNetworkReply;

class PacedFetcher : public QObject {
    Q_OBJECT
public:
    enum class Outcome {
        Ok,                  // a status from 200 to 299 and the whole body
        HttpError,           // any other status (after the retries of 429 and 503), or a
                             // body cut short after a good status
        TimedOut,            // no data for longer than the time-out, or the request's
                             // deadline passed (retry waits included)
        NetworkError,        // no answer: name, connection, time-out, broken transfer
        CertificateRefused,  // the server's certificate does not verify
        TooLarge,            // the body passed the request's bound
        FileError,           // the body could not be written
        TooManyRedirects,    // the redirects went on past the bound (a loop)
        Refused,             // the library turns the program away (see LibraryRefusal.h)
    };
    Q_ENUM(Outcome)

    struct Result {
        int id = 0;
        Outcome outcome = Outcome::Ok;
        int status = 0;
        QString text;        // what went wrong, in the words of the network stack
        QByteArray body;     // for getBytes()
        QString finalUrl;    // the address answered at last, after redirects
        qint64 bytes = 0;    // body bytes received (for getFile(), written to the file)
        int attempts = 0;
    };

    static constexpr int kMaxRetries = 3;
    static constexpr int kMaxRetryAfterSeconds = 60;
    static constexpr int kFirstBackoffSeconds = 5;
    static constexpr int kDefaultTimeoutMs = 30000;
    static constexpr int kDefaultDeadlineMs = 120000;
    static constexpr int kMaxRedirects = 10;

    explicit PacedFetcher(QObject *parent = nullptr);
    ~PacedFetcher() override;

    // How many requests may run at once for a host (at least 1). By default 1.
    void setHostLimit(std::function<int(const QString &host)> limit) { m_hostLimit = std::move(limit); }
    // Certificates trusted beside the system's.
    void addTrustedCertificates(const QList<QSslCertificate> &certificates);
    // Longest wait for the next data of a request.
    void setTimeout(int milliseconds) { m_timeoutMs = milliseconds; }
    // Longest time a request may take from its first attempt to its end, the waits for a
    // busy server and the redirects included, however steadily its data arrives.
    void setDeadline(int milliseconds) { m_deadlineMs = milliseconds; }
    int deadline() const { return m_deadlineMs; }

    // The body kept in memory, at most `maxBytes`.
    int getBytes(const QString &url, qint64 maxBytes);
    // The body written to the file at `path` (replaced), at most `maxBytes`. The file
    // is removed when the request does not end with Ok.
    int getFile(const QString &url, const QString &path, qint64 maxBytes);
    // Ends every request at once, without any further signal; files being written are removed.
    void cancelAll();
    // Ends one request the same way.
    void cancel(int id);
    // Requests asked for and not finished yet.
    int pending() const { return int(m_waiting.size() + m_running.size()); }
    // Connections opened so far (each lane holds at most one per server).
    int laneCount() const { return int(m_lanes.size()); }

    // How many requests run at once for the server of this address.
    int limitFor(const QUrl &url) const { return limitOf(url.host()); }

    // Seconds to wait before retrying after an answer with this Retry-After value (a number of
    // seconds or an HTTP date), on the given retry (1 to 3).
    static int retryDelaySeconds(const QByteArray &retryAfter, int retry);

signals:
    void received(int id, qint64 bytes);
    void retrying(int id, int seconds);
    void finished(const PacedFetcher::Result &result);

private:
    struct Job;
    struct Host {
        int running = 0;
        qint64 resumeAt = 0;   // ms of m_clock before which nothing starts
    };
    struct Lane {
        QNetworkAccessManager *manager = nullptr;
        QString lastHost;
        bool busy = false;
    };

    int enqueue(std::unique_ptr<Job> job);
    void dispatch();
    void start(std::unique_ptr<Job> job);
    void onReadyRead(QNetworkReply *reply);
    void onFinished(QNetworkReply *reply);
    void finish(std::unique_ptr<Job> job, Outcome outcome, int status, const QString &text);
    qint64 remainingMs(const Job &job) const;
    int laneFor(const QString &host);
    int limitOf(const QString &host) const;

    std::function<int(const QString &)> m_hostLimit;
    QList<QSslCertificate> m_trusted;
    int m_timeoutMs = kDefaultTimeoutMs;
    int m_deadlineMs = kDefaultDeadlineMs;
    int m_nextId = 1;
    std::deque<std::unique_ptr<Job>> m_waiting;
    QHash<QNetworkReply *, Job *> m_running;
    QHash<QString, Host> m_hosts;
    std::vector<Lane> m_lanes;
    QElapsedTimer m_clock;
    QTimer m_resumeTimer;
};
