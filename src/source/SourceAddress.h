#pragma once
// The address of a map's picture on a server of any kind, and the one factory that turns
// the description read there into the map's TileSource.

#include "source/TileSource.h"

#include <QByteArray>
#include <QList>
#include <memory>

namespace source {

struct SourceAddress {
    Kind kind = Kind::Iiif;
    // IIIF: the image's base address. Deep Zoom: the ".dzi" description. Zoomify: the
    // folder of "ImageProperties.xml", without a trailing "/".
    QString url;

    // What is read first: "info.json", the ".dzi" itself, "ImageProperties.xml".
    QString descriptionUrl() const;
    // The largest description read there (kMaxDescriptionBytes unless the kind says more).
    qint64 descriptionLimit() const;
    bool operator==(const SourceAddress &) const = default;
};

// A kind's reading of a typed address: the address of the picture on a server of that kind,
// and whether the text's form surely names one (else only reading it can tell).
struct Recognised {
    SourceAddress address;
    bool sure = false;
    bool operator==(const Recognised &) const = default;
};

// Every kind's reading of the typed `text`: the sure ones first, then the possible ones,
// each in the table's order; empty when no kind reads it.
QList<Recognised> recogniseAddress(const QString &text);

// The folder of a Zoomify pyramid, without its trailing "/".
SourceAddress zoomifyFolder(const QString &folderUrl);

// The largest description the program reads.
constexpr qint64 kMaxDescriptionBytes = 1024 * 1024;

// The source that the description at `address` makes, found at last at `foundAt` (after
// redirects; empty when it was where it was asked); nothing and `why` (French) when it is
// unreadable, out of bounds, or cannot be cut into 26 x 26 stored tiles.
std::unique_ptr<TileSource> makeSource(const SourceAddress &address, const QByteArray &description,
                                       const QString &foundAt = {}, QString *why = nullptr);

} // namespace source
