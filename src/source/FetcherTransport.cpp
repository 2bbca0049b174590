#include "source/FetcherTransport.h"

namespace source {

FetcherTransport::FetcherTransport(PacedFetcher &fetcher, QObject *parent) : Transport(parent), m_fetcher(fetcher)
{
    connect(&m_fetcher, &PacedFetcher::received, this, &Transport::received);
    connect(&m_fetcher, &PacedFetcher::retrying, this, &Transport::retrying);
    connect(&m_fetcher, &PacedFetcher::finished, this, [this](const PacedFetcher::Result &r) {
        Result result;
        result.id = r.id;
        result.outcome = r.outcome;
        result.status = r.status;
        result.text = r.text;
        result.body = r.body;
        result.bytes = r.bytes;
        result.finalUrl = r.finalUrl;
        emit finished(result);
    });
}

int FetcherTransport::get(const QString &url, qint64 maxBytes, const QString &)
{
    return m_fetcher.getBytes(url, maxBytes);
}

} // namespace source
