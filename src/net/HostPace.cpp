#include "net/HostPace.h"

HostPace::HostPace(QObject *parent) : QObject(parent)
{
    m_clock.start();
    m_timer.setSingleShot(true);
    m_timer.setTimerType(Qt::PreciseTimer);   // never before the interval is over
    connect(&m_timer, &QTimer::timeout, this, &HostPace::ready);
}

HostPace &HostPace::shared()
{
    static HostPace *pace = new HostPace;   // lives as long as the program
    return *pace;
}

QString HostPace::keyOf(const QUrl &url)
{
    const int fallback = url.scheme().compare(QLatin1String("https"), Qt::CaseInsensitive) == 0 ? 443 : 80;
    return url.host().toLower() + u':' + QString::number(url.port(fallback));
}

QByteArray HostPace::userAgent()
{
    return QByteArrayLiteral("Orvantis/" ORVANTIS_VERSION);
}

void HostPace::setPacedHosts(const QList<QUrl> &addresses)
{
    m_paced.clear();
    for (const QUrl &url : addresses)
        if (!url.host().isEmpty())
            m_paced.insert(keyOf(url));
    emit ready();
}

void HostPace::setInterval(int milliseconds)
{
    m_intervalMs = qBound(0, milliseconds, kMaxIntervalMs);
    emit ready();
}

bool HostPace::tryStart(const QUrl &url)
{
    const QString key = keyOf(url);
    if (!m_paced.contains(key))
        return true;
    State &state = m_states[key];
    if (state.running > 0)
        return false;   // its end says ready()
    const qint64 now = m_clock.elapsed();
    if (state.lastEnd >= 0 && now < state.lastEnd + m_intervalMs) {
        armTimer(state.lastEnd + m_intervalMs);
        return false;
    }
    ++state.running;
    emit started(key, now);
    return true;
}

void HostPace::finished(const QUrl &url)
{
    const QString key = keyOf(url);
    auto it = m_states.find(key);
    if (it == m_states.end() || it->running == 0)
        return;
    --it->running;
    it->lastEnd = m_clock.elapsed();
    if (m_intervalMs == 0)
        QMetaObject::invokeMethod(this, &HostPace::ready, Qt::QueuedConnection);
    else
        armTimer(it->lastEnd + m_intervalMs);
}

void HostPace::armTimer(qint64 dueMs)
{
    const qint64 wait = qMax<qint64>(0, dueMs - m_clock.elapsed());
    if (!m_timer.isActive() || m_timer.remainingTime() > wait)
        m_timer.start(int(wait));
}
