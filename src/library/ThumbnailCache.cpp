#include "library/ThumbnailCache.h"
#include "net/PacedFetcher.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QStandardPaths>

ThumbnailCache::ThumbnailCache(const QString &folder, QObject *parent)
    : QObject(parent),
      m_folder(folder.isEmpty() ? QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation)
                                      + QStringLiteral("/Orvantis/vignettes")
                                : folder),
      m_fetcher(new PacedFetcher(this))
{
    connect(m_fetcher, &PacedFetcher::finished, this, [this](const PacedFetcher::Result &r) {
        if (r.id != m_running)
            return;
        m_running = 0;
        if (r.outcome == PacedFetcher::Outcome::Refused) {
            m_queue.clear();
            emit refused(r.text);
            return;
        }
        const QString path = pathFor(m_current.address);
        if (r.outcome == PacedFetcher::Outcome::Ok)
            QFile::rename(path + QStringLiteral(".part"), path);
        if (QFile::exists(path))
            emit ready(m_current.key, path);
        next();
    });
}

QString ThumbnailCache::pathFor(const QString &address) const
{
    const QByteArray hash = QCryptographicHash::hash(address.toUtf8(), QCryptographicHash::Sha1).toHex();
    return m_folder + u'/' + QString::fromLatin1(hash) + QStringLiteral(".jpg");
}

void ThumbnailCache::request(int key, const QString &address)
{
    if (address.isEmpty())
        return;
    m_queue.push_back({key, address});
    if (m_running == 0)
        QMetaObject::invokeMethod(this, &ThumbnailCache::next, Qt::QueuedConnection);
}

void ThumbnailCache::clear()
{
    m_queue.clear();
    m_running = 0;
    m_fetcher->cancelAll();
}

void ThumbnailCache::next()
{
    while (m_running == 0 && !m_queue.empty()) {
        m_current = m_queue.front();
        m_queue.pop_front();
        const QString path = pathFor(m_current.address);
        if (QFile::exists(path)) {
            emit ready(m_current.key, path);
            continue;
        }
        QDir().mkpath(m_folder);
        m_running = m_fetcher->getFile(m_current.address, path + QStringLiteral(".part"), kMaxPictureBytes);
    }
}
