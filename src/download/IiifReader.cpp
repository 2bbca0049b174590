#include "download/IiifReader.h"
#include "net/IiifFetcher.h"
#include "download/IiifPlan.h"
#include "net/IiifInfo.h"
#include "platform/Logging.h"

#include <QRegularExpression>

IiifReader::IiifReader(IiifFetcher &fetcher, QObject *parent) : QObject(parent), m_fetcher(fetcher)
{
    connect(&m_fetcher, &IiifFetcher::finished, this, [this](const IiifFetcher::Result &r) {
        if (!m_busy || r.id != m_request)
            return;
        QString error;
        if (r.outcome == IiifFetcher::Outcome::CertificateRefused)
            error = IiifFetcher::certificateRefusal(r.text);
        else if (r.outcome == IiifFetcher::Outcome::Refused)
            error = r.text;
        else if (r.outcome != IiifFetcher::Outcome::Ok)
            error = QStringLiteral("Lecture impossible : ") + r.text;
        onFinished(r.id, r.body, r.outcome == IiifFetcher::Outcome::Ok, error);
    });
}

QString IiifReader::fallbackTitle(const QString &imageBase)
{
    static const QRegularExpression gallica(QStringLiteral("/ark:/12148/([A-Za-z0-9]+)/f(\\d+)$"));
    const QRegularExpressionMatch m = gallica.match(imageBase);
    if (m.hasMatch())
        return QStringLiteral("Gallica ") + m.captured(1) + QStringLiteral(" vue ") + m.captured(2);
    const QString last = imageBase.section(QRegularExpression(QStringLiteral("[/=]")), -1);
    return QStringLiteral("Carte IIIF ") + (last.isEmpty() ? imageBase : last);
}

void IiifReader::read(const iiif::Address &address)
{
    cancel();
    m_busy = true;
    m_readingTitle = false;
    m_title.clear();
    m_bases.clear();
    m_sheets.clear();
    m_readingManifest = address.kind == iiif::Address::Kind::Manifest;
    if (m_readingManifest) {
        m_request = m_fetcher.getBytes(address.url, kMaxDocumentBytes);
    } else {
        m_bases << address.url;
        readNextImage();
    }
}

void IiifReader::cancel()
{
    m_busy = false;
    m_request = 0;
}

void IiifReader::readNextImage()
{
    m_request = m_fetcher.getBytes(m_bases.at(m_sheets.size()) + QStringLiteral("/info.json"), kMaxDocumentBytes);
}

void IiifReader::fail(const QString &text)
{
    qCWarning(lcNet) << "IIIF address refused:" << text;
    m_busy = false;
    m_request = 0;
    emit failed(text);
}

void IiifReader::onFinished(int, const QByteArray &body, bool ok, const QString &error)
{
    if (m_readingTitle) {
        if (ok)
            if (const auto manifest = iiif::readManifest(body))
                m_title = manifest->label;
        return finish();
    }
    if (!ok)
        return fail(error);
    QString why;
    if (m_readingManifest) {
        m_readingManifest = false;
        const auto manifest = iiif::readManifest(body, &why);
        if (!manifest)
            return fail(QStringLiteral("Manifeste IIIF illisible : ") + why);
        m_title = manifest->label;
        for (const iiif::ManifestImage &image : manifest->images)
            m_bases << image.imageBase;
        return readNextImage();
    }
    const auto info = iiif::readImageInfo(body, &why);
    if (!info)
        return fail(QStringLiteral("Description IIIF illisible : ") + why);
    // The sheet keeps the grid its download will fill; an image that cannot be planned
    // keeps none, and its download tells why.
    const QString base = m_bases.at(m_sheets.size());
    const auto plan = iiif::planTiles(*info, base);
    m_sheets << iiif::SheetSource{base, QSize(info->width, info->height),
                                  plan ? QSize(plan->columns, plan->rows) : QSize()};
    if (m_sheets.size() < m_bases.size())
        return readNextImage();
    // A view of a library document ("/iiif/ark:/12148/X/f3") takes its title from the
    // document's manifest; without one the map still comes, with a title of its own.
    static const QRegularExpression view(QStringLiteral("^(.*/iiif/ark:/12148/[A-Za-z0-9]+)/f\\d+$"));
    const QRegularExpressionMatch m = view.match(m_bases.first());
    if (m_title.isEmpty() && m_bases.size() == 1 && m.hasMatch() && !m_readingTitle) {
        m_readingTitle = true;
        m_request = m_fetcher.getBytes(m.captured(1) + QStringLiteral("/manifest.json"), kMaxDocumentBytes);
        return;
    }
    finish();
}

void IiifReader::finish()
{
    m_busy = false;
    m_request = 0;
    m_readingTitle = false;
    const QString title = m_title.isEmpty() ? fallbackTitle(m_bases.first()) : m_title;
    emit done(title, m_sheets);
}
