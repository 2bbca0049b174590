#include "net/PacedFetcher.h"
#include "net/HostPace.h"
#include "net/LibraryRefusal.h"
#include "platform/Logging.h"

#include <QDateTime>
#include <QFile>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QSslConfiguration>
#include <QSslError>
#include <algorithm>

struct PacedFetcher::Job {
    int id = 0;
    QUrl url;
    QString host;            // name and port
    QString hostName;
    QString path;            // empty: keep the body in memory
    qint64 maxBytes = 0;
    int attempts = 0;
    int lane = -1;
    QNetworkReply *reply = nullptr;
    std::unique_ptr<QFile> file;
    QByteArray body;
    QByteArray head;         // the first bytes, to tell a refusal
    qint64 bytes = 0;
    bool writeFailed = false;
    bool tooLarge = false;
    bool pastDeadline = false;
    QString certificateError;
    QString finalUrl;
    qint64 firstStart = -1;            // ms of the fetcher's clock at the first attempt
    std::unique_ptr<QTimer> deadline;  // ends the attempt in flight at the deadline
};

PacedFetcher::PacedFetcher(QObject *parent) : QObject(parent)
{
    m_clock.start();
    m_resumeTimer.setSingleShot(true);
    connect(&m_resumeTimer, &QTimer::timeout, this, &PacedFetcher::dispatch);
    connect(&HostPace::shared(), &HostPace::ready, this, &PacedFetcher::dispatch);
}

PacedFetcher::~PacedFetcher()
{
    cancelAll();
}

void PacedFetcher::addTrustedCertificates(const QList<QSslCertificate> &certificates)
{
    m_trusted += certificates;
    // Connections already made keep the trust they were made with.
    for (Lane &lane : m_lanes)
        lane.manager->clearConnectionCache();
}

int PacedFetcher::retryDelaySeconds(const QByteArray &retryAfter, int retry)
{
    const QByteArray value = retryAfter.trimmed();
    bool isNumber = false;
    const qint64 seconds = value.toLongLong(&isNumber);
    if (isNumber && seconds >= 0)
        return int(qMin<qint64>(seconds, kMaxRetryAfterSeconds));
    if (!value.isEmpty()) {
        const QDateTime when = QDateTime::fromString(QString::fromLatin1(value), Qt::RFC2822Date);
        if (when.isValid())
            return int(qBound(qint64(0), QDateTime::currentDateTimeUtc().secsTo(when), qint64(kMaxRetryAfterSeconds)));
    }
    return kFirstBackoffSeconds << qBound(0, retry - 1, 8);
}

int PacedFetcher::limitOf(const QString &host) const
{
    return m_hostLimit ? qMax(1, m_hostLimit(host)) : 1;
}

int PacedFetcher::getBytes(const QString &url, qint64 maxBytes)
{
    auto job = std::make_unique<Job>();
    job->url = QUrl(url);
    job->maxBytes = maxBytes;
    return enqueue(std::move(job));
}

int PacedFetcher::getFile(const QString &url, const QString &path, qint64 maxBytes)
{
    auto job = std::make_unique<Job>();
    job->url = QUrl(url);
    job->path = path;
    job->maxBytes = maxBytes;
    return enqueue(std::move(job));
}

int PacedFetcher::enqueue(std::unique_ptr<Job> job)
{
    job->id = m_nextId++;
    job->hostName = job->url.host().toLower();
    job->host = job->hostName + u':' + QString::number(job->url.port(-1));
    const int id = job->id;
    m_waiting.push_back(std::move(job));
    // Started from the event loop: a caller's handler never sees a result before it returned.
    QMetaObject::invokeMethod(this, &PacedFetcher::dispatch, Qt::QueuedConnection);
    return id;
}

