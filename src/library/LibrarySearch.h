#pragma once
// A search of the library's catalogue, one page of answers at a time: the first page on
// start(), the next on more(), stepping by what the service returned. Every request goes
// through the program's pace. Ends each page with pageReady() or failed().

#include "library/LibraryAddresses.h"
#include "library/SruSearch.h"

#include <QObject>

class PacedFetcher;

class LibrarySearch : public QObject {
    Q_OBJECT
public:
    static constexpr qint64 kMaxAnswerBytes = 16 * 1024 * 1024;

    explicit LibrarySearch(QObject *parent = nullptr);

    void setAddresses(const library::Addresses &addresses) { m_addresses = addresses; }
    const library::Addresses &addresses() const { return m_addresses; }

    // Starts a new search of the query (see library::searchQuery); a running one is dropped.
    void start(const QString &query);
    // Asks for the next page; false when there is none or a page is being read.
    bool more();
    void cancel();

    bool busy() const { return m_request != 0; }
    bool hasMore() const { return m_next.has_value(); }
    int total() const { return m_total; }
    // The records received so far, all pages together, addresses read against the library's.
    const QList<library::Record> &records() const { return m_records; }

signals:
    void busyChanged(bool busy);
    // A page was read: `first` is the index in records() of its first record.
    void pageReady(int first, int count);
    // A diagnostic of the service, a refusal, an unreadable answer or a network failure.
    void failed(const QString &text, bool refused);

private:
    void fetch(int startRecord);
    void onFinished(int id, int outcome, int status, const QString &text, const QByteArray &body);

    PacedFetcher *m_fetcher;
    library::Addresses m_addresses;
    QString m_query;
    int m_request = 0;
    int m_total = 0;
    std::optional<int> m_next;
    QList<library::Record> m_records;
};
