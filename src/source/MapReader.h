#pragma once
// Reads the address a person gives for a new map, whatever its kind. Every kind of server
// says how it reads the typed text (surely, or perhaps: a bare folder may be an IIIF image
// or a Zoomify pyramid); the kinds are then read one after the other with the kind's own
// reader, the sure ones first: the first that reads a map ends the reading, a sure kind's
// refusal is final, and when every possible kind refused, the first refusal is said. Ends
// with one done(), failed() or stopped(), which names the kind that read the map.

#include "source/KindReader.h"
#include "source/SourceAddress.h"

#include <QHash>
#include <QObject>

class Desktop;
class PacedFetcher;

namespace source {

struct MapAddress {
    QString text;                     // as typed, trimmed
    QList<Recognised> candidates;     // never empty
    // The kind read first.
    Kind kind() const { return candidates.first().address.kind; }
};

// The address that `text` stands for; nothing when no kind reads it.
std::optional<MapAddress> parseMapAddress(const QString &text);
// Asks for an address in an input box; nothing when none was given, or when it is none of
// the accepted forms (which has then been said in an error box).
std::optional<MapAddress> askMapAddress(Desktop &desktop, const QString &caption, const QString &prompt);
// "Adresse IIIF incorrecte : " + the text: what a text no kind reads is told.
QString addressRefusal(const QString &text);

// The question that lets a person pick one entry of a collection of maps.
QString collectionPrompt(const QString &title, int entries);

class MapReader : public QObject {
    Q_OBJECT
public:
    explicit MapReader(PacedFetcher &fetcher, QObject *parent = nullptr);

    void read(const MapAddress &address);
    // Ends the reading at once; no signal follows.
    void cancel();
    // The person gave up waiting: the reading ends and stopped() says so.
    void stop();
    bool busy() const { return m_current && m_current->busy(); }
    // Lets the person pick one of a collection's entries.
    void setChooser(KindReader::Chooser chooser);

signals:
    // What is being read, for a person waiting.
    void progress(const QString &text);
    void done(const QString &title, const QList<source::SheetSource> &sheets, source::Kind kind);
    void failed(const QString &text);
    void stopped();

private:
    KindReader *readerOf(Kind kind);
    void readNext();
    void onFailed(const QString &text);

    PacedFetcher &m_fetcher;
    KindReader::Chooser m_chooser;
    QHash<Kind, KindReader *> m_readers;
    KindReader *m_current = nullptr;
    MapAddress m_address;
    qsizetype m_next = 0;
    bool m_sure = false;
    QString m_firstRefusal;
};

} // namespace source