void PacedFetcher::cancelAll()
{
    m_resumeTimer.stop();
    m_waiting.clear();
    const auto running = m_running;
    m_running.clear();
    for (auto it = running.begin(); it != running.end(); ++it) {
        QNetworkReply *reply = it.key();
        std::unique_ptr<Job> job(it.value());
        reply->disconnect(this);
        HostPace::shared().finished(job->url);
        reply->abort();
        reply->deleteLater();
        if (job->file) {
            job->file->close();
            QFile::remove(job->path);
        }
    }
    m_hosts.clear();
    for (Lane &lane : m_lanes)
        lane.busy = false;
}

void PacedFetcher::cancel(int id)
{
    for (auto it = m_waiting.begin(); it != m_waiting.end(); ++it)
        if ((*it)->id == id) {
            const QString host = (*it)->host;
            m_waiting.erase(it);
            // A wait the server asked for ends with the last request that waited for it.
            const bool others = std::any_of(m_waiting.begin(), m_waiting.end(),
                                            [&](const std::unique_ptr<Job> &job) { return job->host == host; });
            if (!others && m_hosts.value(host).running == 0)
                m_hosts.remove(host);
            return;
        }
    for (auto it = m_running.begin(); it != m_running.end(); ++it) {
        if (it.value()->id != id)
            continue;
        QNetworkReply *reply = it.key();
        std::unique_ptr<Job> job(it.value());
        m_running.erase(it);
        reply->disconnect(this);
        HostPace::shared().finished(job->url);   // else a paced server stays held for good
        reply->abort();
        reply->deleteLater();
        if (job->file) {
            job->file->close();
            QFile::remove(job->path);
        }
        m_lanes[job->lane].busy = false;
        --m_hosts[job->host].running;
        QMetaObject::invokeMethod(this, &PacedFetcher::dispatch, Qt::QueuedConnection);
        return;
    }
}

// A free lane, preferably one whose connection to the host is already open.
int PacedFetcher::laneFor(const QString &host)
{
    int free = -1;
    for (int i = 0; i < int(m_lanes.size()); ++i) {
        if (m_lanes[i].busy)
            continue;
        if (m_lanes[i].lastHost == host)
            return i;
        if (free < 0)
            free = i;
    }
    if (free >= 0)
        return free;
    Lane lane;
    lane.manager = new QNetworkAccessManager(this);
    lane.manager->setRedirectPolicy(QNetworkRequest::NoLessSafeRedirectPolicy);
    m_lanes.push_back(lane);
    return int(m_lanes.size()) - 1;
}

void PacedFetcher::dispatch()
{
    // One request at a time, the scan starting over after each: starting a request may
    // finish it at once (its file cannot be created), and that result's handler may ask
    // for more, which changes the queue.
    for (;;) {
        const qint64 now = m_clock.elapsed();
        qint64 nextResume = -1;
        auto chosen = m_waiting.end();
        for (auto it = m_waiting.begin(); it != m_waiting.end(); ++it) {
            const Host &host = m_hosts[(*it)->host];
            if (host.resumeAt > now) {
                nextResume = nextResume < 0 ? host.resumeAt : qMin(nextResume, host.resumeAt);
                continue;
            }
            if (host.running < limitOf((*it)->hostName) && HostPace::shared().tryStart((*it)->url)) {
                chosen = it;
                break;
            }
        }
        if (chosen == m_waiting.end()) {
            if (nextResume >= 0)
                m_resumeTimer.start(int(qMax<qint64>(0, nextResume - now)));
            return;
        }
        std::unique_ptr<Job> job = std::move(*chosen);
        m_waiting.erase(chosen);
        start(std::move(job));
    }
}

qint64 PacedFetcher::remainingMs(const Job &job) const
{
    return job.firstStart < 0 ? m_deadlineMs : job.firstStart + m_deadlineMs - m_clock.elapsed();
}

