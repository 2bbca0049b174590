#pragma once
// The paced fetcher as a run's transport: answers kept in memory.

#include "source/Transport.h"

namespace source {

class FetcherTransport : public Transport {
    Q_OBJECT
public:
    explicit FetcherTransport(PacedFetcher &fetcher, QObject *parent = nullptr);

    int get(const QString &url, qint64 maxBytes, const QString &tilePath) override;
    void cancelAll() override { m_fetcher.cancelAll(); }
    int limitFor(const QUrl &url) const override { return m_fetcher.limitFor(url); }

private:
    PacedFetcher &m_fetcher;
};

} // namespace source
