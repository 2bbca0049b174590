#include "source/FetcherTransport.h"

namespace source {

FetcherTransport::FetcherTransport(IiifFetcher &fetcher, QObject *parent) : Transport(parent), m_fetcher(fetcher)
{
    connect(&m_fetcher, &IiifFetcher::received, this, &Transport::received);
    connect(&m_fetcher, &IiifFetcher::retrying, this, &Transport::retrying);
    connect(&m_fetcher, &IiifFetcher::finished, this, [this](const IiifFetcher::Result &r) {
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
