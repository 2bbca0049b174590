#pragma once
// Reads the address a person gives for a new map, whatever its kind: a Deep Zoom
// description (".dzi"), a Zoomify description ("ImageProperties.xml") or its folder, or any
// IIIF form (read by IiifReader). A folder address that IIIF cannot read is tried as a
// Zoomify folder before its refusal is said. Ends with one done() or failed(), which names
// the kind recognised.

#include "catalogue/AddedMaps.h"
#include "source/iiif/IiifAddress.h"
#include "source/SourceAddress.h"

#include <QObject>

class Desktop;
class PacedFetcher;
class IiifReader;

namespace source {

struct MapAddress {
    std::optional<SourceAddress> pyramid;   // Deep Zoom or Zoomify
    std::optional<iiif::Address> iiif;      // otherwise
};

// The address that `text` stands for; nothing when it is none of the accepted forms.
std::optional<MapAddress> parseMapAddress(const QString &text);
// Asks for an address in an input box; nothing when none was given, or when it is none of
// the accepted forms (which has then been said in an error box).
std::optional<MapAddress> askMapAddress(Desktop &desktop, const QString &caption, const QString &prompt);

// The question that lets a person pick one entry of a collection of maps.
QString collectionPrompt(const QString &title, int entries);

class MapReader : public QObject {
    Q_OBJECT
public:
    MapReader(PacedFetcher &fetcher, QObject *parent = nullptr);

    void read(const MapAddress &address);
    void cancel();
    bool busy() const { return m_request != 0 || m_iiifBusy; }
    // The IIIF reading, which a progress box may follow.
    IiifReader &iiifReader() { return *m_iiif; }

    // The title of a map read from a pyramid: its kind and the last part of its address.
    static QString fallbackTitle(const SourceAddress &address);

signals:
    void done(const QString &title, const QList<source::SheetSource> &sheets, source::Kind kind);
    void failed(const QString &text);
    // The person gave up waiting for an IIIF reading.
    void stopped();

private:
    void readPyramid(const SourceAddress &address);
    void onIiifFailed(const QString &text);

    PacedFetcher &m_fetcher;
    IiifReader *m_iiif = nullptr;
    bool m_iiifBusy = false;
    MapAddress m_address;
    int m_request = 0;
    SourceAddress m_pyramid;
    QString m_iiifRefusal;   // said when a folder tried as Zoomify is none either
};

} // namespace source