void PacedFetcher::start(std::unique_ptr<Job> job)
{
    if (job->firstStart < 0)
        job->firstStart = m_clock.elapsed();
    if (remainingMs(*job) <= 0)
        return finish(std::move(job), Outcome::TimedOut, 0, QStringLiteral("délai dépassé"));
    ++job->attempts;
    job->bytes = 0;
    job->body.clear();
    job->head.clear();
    job->writeFailed = job->tooLarge = false;
    job->certificateError.clear();
    if (!job->path.isEmpty()) {
        job->file = std::make_unique<QFile>(job->path);
        if (!job->file->open(QIODevice::WriteOnly | QIODevice::Truncate)) {
            job->file.reset();
            HostPace::shared().finished(job->url);
            return finish(std::move(job), Outcome::FileError, 0, QStringLiteral("fichier impossible à créer"));
        }
    }
    QNetworkRequest request(job->url);
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::NoLessSafeRedirectPolicy);
    request.setMaximumRedirectsAllowed(kMaxRedirects);
    request.setTransferTimeout(m_timeoutMs);
    request.setRawHeader("User-Agent", HostPace::userAgent());
    request.setRawHeader("Accept", job->path.isEmpty() ? "application/ld+json, application/json, */*"
                                                       : "image/jpeg, */*");
    if (!m_trusted.isEmpty()) {
        QSslConfiguration tls = QSslConfiguration::defaultConfiguration();
        tls.addCaCertificates(m_trusted);
        request.setSslConfiguration(tls);
    }
    job->lane = laneFor(job->host);
    Lane &lane = m_lanes[job->lane];
    lane.busy = true;
    lane.lastHost = job->host;
    ++m_hosts[job->host].running;

    QNetworkReply *reply = lane.manager->get(request);
    job->reply = reply;
    Job *raw = job.release();
    m_running.insert(reply, raw);
    connect(reply, &QNetworkReply::readyRead, this, [this, reply] { onReadyRead(reply); });
    connect(reply, &QNetworkReply::sslErrors, this, [raw](const QList<QSslError> &errors) {
        if (!errors.isEmpty())
            raw->certificateError = errors.first().errorString();
    });
    connect(reply, &QNetworkReply::finished, this, [this, reply] { onFinished(reply); });
    raw->deadline = std::make_unique<QTimer>();
    raw->deadline->setSingleShot(true);
    connect(raw->deadline.get(), &QTimer::timeout, this, [raw, reply] {
        raw->pastDeadline = true;
        reply->abort();
    });
    raw->deadline->start(int(qMax<qint64>(1, remainingMs(*raw))));
}

void PacedFetcher::onReadyRead(QNetworkReply *reply)
{
    Job *job = m_running.value(reply);
    if (!job || job->tooLarge || job->writeFailed)
        return;
    const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    const QByteArray chunk = reply->readAll();
    if (status < 200 || status > 299)
        return;   // the page of an error is not kept
    if (job->head.size() < 4096)
        job->head += chunk.left(4096 - job->head.size());
    job->bytes += chunk.size();
    if (job->bytes > job->maxBytes) {
        job->tooLarge = true;
        reply->abort();
        return;
    }
    if (job->file) {
        if (job->file->write(chunk) != chunk.size())
            job->writeFailed = true;
    } else {
        job->body += chunk;
    }
    emit received(job->id, job->bytes);
}

