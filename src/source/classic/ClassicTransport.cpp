#include "source/classic/ClassicTransport.h"
#include "net/FailureTexts.h"
#include "store/TileWriter.h"

#include <QFile>

namespace source {

ClassicTransport::ClassicTransport(QObject *parent) : Transport(parent)
{
    connect(&m_client, &HttpClient::packetReceived, this, [this](qint64 bytes) {
        if (m_current != 0)
            emit received(m_current, bytes);
    });
    connect(&m_client, &HttpClient::success, this, [this] { end(Outcome::Ok, {}); });
    connect(&m_client, &HttpClient::failure, this, [this] {
        end(m_client.bodyCut() ? Outcome::TooLarge : Outcome::HttpError, QStringLiteral("HTTP %1").arg(m_client.status()));
    });
    connect(&m_client, &HttpClient::error, this, [this](HttpClient::Error error, const QString &) {
        switch (error) {
        case HttpClient::Error::HostLookupTimedOut:
        case HttpClient::Error::ReadTimedOut:
        case HttpClient::Error::DeadlineExceeded: return end(Outcome::TimedOut, net::failureText(error));
        case HttpClient::Error::TooManyRedirects: return end(Outcome::TooManyRedirects, net::failureText(error));
        case HttpClient::Error::FileError: return end(Outcome::FileError, net::failureText(error));
        default: return end(Outcome::NetworkError, net::failureText(error));
        }
    });
}

ClassicTransport::~ClassicTransport()
{
    cancelAll();
}

int ClassicTransport::get(const QString &url, qint64 maxBytes, const QString &tilePath)
{
    m_current = m_nextId++;
    // A temporary file of this run's own: another program may fetch the same sheet. When
    // none can be made here the body's write fails and says so, as any write would.
    m_partialPath = store::TileWriter::reserveTemporary(tilePath);
    if (m_partialPath.isEmpty())
        m_partialPath = store::TileWriter::temporaryPathFor(tilePath);
    m_client.setMaxBodyBytes(maxBytes);
    emit requestStarted(url);
    m_client.get(url, m_partialPath);
    return m_current;
}

void ClassicTransport::cancelAll()
{
    m_client.disconnect();
    if (m_current != 0 && !m_partialPath.isEmpty())
        QFile::remove(m_partialPath);
    m_current = 0;
    m_partialPath.clear();
}

// The request's result; its temporary file goes to the run when it holds the answer.
void ClassicTransport::end(Outcome outcome, const QString &text)
{
    if (m_current == 0)
        return;
    Result result;
    result.id = std::exchange(m_current, 0);
    result.outcome = outcome;
    result.status = m_client.status();
    result.text = text;
    if (outcome == Outcome::Ok) {
        result.file = std::exchange(m_partialPath, {});
        result.bytes = m_client.bodyBytes();
    } else {
        QFile::remove(std::exchange(m_partialPath, {}));
    }
    emit finished(result);
}

} // namespace source
