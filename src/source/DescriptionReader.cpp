#include "source/DescriptionReader.h"
#include "net/FailureTexts.h"
#include "net/PacedFetcher.h"
#include "platform/Logging.h"
#include "source/SourceAddress.h"

#include <QUrl>

namespace source {

DescriptionReader::DescriptionReader(PacedFetcher &fetcher, const SourceKind &kind, QObject *parent)
    : KindReader(parent), m_fetcher(fetcher), m_kind(kind)
{
    connect(&m_fetcher, &PacedFetcher::finished, this, [this](const PacedFetcher::Result &r) {
        if (m_request == 0 || r.id != m_request)
            return;
        m_request = 0;
        QString why;
        std::unique_ptr<TileSource> made;
        if (r.outcome == PacedFetcher::Outcome::Ok)
            made = m_kind.make(r.body, m_url, r.finalUrl, &why);
        else
            why = r.outcome == PacedFetcher::Outcome::CertificateRefused ? net::failureText(r.outcome, r.text)
                                                                        : QStringLiteral("Lecture impossible : ") + r.text;
        if (!made) {
            const QString text = r.outcome == PacedFetcher::Outcome::Ok
                                     ? QStringLiteral("Description ") + QString::fromUtf8(m_kind.label)
                                           + QStringLiteral(" illisible : ") + why
                                     : why;
            qCWarning(lcNet) << "map address refused:" << text;
            return emit failed(text);
        }
        emit done(fallbackTitle(m_kind.kind, m_url),
                  {SheetSource{m_url, made->pictureSize(), made->grid(), m_kind.kind}});
    });
}

QString DescriptionReader::fallbackTitle(Kind kind, const QString &url)
{
    QString name = QUrl(url).path().section(u'/', -1);
    if (kind == Kind::DeepZoom && name.endsWith(QStringLiteral(".dzi"), Qt::CaseInsensitive))
        name.chop(4);
    return QStringLiteral("Carte ") + kindLabel(kind) + u' ' + (name.isEmpty() ? url : name);
}

void DescriptionReader::read(const QString &, const QString &url)
{
    cancel();
    m_url = url;
    m_request = m_fetcher.getBytes(m_kind.descriptionUrl(url), kMaxDescriptionBytes);
}

void DescriptionReader::cancel()
{
    if (m_request)
        m_fetcher.cancel(m_request);
    m_request = 0;
}

void DescriptionReader::stop()
{
    if (!busy())
        return;
    cancel();
    emit stopped();
}

} // namespace source
