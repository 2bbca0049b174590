#include "source/MapReader.h"
#include "source/iiif/IiifReader.h"
#include "net/FailureTexts.h"
#include "platform/Desktop.h"
#include "platform/Logging.h"

#include <QUrl>

namespace source {

std::optional<MapAddress> parseMapAddress(const QString &text)
{
    if (const auto pyramid = parsePyramidAddress(text))
        return MapAddress{pyramid, std::nullopt};
    if (const auto image = iiif::parseAddress(text))
        return MapAddress{std::nullopt, image};
    return std::nullopt;
}

std::optional<MapAddress> askMapAddress(Desktop &desktop, const QString &caption, const QString &prompt)
{
    const QString text = desktop.inputText(caption, prompt, QString());
    if (text.trimmed().isEmpty())
        return std::nullopt;
    const auto address = parseMapAddress(text);
    if (!address)
        desktop.error(iiif::refusalText(text.trimmed()));
    return address;
}

QString collectionPrompt(const QString &title, int entries)
{
    return QStringLiteral("La collection « %1 » contient %2 documents. Lequel ajouter ?")
        .arg(title.isEmpty() ? QStringLiteral("sans titre") : title)
        .arg(entries);
}

QString MapReader::fallbackTitle(const SourceAddress &address)
{
    QString name = QUrl(address.url).path().section(u'/', -1);
    if (address.kind == Kind::DeepZoom && name.endsWith(QStringLiteral(".dzi"), Qt::CaseInsensitive))
        name.chop(4);
    return QStringLiteral("Carte ") + kindLabel(address.kind) + u' ' + (name.isEmpty() ? address.url : name);
}

MapReader::MapReader(PacedFetcher &fetcher, QObject *parent) : QObject(parent), m_fetcher(fetcher)
{
    m_iiif = new IiifReader(fetcher, this);
    connect(m_iiif, &IiifReader::done, this, [this](const QString &title, const QList<source::SheetSource> &sheets) {
        m_iiifBusy = false;
        emit done(title, sheets, Kind::Iiif);
    });
    connect(m_iiif, &IiifReader::failed, this, &MapReader::onIiifFailed);
    connect(m_iiif, &IiifReader::stopped, this, [this] {
        m_iiifBusy = false;
        emit stopped();
    });
    connect(&m_fetcher, &PacedFetcher::finished, this, [this](const PacedFetcher::Result &r) {
        if (m_request == 0 || r.id != m_request)
            return;
        m_request = 0;
        QString why;
        std::unique_ptr<TileSource> source;
        if (r.outcome == PacedFetcher::Outcome::Ok)
            source = makeSource(m_pyramid, r.body, r.finalUrl, &why);
        else
            why = r.outcome == PacedFetcher::Outcome::CertificateRefused ? net::failureText(r.outcome, r.text)
                                                                        : QStringLiteral("Lecture impossible : ") + r.text;
        if (!source) {
            // A folder that is no Zoomify pyramid either: IIIF's refusal is the one said.
            const QString text = !m_iiifRefusal.isEmpty() ? m_iiifRefusal
                                 : r.outcome == PacedFetcher::Outcome::Ok
                                     ? QStringLiteral("Description ") + kindLabel(m_pyramid.kind)
                                           + QStringLiteral(" illisible : ") + why
                                     : why;
            qCWarning(lcNet) << "map address refused:" << text;
            return emit failed(text);
        }
        emit done(fallbackTitle(m_pyramid), {source::SheetSource{m_pyramid.url, source->pictureSize(), source->grid(), m_pyramid.kind}},
                  m_pyramid.kind);
    });
}

void MapReader::read(const MapAddress &address)
{
    cancel();
    m_address = address;
    m_iiifRefusal.clear();
    if (address.pyramid)
        return readPyramid(*address.pyramid);
    m_iiifBusy = true;
    m_iiif->read(*address.iiif);
}

void MapReader::cancel()
{
    m_request = 0;
    m_iiifBusy = false;
    m_iiif->cancel();
}

void MapReader::readPyramid(const SourceAddress &address)
{
    m_pyramid = address;
    m_request = m_fetcher.getBytes(address.descriptionUrl(), kMaxDescriptionBytes);
}

// An image address IIIF cannot read may be the folder of a Zoomify pyramid.
void MapReader::onIiifFailed(const QString &text)
{
    m_iiifBusy = false;
    const bool folder = m_address.iiif && m_address.iiif->kind == iiif::Address::Kind::Image
                        && QUrl(m_address.iiif->url).host().compare(iiif::kGallicaHost, Qt::CaseInsensitive) != 0
                        && QUrl(m_address.iiif->url).query().isEmpty();
    if (!folder)
        return emit failed(text);
    m_iiifRefusal = text;
    readPyramid(zoomifyFolder(m_address.iiif->url));
}

} // namespace source
