#pragma once
// The HTTP/1.0 client as the tile server's transport: one request at a time, each answer
// streamed to a temporary file of its own beside the tile it is for. The client's steps
// (name found, connected, refused) stay visible through client(); a fault of the fetch is
// given the tile server's French words (FailureTexts.h).

#include "net/HttpClient.h"
#include "source/Transport.h"

namespace source {

class ClassicTransport : public Transport {
    Q_OBJECT
public:
    explicit ClassicTransport(QObject *parent = nullptr);
    ~ClassicTransport() override;

    HttpClient &client() { return m_client; }

    int get(const QString &url, qint64 maxBytes, const QString &tilePath) override;
    void cancelAll() override;
    int limitFor(const QUrl &) const override { return 1; }
    // The next tile is asked for while the worker checks the last: the check costs about as
    // much as a transfer on a fast network.
    int checksAhead() const override { return 1; }

signals:
    void requestStarted(const QString &url);

private:
    void end(Outcome outcome, const QString &text);

    HttpClient m_client;
    int m_nextId = 1;
    int m_current = 0;       // the request in flight, 0 when none
    QString m_partialPath;   // its temporary file
};

} // namespace source
