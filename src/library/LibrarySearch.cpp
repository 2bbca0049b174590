#include "library/LibrarySearch.h"
#include "net/PacedFetcher.h"
#include "platform/Logging.h"

LibrarySearch::LibrarySearch(QObject *parent) : QObject(parent), m_fetcher(new PacedFetcher(this))
{
    connect(m_fetcher, &PacedFetcher::finished, this, [this](const PacedFetcher::Result &r) {
        onFinished(r.id, int(r.outcome), r.status, r.text, r.body);
    });
}

void LibrarySearch::start(const QString &query)
{
    cancel();
    m_query = query;
    m_records.clear();
    m_total = 0;
    m_next.reset();
    fetch(1);
}

bool LibrarySearch::more()
{
    if (busy() || !m_next)
        return false;
    fetch(*m_next);
    return true;
}

void LibrarySearch::cancel()
{
    m_fetcher->cancelAll();
    if (m_request != 0) {
        m_request = 0;
        emit busyChanged(false);
    }
}

void LibrarySearch::fetch(int startRecord)
{
    m_request = m_fetcher->getBytes(library::searchAddress(m_addresses.catalogue, m_query, startRecord),
                                    kMaxAnswerBytes);
    emit busyChanged(true);
}

void LibrarySearch::onFinished(int id, int outcome, int status, const QString &text, const QByteArray &body)
{
    if (id != m_request)
        return;
    m_request = 0;
    emit busyChanged(false);
    const auto result = PacedFetcher::Outcome(outcome);
    if (result == PacedFetcher::Outcome::Refused)
        return emit failed(text, true);
    if (result != PacedFetcher::Outcome::Ok) {
        const QString why = status != 0 ? QStringLiteral("HTTP %1").arg(status) : text;
        return emit failed(QStringLiteral("Recherche impossible : ") + why, false);
    }
    QString why;
    const auto answer = library::readAnswer(body, &why);
    if (!answer) {
        qCWarning(lcNet) << "unreadable search answer:" << why;
        return emit failed(QStringLiteral("Réponse illisible de la bibliothèque : ") + why, false);
    }
    if (!answer->diagnostic.isEmpty())
        return emit failed(answer->diagnostic, false);
    m_total = answer->total;
    // The next page starts after what was returned, whatever was asked for; a position that
    // does not move forward ends the paging.
    const int first = int(m_records.size());
    m_next = answer->nextPosition;
    for (library::Record record : answer->records) {
        record.thumbnail = m_addresses.rebase(record.thumbnail);
        record.link = m_addresses.rebase(record.link);
        record.identifier = m_addresses.rebase(record.identifier);
        m_records.append(record);
    }
    if (m_next && (answer->records.isEmpty() || *m_next <= first + 1))
        m_next.reset();
    emit pageReady(first, int(answer->records.size()));
}
