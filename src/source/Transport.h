#pragma once
// How a run reaches a server: GET requests, a bound on the answer, and a result for each.
// The paced fetcher (FetcherTransport.h) serves IIIF and the pyramids, several requests at
// once per host; the HTTP/1.0 client (ClassicTransport.h) serves the tile server, one request
// at a time, each answer streamed to a temporary file beside the tile it becomes.

#include "net/PacedFetcher.h"

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QUrl>

namespace source {

class Transport : public QObject {
    Q_OBJECT
public:
    using Outcome = PacedFetcher::Outcome;
    struct Result {
        int id = 0;
        Outcome outcome = Outcome::Ok;
        int status = 0;
        QString text;        // what went wrong, in words the status field may show
        QByteArray body;     // the answer, when it is kept in memory
        QString file;        // the temporary file holding the answer, when it is streamed
        qint64 bytes = 0;    // bytes of the answer in `file`
        QString finalUrl;    // the address that answered at last, after redirects
    };

    using QObject::QObject;

    // Asks for `url`; an answer over `maxBytes` is refused. `tilePath` is the stored tile the
    // answer is for (empty for a description): a transport that streams writes beside it.
    virtual int get(const QString &url, qint64 maxBytes, const QString &tilePath) = 0;
    // Ends every request without a result; no temporary file stays.
    virtual void cancelAll() = 0;
    // How many requests the server of `url` may have at once.
    virtual int limitFor(const QUrl &url) const = 0;
    // How many stored tiles may wait for their check on the runner's worker while the next
    // requests go on (0: a tile being checked holds its request's place). Their rows then get
    // their states in the order of the walk.
    virtual int checksAhead() const { return 0; }

signals:
    void received(int id, qint64 bytes);
    void retrying(int id, int seconds);
    void finished(const source::Transport::Result &result);
};

} // namespace source
