#pragma once
// The small pictures of search answers, kept in the user's cache folder
// ("<cache>/vignettes", one file per address) and fetched one at a time, in the order they
// were asked for, through the program's pace.

#include <QObject>
#include <QString>
#include <deque>

class PacedFetcher;

class ThumbnailCache : public QObject {
    Q_OBJECT
public:
    static constexpr qint64 kMaxPictureBytes = 2 * 1024 * 1024;

    // `folder` empty: "vignettes" in the user's cache folder.
    explicit ThumbnailCache(const QString &folder = {}, QObject *parent = nullptr);

    QString folder() const { return m_folder; }
    // The file that holds (or will hold) the picture of an address.
    QString pathFor(const QString &address) const;

    // Asks for the picture of an address under a key of the caller; a cached one is told
    // from the event loop without any request.
    void request(int key, const QString &address);
    // Forgets every request not yet answered.
    void clear();
    int pending() const { return int(m_queue.size()) + (m_running != 0 ? 1 : 0); }

signals:
    void ready(int key, const QString &path);
    // The library refused the request: the requests left are dropped.
    void refused(const QString &text);

private:
    struct Wanted {
        int key;
        QString address;
    };
    void next();

    QString m_folder;
    PacedFetcher *m_fetcher;
    std::deque<Wanted> m_queue;
    int m_running = 0;
    Wanted m_current{0, {}};
};
