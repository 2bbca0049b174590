#include "source/MapReader.h"
#include "net/PacedFetcher.h"
#include "platform/Desktop.h"
#include "source/SourceKind.h"
#include "source/iiif/IiifAddress.h"

namespace source {

std::optional<MapAddress> parseMapAddress(const QString &text)
{
    MapAddress address{text.trimmed(), {}};
    for (const Recognised &candidate : recogniseAddress(text))
        if (sourceKind(candidate.address.kind).reader)
            address.candidates << candidate;
    if (address.candidates.isEmpty())
        return std::nullopt;
    return address;
}

// Told in the words of IIIF, the kind most addresses are meant for.
QString addressRefusal(const QString &text)
{
    return iiif::refusalText(text.trimmed());
}

std::optional<MapAddress> askMapAddress(Desktop &desktop, const QString &caption, const QString &prompt)
{
    const QString text = desktop.inputText(caption, prompt, QString());
    if (text.trimmed().isEmpty())
        return std::nullopt;
    const auto address = parseMapAddress(text);
    if (!address)
        desktop.error(addressRefusal(text));
    return address;
}

QString collectionPrompt(const QString &title, int entries)
{
    return QStringLiteral("La collection « %1 » contient %2 documents. Lequel ajouter ?")
        .arg(title.isEmpty() ? QStringLiteral("sans titre") : title)
        .arg(entries);
}

MapReader::MapReader(PacedFetcher &fetcher, QObject *parent) : QObject(parent), m_fetcher(fetcher) {}

void MapReader::setChooser(KindReader::Chooser chooser)
{
    m_chooser = std::move(chooser);
    for (KindReader *reader : std::as_const(m_readers))
        reader->setChooser(m_chooser);
}

KindReader *MapReader::readerOf(Kind kind)
{
    if (KindReader *reader = m_readers.value(kind))
        return reader;
    const SourceKind &entry = sourceKind(kind);
    if (!entry.reader)
        return nullptr;
    KindReader *reader = entry.reader(m_fetcher, entry, this);
    reader->setChooser(m_chooser);
    connect(reader, &KindReader::progress, this, [this, reader](const QString &text) {
        if (reader == m_current)
            emit progress(text);
    });
    connect(reader, &KindReader::done, this, [this, reader, kind](const QString &title, const QList<SheetSource> &sheets) {
        if (reader != m_current)
            return;
        m_current = nullptr;
        emit done(title, sheets, kind);
    });
    connect(reader, &KindReader::failed, this, [this, reader](const QString &text) {
        if (reader == m_current)
            onFailed(text);
    });
    connect(reader, &KindReader::stopped, this, [this, reader] {
        if (reader != m_current)
            return;
        m_current = nullptr;
        emit stopped();
    });
    m_readers.insert(kind, reader);
    return reader;
}

void MapReader::read(const MapAddress &address)
{
    cancel();
    m_address = address;
    m_next = 0;
    m_firstRefusal.clear();
    readNext();
}

void MapReader::readNext()
{
    const Recognised candidate = m_address.candidates.at(m_next++);
    m_sure = candidate.sure;
    m_current = readerOf(candidate.address.kind);
    m_current->read(m_address.text, candidate.address.url);
}

void MapReader::onFailed(const QString &text)
{
    if (m_firstRefusal.isEmpty())
        m_firstRefusal = text;
    // A kind that surely read the address has the last word; a possible one passes the
    // address on to the next kind that may read it.
    if (m_sure || m_next >= m_address.candidates.size()) {
        m_current = nullptr;
        return emit failed(m_firstRefusal);
    }
    readNext();
}

void MapReader::cancel()
{
    if (m_current)
        m_current->cancel();
    m_current = nullptr;
}

void MapReader::stop()
{
    if (!m_current)
        return;
    KindReader *reader = m_current;
    reader->stop();
}

} // namespace source
