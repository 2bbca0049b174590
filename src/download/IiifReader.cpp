#include "download/IiifReader.h"
#include "download/IiifPlan.h"
#include "download/IiifTexts.h"
#include "net/IiifFetcher.h"
#include "net/IiifInfo.h"
#include "platform/Logging.h"

#include <QRegularExpression>

IiifReader::IiifReader(IiifFetcher &fetcher, QObject *parent) : QObject(parent), m_fetcher(fetcher)
{
    connect(&m_fetcher, &IiifFetcher::finished, this, [this](const IiifFetcher::Result &r) {
        if (!m_busy || r.id != m_request)
            return;
        m_countdown.stop();
        const bool ok = r.outcome == IiifFetcher::Outcome::Ok;
        onResult(r.id, r.body, ok, ok ? QString() : iiif::requestFailureText(r, QStringLiteral("Lecture impossible : ")));
    });
    connect(&m_fetcher, &IiifFetcher::retrying, this, [this](int id, int seconds) {
        if (m_busy && id == m_request)
            m_countdown.start(seconds);
    });
    connect(&m_countdown, &download::RetryCountdown::text, this, &IiifReader::progress);
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

QList<IiifReader::MapPart> IiifReader::mapsOf(const QString &title, const QList<iiif::SheetSource> &sheets)
{
    if (sheets.size() <= kMaxSheetsPerMap)
        return {MapPart{title, sheets}};
    const int count = int((sheets.size() + kMaxSheetsPerMap - 1) / kMaxSheetsPerMap);
    QList<MapPart> parts;
    for (int i = 0; i < count; ++i)
        parts << MapPart{title + QStringLiteral(" (%1/%2)").arg(i + 1).arg(count),
                         sheets.mid(qsizetype(i) * kMaxSheetsPerMap, kMaxSheetsPerMap)};
    return parts;
}

QString IiifReader::summaryText(const QList<iiif::SheetSource> &sheets)
{
    auto sizeText = [](QSize size) { return QStringLiteral("%1 x %2").arg(size.width()).arg(size.height()); };
    if (sheets.size() == 1)
        return sizeText(sheets.first().size) + QStringLiteral(" pixels");
    // At most kDescribedSheets sizes, five a line: the box fits the screen whatever the count.
    constexpr qsizetype kPerLine = 5;
    QString text = QStringLiteral("%1 feuilles : ").arg(sheets.size());
    const qsizetype shown = qMin<qsizetype>(sheets.size(), kDescribedSheets);
    for (qsizetype i = 0; i < shown; ++i) {
        if (i > 0)
            text += i % kPerLine == 0 ? QStringLiteral(",\n") : QStringLiteral(", ");
        text += sizeText(sheets[i].size);
    }
    text += QStringLiteral(" pixels");
    if (sheets.size() > shown)
        text += QStringLiteral("\n... et %1 autres feuilles").arg(sheets.size() - shown);
    const auto parts = mapsOf(QString(), sheets);
    if (parts.size() > 1)
        text += QStringLiteral("\nEn %1 cartes de %2 feuilles au plus").arg(parts.size()).arg(kMaxSheetsPerMap);
    return text;
}

void IiifReader::request(const QString &url)
{
    m_request = m_fetcher.getBytes(url, kMaxDocumentBytes);
}

void IiifReader::read(const iiif::Address &address)
{
    cancel();
    m_busy = true;
    m_readingTitle = false;
    m_title.clear();
    m_bases.clear();
    m_canvasSizes.clear();
    m_sheets.clear();
    m_readingManifest = address.kind == iiif::Address::Kind::Manifest;
    if (m_readingManifest) {
        emit progress(QStringLiteral("Lecture du manifeste IIIF"));
        request(address.url);
    } else {
        m_bases << address.url;
        m_canvasSizes << QSize();
        readNextImage();
    }
}

void IiifReader::cancel()
{
    m_countdown.stop();
    if (m_busy && m_request)
        m_fetcher.cancel(m_request);
    m_busy = false;
    m_request = 0;
}

void IiifReader::stop()
{
    if (!m_busy)
        return;
    cancel();
    emit stopped();
}

void IiifReader::readNextImage()
{
    const int described = int(qMin<qsizetype>(m_bases.size(), kDescribedSheets));
    emit progress(QStringLiteral("Lecture de la description IIIF %1 / %2").arg(m_sheets.size() + 1).arg(described));
    request(m_bases.at(m_sheets.size()) + QStringLiteral("/info.json"));
}

void IiifReader::fail(const QString &text)
{
    qCWarning(lcNet) << "IIIF address refused:" << text;
    m_busy = false;
    m_request = 0;
    emit failed(text);
}

void IiifReader::onResult(int, const QByteArray &body, bool ok, const QString &error)
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
        for (const iiif::ManifestImage &image : manifest->images) {
            m_bases << image.imageBase;
            m_canvasSizes << QSize(image.width, image.height);
        }
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
    if (m_sheets.size() < m_bases.size() && m_sheets.size() < kDescribedSheets)
        return readNextImage();
    // The images past those described: the manifest's sizes; their plans come with their
    // downloads.
    for (qsizetype i = m_sheets.size(); i < m_bases.size(); ++i)
        m_sheets << iiif::SheetSource{m_bases[i], m_canvasSizes[i].isValid() ? m_canvasSizes[i] : QSize(0, 0), QSize()};
    // A view of a library document ("/iiif/ark:/12148/X/f3") takes its title from the
    // document's manifest; without one the map still comes, with a title of its own.
    static const QRegularExpression view(QStringLiteral("^(.*/iiif/ark:/12148/[A-Za-z0-9]+)/f\\d+$"));
    const QRegularExpressionMatch m = view.match(m_bases.first());
    if (m_title.isEmpty() && m_bases.size() == 1 && m.hasMatch() && !m_readingTitle) {
        m_readingTitle = true;
        emit progress(QStringLiteral("Lecture du titre du document"));
        request(m.captured(1) + QStringLiteral("/manifest.json"));
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
