#include "source/iiif/IiifReader.h"
#include "source/iiif/IiifPlan.h"
#include "net/FailureTexts.h"
#include "source/iiif/IiifSheet.h"
#include "net/PacedFetcher.h"
#include "source/iiif/IiifInfo.h"
#include "platform/Logging.h"

#include <QRegularExpression>
#include <QUrl>

IiifReader::IiifReader(PacedFetcher &fetcher, QObject *parent) : source::KindReader(parent), m_fetcher(fetcher)
{
    connect(&m_fetcher, &PacedFetcher::finished, this, [this](const PacedFetcher::Result &r) {
        if (!m_busy || r.id != m_request)
            return;
        m_countdown.stop();
        const bool ok = r.outcome == PacedFetcher::Outcome::Ok;
        onResult(r, ok ? QString() : net::failureText(r, QStringLiteral("Lecture impossible : ")));
    });
    connect(&m_fetcher, &PacedFetcher::retrying, this, [this](int id, int seconds) {
        if (m_busy && id == m_request)
            m_countdown.start(seconds);
    });
    connect(&m_countdown, &source::RetryCountdown::text, this, &IiifReader::progress);
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

QList<IiifReader::MapPart> IiifReader::mapsOf(const QString &title, const QList<source::SheetSource> &sheets)
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

QString IiifReader::summaryText(const QList<source::SheetSource> &sheets)
{
    auto sizeText = [](const source::SheetSource &sheet) {
        // A canvas without an image keeps its number, and says so.
        if (sheet.address.isEmpty())
            return QStringLiteral("vue sans image");
        return QStringLiteral("%1 x %2").arg(sheet.size.width()).arg(sheet.size.height());
    };
    if (sheets.size() == 1)
        return sizeText(sheets.first()) + QStringLiteral(" pixels");
    // At most kDescribedSheets sizes, five a line: the box fits the screen whatever the count.
    constexpr qsizetype kPerLine = 5;
    QString text = QStringLiteral("%1 feuilles : ").arg(sheets.size());
    const qsizetype shown = qMin<qsizetype>(sheets.size(), kDescribedSheets);
    for (qsizetype i = 0; i < shown; ++i) {
        if (i > 0)
            text += i % kPerLine == 0 ? QStringLiteral(",\n") : QStringLiteral(", ");
        text += sizeText(sheets[i]);
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
    m_request = m_fetcher.getBytes(url, m_stage == Stage::Image ? kMaxDocumentBytes : kMaxManifestBytes);
}

void IiifReader::read(const iiif::Address &address)
{
    cancel();
    m_busy = true;
    m_title.clear();
    m_bases.clear();
    m_canvasSizes.clear();
    m_sheets.clear();
    m_firstError.clear();
    m_collections = 0;
    m_fallback.clear();
    QString trimmed = address.url;
    while (trimmed.endsWith(u'/'))
        trimmed.chop(1);
    const bool libraryView = QUrl(address.url).host().compare(iiif::kGallicaHost, Qt::CaseInsensitive) == 0;
    if (address.kind == iiif::Address::Kind::Manifest) {
        // An address that names no ".json" document may be an image's base after all.
        if (!QUrl(address.url).path().endsWith(QStringLiteral(".json")) && !libraryView)
            m_fallback = trimmed;
        readDocument(address.url);
    } else {
        // An image's base whose description is not found may be a document with no extension.
        if (!libraryView && !address.url.endsWith(QStringLiteral("/info.json")))
            m_fallback = address.url;
        m_bases << address.url;
        m_canvasSizes << QSize();
        readNextImage();
    }
}

void IiifReader::read(const QString &text, const QString &)
{
    if (const auto address = iiif::parseAddress(text))
        return read(*address);
    emit failed(iiif::refusalText(text.trimmed()));
}

void IiifReader::readDocument(const QString &url)
{
    m_stage = Stage::Document;
    emit progress(QStringLiteral("Lecture du manifeste IIIF"));
    request(url);
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
    // Canvases without an image keep their place and are not read; a plain picture is not
    // read either (it would be its whole download): its sheet takes the canvas's size.
    while (m_sheets.size() < m_bases.size()) {
        const QString &address = m_bases.at(m_sheets.size());
        const iiif::SheetAddress sheet = iiif::SheetAddress::parse(address);
        if (!address.isEmpty() && !sheet.picture)
            break;
        if (address.isEmpty()) {
            m_sheets << source::SheetSource{};
            continue;
        }
        const QSize size = m_canvasSizes.at(m_sheets.size());
        const auto plan = size.isEmpty() ? std::nullopt : iiif::planPicture(size, sheet.url, nullptr, sheet.selector);
        m_sheets << source::SheetSource{address, plan ? plan->sheetSize() : QSize(qMax(0, size.width()), qMax(0, size.height())),
                                        plan ? QSize(plan->columns, plan->rows) : QSize()};
    }
    if (m_sheets.size() >= m_bases.size() || m_sheets.size() >= kDescribedSheets)
        return completeSheets();
    m_stage = Stage::Image;
    const int described = int(qMin<qsizetype>(m_bases.size(), kDescribedSheets));
    emit progress(QStringLiteral("Lecture de la description IIIF %1 / %2").arg(m_sheets.size() + 1).arg(described));
    request(iiif::SheetAddress::parse(m_bases.at(m_sheets.size())).url + QStringLiteral("/info.json"));
}

void IiifReader::fail(const QString &text)
{
    const QString said = m_firstError.isEmpty() ? text : m_firstError;
    qCWarning(lcNet) << "IIIF address refused:" << said;
    m_busy = false;
    m_request = 0;
    emit failed(said);
}

void IiifReader::onResult(const PacedFetcher::Result &r, const QString &error)
{
    const bool ok = r.outcome == PacedFetcher::Outcome::Ok;
    if (m_stage == Stage::Title) {
        if (ok)
            if (const auto manifest = iiif::readManifest(r.body))
                m_title = manifest->label;
        return finish();
    }
    // What the first address was taken for is not there: it is read as the other kind, once.
    // A server that does not answer is not asked again.
    const bool notThere = r.outcome == PacedFetcher::Outcome::HttpError;
    const bool first = m_stage == Stage::Document ? m_bases.isEmpty() : m_sheets.isEmpty();
    if (!ok) {
        if (notThere && first && !m_fallback.isEmpty())
            return tryFallback(error);
        return fail(error);
    }
    if (m_stage == Stage::Document)
        return onDocument(r.body, r.finalUrl);
    onImage(r.body, r.finalUrl);
}

void IiifReader::tryFallback(const QString &error)
{
    if (m_firstError.isEmpty())
        m_firstError = error;
    const QString address = m_fallback;
    m_fallback.clear();
    if (m_stage == Stage::Document) {
        m_bases << address;
        m_canvasSizes << QSize();
        return readNextImage();
    }
    m_bases.clear();
    m_canvasSizes.clear();
    readDocument(address);
}

void IiifReader::onDocument(const QByteArray &body, const QString &finalUrl)
{
    QString why;
    // Parsed once: a manifest of thousands of canvases is read into the few fields each
    // sheet keeps, and its parsed form let go when this returns.
    const QJsonObject document = iiif::parseDocument(body);
    const iiif::DocumentKind kind = iiif::documentKind(document);
    if (kind == iiif::DocumentKind::Unknown && !m_fallback.isEmpty())
        return tryFallback(QStringLiteral("Manifeste IIIF illisible : réponse qui n'est pas un document IIIF"));
    // The address was what it seemed: nothing else is tried.
    m_fallback.clear();
    switch (kind) {
    case iiif::DocumentKind::Image: {
        // The address was an image's description, or its base answered with it.
        const auto info = iiif::readImageInfo(body, &why);
        if (!info)
            return fail(QStringLiteral("Description IIIF illisible : ") + why);
        QString requested = finalUrl;
        if (requested.endsWith(QStringLiteral("/info.json")))
            requested.chop(int(qstrlen("/info.json")));
        while (requested.endsWith(u'/'))
            requested.chop(1);
        const QString base = iiif::tileBase(requested, finalUrl, *info);
        m_bases << base;
        m_canvasSizes << QSize();
        addImage(*info, base);
        return readNextImage();
    }
    case iiif::DocumentKind::Collection: {
        const auto collection = iiif::readCollection(document, &why);
        if (!collection)
            return fail(QStringLiteral("Collection IIIF illisible : ") + why);
        QStringList labels;
        for (const iiif::CollectionEntry &entry : collection->entries)
            labels << (entry.label.isEmpty() ? entry.address : entry.label);
        if (!m_chooser || ++m_collections > kMaxCollections)
            return fail(QStringLiteral("Collection IIIF : choisir l'un de ses manifestes"));
        const int chosen = m_chooser(collection->label, labels);
        if (!m_busy)
            return;   // cancelled while the person was choosing
        if (chosen < 0 || chosen >= collection->entries.size())
            return stop();
        return readDocument(collection->entries.at(chosen).address);
    }
    case iiif::DocumentKind::Manifest:
    case iiif::DocumentKind::Unknown:
        break;
    }
    auto manifest = document.isEmpty() ? iiif::readManifest(body, &why) : iiif::readManifest(document, &why);
    if (!manifest)
        return fail(QStringLiteral("Manifeste IIIF illisible : ") + why);
    m_title = manifest->label;
    m_bases.reserve(m_bases.size() + manifest->images.size());
    m_canvasSizes.reserve(m_canvasSizes.size() + manifest->images.size());
    for (const iiif::ManifestImage &image : std::as_const(manifest->images)) {
        m_bases << image.imageBase;
        m_canvasSizes << QSize(image.width, image.height);
    }
    manifest.reset();
    readNextImage();
}

// The sheet keeps the size and grid its download will fill; an image that cannot be planned
// keeps its full size and no grid, and its download tells why.
void IiifReader::addImage(const iiif::ImageInfo &info, const QString &address)
{
    const iiif::SheetAddress sheet = iiif::SheetAddress::parse(address);
    const auto plan = iiif::planTiles(info, sheet.url, nullptr, sheet.selector);
    m_sheets << source::SheetSource{address, plan ? plan->sheetSize() : QSize(info.width, info.height),
                                  plan ? QSize(plan->columns, plan->rows) : QSize()};
}

void IiifReader::onImage(const QByteArray &body, const QString &finalUrl)
{
    QString why;
    const auto info = iiif::readImageInfo(body, &why);
    if (!info) {
        if (m_sheets.isEmpty() && !m_fallback.isEmpty())
            return tryFallback(QStringLiteral("Description IIIF illisible : ") + why);
        return fail(QStringLiteral("Description IIIF illisible : ") + why);
    }
    m_fallback.clear();
    iiif::SheetAddress sheet = iiif::SheetAddress::parse(m_bases.at(m_sheets.size()));
    sheet.url = iiif::tileBase(sheet.url, finalUrl, *info);
    addImage(*info, sheet.text());
    readNextImage();
}

void IiifReader::completeSheets()
{
    // The images past those described: the manifest's sizes; their plans come with their
    // downloads.
    for (qsizetype i = m_sheets.size(); i < m_bases.size(); ++i)
        m_sheets << source::SheetSource{m_bases[i], m_canvasSizes[i].isValid() ? m_canvasSizes[i] : QSize(0, 0), QSize()};
    // A view of a library document ("/iiif/ark:/12148/X/f3") takes its title from the
    // document's manifest; without one the map still comes, with a title of its own.
    static const QRegularExpression view(QStringLiteral("^(.*/iiif/ark:/12148/[A-Za-z0-9]+)/f\\d+$"));
    const QRegularExpressionMatch m = view.match(m_bases.first());
    if (m_title.isEmpty() && m_bases.size() == 1 && m.hasMatch()) {
        m_stage = Stage::Title;
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
    const auto named = std::find_if(m_bases.begin(), m_bases.end(), [](const QString &b) { return !b.isEmpty(); });
    const QString title = m_title.isEmpty()
                              ? fallbackTitle(named == m_bases.end() ? QString() : iiif::SheetAddress::parse(*named).url)
                              : m_title;
    emit done(title, m_sheets);
}