void PacedFetcher::onFinished(QNetworkReply *reply)
{
    Job *raw = m_running.take(reply);
    reply->deleteLater();
    if (!raw)
        return;
    std::unique_ptr<Job> job(raw);
    job->reply = nullptr;
    if (job->deadline) {
        // This may run from the timer's own signal: the timer goes later.
        job->deadline->stop();
        job->deadline.release()->deleteLater();
    }
    m_lanes[job->lane].busy = false;
    HostPace::shared().finished(job->url);
    Host &host = m_hosts[job->host];
    --host.running;

    const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    job->finalUrl = reply->url().toString();
    if (!job->tooLarge && !job->writeFailed && status >= 200 && status <= 299 && reply->bytesAvailable() > 0)
        onReadyRead(reply);   // not reached once readyRead took everything; kept for safety
    if (job->file) {
        if (!job->file->flush())
            job->writeFailed = true;
        job->file->close();
    }

    Outcome outcome = Outcome::Ok;
    QString text;
    if (job->pastDeadline) {
        outcome = Outcome::TimedOut;
        text = QStringLiteral("délai dépassé");
    } else if (library::isRefusal(status, job->head, HostPace::shared().isPaced(job->url))) {
        outcome = Outcome::Refused;
        text = library::refusalText();
    } else if (job->tooLarge) {
        outcome = Outcome::TooLarge;
        text = QStringLiteral("réponse trop grande");
    } else if (reply->error() == QNetworkReply::TooManyRedirectsError
               || reply->error() == QNetworkReply::InsecureRedirectError) {
        outcome = Outcome::TooManyRedirects;
        text = reply->errorString();
    } else if (!job->certificateError.isEmpty()) {
        outcome = Outcome::CertificateRefused;
        text = job->certificateError;
    } else if ((status == 429 || status == 503) && job->attempts <= kMaxRetries) {
        const int seconds = retryDelaySeconds(reply->rawHeader("Retry-After"), job->attempts);
        if (qint64(seconds) * 1000 >= remainingMs(*job)) {
            // The wait would end past the request's deadline: no use waiting for it.
            finish(std::move(job), Outcome::TimedOut, status, QStringLiteral("délai dépassé"));
            dispatch();
            return;
        }
        qCDebug(lcNet) << "status" << status << "retry in" << seconds << "s:" << job->url;
        if (job->file) {
            job->file.reset();
            QFile::remove(job->path);
        }
        host.resumeAt = qMax(host.resumeAt, m_clock.elapsed() + qint64(seconds) * 1000);
        emit retrying(job->id, seconds);
        m_waiting.push_front(std::move(job));
        dispatch();
        return;
    } else if (status != 0 && (status < 200 || status > 299)) {
        outcome = Outcome::HttpError;
        text = QStringLiteral("HTTP %1").arg(status);
    } else if (reply->error() == QNetworkReply::TimeoutError || reply->error() == QNetworkReply::OperationCanceledError) {
        outcome = Outcome::TimedOut;   // the transfer time-out aborts the request
        text = reply->errorString();
    } else if (status != 0 && reply->error() != QNetworkReply::NoError) {
        // The answer began well and broke off: this tile failed, the server is there.
        outcome = Outcome::HttpError;
        text = QStringLiteral("réponse incomplète");
    } else if (reply->error() != QNetworkReply::NoError || status == 0) {
        outcome = reply->error() == QNetworkReply::SslHandshakeFailedError ? Outcome::CertificateRefused
                                                                           : Outcome::NetworkError;
        text = reply->errorString();
    } else if (job->writeFailed) {
        outcome = Outcome::FileError;
        text = QStringLiteral("écriture impossible");
    }
    finish(std::move(job), outcome, status, text);
    dispatch();
}

void PacedFetcher::finish(std::unique_ptr<Job> job, Outcome outcome, int status, const QString &text)
{
    if (job->file)
        job->file->close();
    if (outcome != Outcome::Ok)
        qCWarning(lcNet) << "GET" << job->url.toString() << "refused after" << job->attempts << "attempt(s):" << text;
    if (!job->path.isEmpty() && outcome != Outcome::Ok)
        QFile::remove(job->path);
    Result result;
    result.id = job->id;
    result.outcome = outcome;
    result.status = status;
    result.text = text;
    result.body = std::move(job->body);
    result.finalUrl = job->finalUrl.isEmpty() ? job->url.toString() : job->finalUrl;
    result.bytes = job->bytes;
    result.attempts = job->attempts;
    job.reset();
    emit finished(result);
}
